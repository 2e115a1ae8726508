// The INI text model (see ini_text.h).
#include "platform/linux/posix/ini_text.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/shared/profile_characters.h"

namespace tessiva::ini {
namespace {

// ---------------------------------------------------------------------------------------------
// Text helpers. The parser works on byte views of the file's text; every rule below was taken
// from what the desktop's own GetPrivateProfileStringA answers.

// The desktop trims these around names and values: the C blanks plus Ctrl-Z (0x1A), which old
// editors left at the end of text files. CR and LF never occur inside a line, but they are
// trimmed from the names a caller asks for.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Names and values are C strings to the desktop: a NUL byte ends them. The line around the NUL is
// still parsed as a whole (an '=' or ']' after it counts), which is why this is applied last.

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }


bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// The length of the UTF-8 sequence a lead byte opens; 0 for anything that is not a lead byte.
std::size_t utf8SequenceLength(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xC0u && b <= 0xDFu) return 2;
    if (b >= 0xE0u && b <= 0xEFu) return 3;
    if (b >= 0xF0u && b <= 0xF7u) return 4;
    return 0;
}

// Copies a value the way the desktop does: one pair of matching quotes comes off, at most
// capacity - 1 characters are kept (counted as profile_characters.h says), NUL-terminated.
// When the closing quote fits the buffer it is dropped by shortening the copy by one, so a
// quoted value exactly one character too long for the buffer loses its last character as
// well (the desktop answers 253 characters there, and so do we). The buffer holds
// Profile::kBytesPerCharacter bytes for each character of the capacity.
std::uint32_t copyEntry(std::string_view value, char* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return 0;
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    const std::uint32_t length = profile_characters::count(value);
    std::uint32_t count = std::min(length, capacity - 1);
    if (quoted && capacity >= length && count > 0) --count;
    const std::size_t bytes = profile_characters::bytesWithin(value, count);
    std::memcpy(buffer, value.data(), bytes);
    buffer[bytes] = '\0';
    return static_cast<std::uint32_t>(bytes);
}

// The desktop strips trailing spaces (only spaces) from the default before using it, but
// never its first character: a default of nothing but spaces comes back as one space.
std::string_view prepareDefault(std::string_view value) {
    value = untilNul(value);
    while (value.size() > 1 && value.back() == ' ') value.remove_suffix(1);
    return value;
}

// ---------------------------------------------------------------------------------------------
// Encodings. The desktop reads a file with a UTF-16 byte-order mark as UTF-16 and skips a UTF-8
// one; everything else is bytes. UTF-16 text is parsed as UTF-8 and written back as UTF-16.

enum class Encoding { Bytes, Utf16Le, Utf16Be };

