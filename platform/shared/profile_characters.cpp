// Counting a settings value in characters (see profile_characters.h).
#include "platform/shared/profile_characters.h"

namespace tessiva::profile_characters {
namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

// The bytes of the character that starts `text` (not empty): a whole well-formed sequence,
// or the one byte that starts none. Overlong forms, surrogates and code points past U+10FFFF
// are not well-formed.
std::size_t firstCharacterBytes(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // where the second byte must lie
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else return 1;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (text.size() < length) return 1;
    const auto second = static_cast<unsigned char>(text[1]);
    if (second < low || second > high) return 1;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[i]))) return 1;
    }
    return length;
}

std::uint32_t weight(std::size_t bytes) { return bytes == 4 ? 2 : 1; }

}  // namespace

std::uint32_t count(std::string_view text) {
    std::uint32_t characters = 0;
    while (!text.empty()) {
        const std::size_t bytes = firstCharacterBytes(text);
        characters += weight(bytes);
        text.remove_prefix(bytes);
    }
    return characters;
}

std::size_t bytesWithin(std::string_view text, std::uint32_t characters) {
    std::size_t taken = 0;
    while (taken < text.size()) {
        const std::size_t bytes = firstCharacterBytes(text.substr(taken));
        if (weight(bytes) > characters) break;
        characters -= weight(bytes);
        taken += bytes;
    }
    return taken;
}

}  // namespace tessiva::profile_characters
