#include "platform/convert.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/runtime_error.h"

namespace tessiva {
namespace {

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<double> parseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    double value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

// [sign] digits [sep digits] [e [sign] digits], checked by hand so that strtod's extra
// forms (inf, nan, hex floats) never slip through; strtod then does the exact rounding.
std::optional<double> parseDecimal(std::string_view text) {
    const char separator = *std::localeconv()->decimal_point;
    std::size_t i = 0;
    std::string canonical;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) { canonical += text[i++]; ++digits; }
    if (i < text.size() && text[i] == separator) {
        canonical += separator;
        ++i;
        while (i < text.size() && isDigit(text[i])) { canonical += text[i++]; ++digits; }
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        canonical += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
        std::size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i])) { canonical += text[i++]; ++exponentDigits; }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    const double value = std::strtod(canonical.c_str(), nullptr);
    if (!std::isfinite(value)) throw errors::overflow();
    return value;
}

double parseNumber(std::string_view text) {
    text = trimBlanks(text);
    std::optional<double> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        value = parseHex(text.substr(2));
    } else if (text.size() > 2 && text[0] == '&' && (text[1] == 'h' || text[1] == 'H')) {
        value = parseHex(text.substr(2));
    } else {
        value = parseDecimal(text);
    }
    if (!value) throw errors::typeMismatch();
    return *value;
}

}  // namespace

double toDouble(std::string_view text) { return parseNumber(text); }

std::int32_t roundToLong(double value) {
    // nearbyint rounds halfway cases to even under the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw errors::overflow();
    return static_cast<std::int32_t>(rounded);
}

std::int16_t roundToInteger(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) throw errors::overflow();
    return static_cast<std::int16_t>(rounded);
}

std::int32_t toLong(std::string_view text) { return roundToLong(parseNumber(text)); }

std::int16_t toInteger(std::string_view text) { return roundToInteger(parseNumber(text)); }

}  // namespace tessiva
