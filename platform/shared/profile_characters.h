#pragma once
// How long a settings value is: in characters, as the desktop's wide profile functions count
// them (UTF-16 code units), never in bytes of the UTF-8 that the seam speaks. A folder name in
// a script of three bytes a character fits as many characters as one in ASCII.
// - A well-formed UTF-8 sequence is one character; one of four bytes (outside the Basic
//   Multilingual Plane) counts two, as its surrogate pair does, and a cut never splits it.
// - A byte that starts no well-formed sequence (text that isn't UTF-8) is one character of
//   its own, as an ANSI code page would read it.
// So no character takes more than Profile::kBytesPerCharacter bytes. Pure; any thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessiva::profile_characters {

// The characters `text` holds.
std::uint32_t count(std::string_view text);
// The bytes of the longest start of `text` that holds at most `characters` characters.
std::size_t bytesWithin(std::string_view text, std::uint32_t characters);

}  // namespace tessiva::profile_characters