struct FileText {
    Encoding encoding = Encoding::Bytes;
    std::size_t markBytes = 0;  // the byte-order mark at the start of the raw file
    std::string text;           // what the parser sees, the mark removed
};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t utf8Length(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// Walks the code points of raw UTF-16 (mark already skipped); an unpaired surrogate reads as
// U+FFFD and an odd last byte is ignored. `visit(codePoint, rawOffset)` returns false to stop.
template <typename Visit>
void walkUtf16(std::string_view raw, bool bigEndian, Visit visit) {
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(raw[i]);
        const auto b = static_cast<unsigned char>(raw[i + 1]);
        return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
    };
    std::size_t i = 0;
    while (i + 1 < raw.size()) {
        const std::size_t at = i;
        char32_t cp = unitAt(i);
        i += 2;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < raw.size()) {
            const char32_t low = unitAt(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        if (!visit(cp, at)) return;
    }
}

FileText decode(std::string raw) {
    FileText result;
    const std::string_view view = raw;
    if (view.substr(0, 3) == "\xEF\xBB\xBF") {
        result.markBytes = 3;
        result.text = std::move(raw);
        result.text.erase(0, 3);
    } else if (view.substr(0, 2) == "\xFF\xFE" || view.substr(0, 2) == "\xFE\xFF") {
        result.encoding = view[0] == '\xFE' ? Encoding::Utf16Be : Encoding::Utf16Le;
        result.markBytes = 2;
        walkUtf16(view.substr(2), result.encoding == Encoding::Utf16Be, [&](char32_t cp, std::size_t) {
            appendUtf8(result.text, cp);
            return true;
        });
    } else {
        result.text = std::move(raw);
    }
    return result;
}

// Where an offset into the parsed text lies in the raw file. Only ever asked for line
// boundaries, which fall between code points.
std::size_t rawOffset(const FileText& file, std::string_view raw, std::size_t textOffset) {
    if (file.encoding == Encoding::Bytes) return file.markBytes + textOffset;
    const std::string_view units = raw.substr(file.markBytes);
    std::size_t seen = 0;
    std::size_t found = units.size() - units.size() % 2;
    walkUtf16(units, file.encoding == Encoding::Utf16Be, [&](char32_t cp, std::size_t at) {
        if (seen >= textOffset) {
            found = at;
            return false;
        }
        seen += utf8Length(cp);
        return true;
    });
    return file.markBytes + found;
}

// Text to insert into the raw file, in the file's own encoding. Invalid UTF-8 becomes U+FFFD.
std::string encodeFor(const FileText& file, std::string_view utf8) {
    if (file.encoding == Encoding::Bytes) return std::string(utf8);
    std::string out;
    const bool bigEndian = file.encoding == Encoding::Utf16Be;
    const auto putUnit = [&](char32_t unit) {
        const char high = static_cast<char>((unit >> 8) & 0xFF);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t length = static_cast<unsigned char>(utf8[i]) < 0x80 ? 1 : utf8SequenceLength(utf8[i]);
        char32_t cp = 0xFFFD;
        bool valid = length != 0 && i + length <= utf8.size();
        if (valid) {
            cp = length == 1 ? static_cast<unsigned char>(utf8[i])
                             : static_cast<unsigned char>(utf8[i]) & (0xFFu >> (length + 1));
            for (std::size_t k = 1; k < length && valid; ++k) {
                valid = isContinuationByte(utf8[i + k]);
                cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
            }
        }
        if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            cp = 0xFFFD;
            i += 1;
        } else {
            i += length;
        }
        if (cp >= 0x10000) {
            putUnit(0xD800 + ((cp - 0x10000) >> 10));
            putUnit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            putUnit(cp);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The parser. A line ends at CR LF, LF or a lone CR. After trimming, a line that starts with '['
// and holds a ']' is a section header; its name runs to the last ']' (text after it is ignored).
// Any other non-blank line is an entry: the name runs to the first '=', the value follows it; a
// line without '=' is an entry without a value, which answers the default. Comments (';', '#')
// are entries like any other. Entries before the first header belong to the nameless section,
// which a caller reaches with "" - a later "[]" header is a second, unreachable section of that
// name, because the first of repeated sections wins and is the only one searched (its
// namesakes are not merged in). The first of repeated entries wins too.

struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    bool hasValue = false;
    std::string_view value;       // trimmed, cut at a NUL, quotes still on
    std::size_t keyBegin = 0;     // the key's line, line end excluded
    std::size_t keyEnd = 0;
    std::size_t appendAt = 0;     // after the section's last non-blank line and its line end
    bool appendNeedsBreak = false;  // that line is the file's last and has no line end
};

Location locate(std::string_view text, std::string_view section, std::string_view key) {
    section = trim(untilNul(section));
    key = trim(untilNul(key));
    Location found;
    bool inSection = section.empty();
    found.sectionFound = inSection;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lineBegin = pos;
        std::size_t lineEnd = text.find_first_of("\r\n", pos);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
            pos = lineEnd;
        } else {
            pos = lineEnd + ((text[lineEnd] == '\r' && lineEnd + 1 < text.size() && text[lineEnd + 1] == '\n') ? 2 : 1);
        }
        const std::string_view line = trim(text.substr(lineBegin, lineEnd - lineBegin));
        if (line.empty()) continue;

        const std::size_t close = line.front() == '[' ? line.rfind(']') : std::string_view::npos;
        if (close != std::string_view::npos) {
            if (inSection) break;  // the wanted section ended without the key
            if (!found.sectionFound && equalsIgnoringAsciiCase(untilNul(trim(line.substr(1, close - 1))), section)) {
                inSection = true;
                found.sectionFound = true;
                found.appendAt = pos;
                found.appendNeedsBreak = pos == lineEnd;
            }
            continue;
        }
        if (!inSection) continue;

        found.appendAt = pos;
        found.appendNeedsBreak = pos == lineEnd;
        const std::size_t equals = line.find('=');
        if (equalsIgnoringAsciiCase(untilNul(trim(line.substr(0, equals))), key)) {
            found.keyFound = true;
            found.keyBegin = lineBegin;
            found.keyEnd = lineEnd;
            if (equals != std::string_view::npos) {
                found.hasValue = true;
                found.value = untilNul(trim(line.substr(equals + 1)));
            }
            break;
        }
    }
    return found;
}

}  // namespace

std::string_view untilNul(std::string_view text) { return text.substr(0, text.find('\0')); }

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool readValue(std::string raw, std::string_view section, std::string_view key, char* buffer, std::uint32_t capacity,
               std::uint32_t& count) {
    const FileText parsed = decode(std::move(raw));
    const Location found = locate(parsed.text, section, key);
    if (!found.keyFound || !found.hasValue) return false;
    count = copyEntry(found.value, buffer, capacity);
    return true;
}

std::uint32_t readDefault(std::string_view defaultValue, char* buffer, std::uint32_t capacity) {
    return copyEntry(prepareDefault(defaultValue), buffer, capacity);
}

std::string withEntry(const std::string& raw, std::string_view section, std::string_view key, std::string_view value) {
    const FileText parsed = decode(raw);
    const std::string_view body = parsed.text;
    const std::size_t firstBreak = body.find_first_of("\r\n");
    // Made in one go: GCC 12 at -O3 warns falsely about assigning to the string afterwards.
    const std::string lineEnd(firstBreak == std::string_view::npos
                                  ? std::string_view("\n")
                                  : body.substr(firstBreak, body.compare(firstBreak, 2, "\r\n") == 0 ? 2 : 1));
    const std::string entry = std::string(key) + "=" + std::string(value);

    const Location found = locate(body, section, key);
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string insert;
    if (found.keyFound) {
        begin = found.keyBegin;
        end = found.keyEnd;
        insert = entry;
    } else if (found.sectionFound) {
        begin = end = found.appendAt;
        insert = (found.appendNeedsBreak ? lineEnd : std::string()) + entry + lineEnd;
    } else {
        begin = end = body.size();
        const bool endsInBreak = body.empty() || body.back() == '\n' || body.back() == '\r';
        insert = (endsInBreak ? std::string() : lineEnd) + "[" + std::string(section) + "]" + lineEnd + entry + lineEnd;
    }
    const std::size_t rawBegin = rawOffset(parsed, raw, begin);
    const std::size_t rawEnd = rawOffset(parsed, raw, end);
    return raw.substr(0, rawBegin) + encodeFor(parsed, insert) + raw.substr(rawEnd);
}

}  // namespace tessiva::ini
