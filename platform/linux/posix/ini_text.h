#pragma once
// The INI text model behind PosixProfile: how a settings file's bytes read as sections and
// entries, and how an entry is set in them. Pure: bytes in, bytes or a copied value out, no
// file system, so it can be tested and fuzzed on its own. Every rule follows what the
// desktop's GetPrivateProfileStringA answers, with one deliberate difference: text is UTF-8,
// and a value is cut at the capacity in characters (platform/shared/profile_characters.h), as
// the desktop's wide functions cut it, never inside a character. Files with a UTF-16
// byte-order mark are read and written as UTF-16. Any thread; throws only std::bad_alloc.
#include <cstdint>
#include <string>
#include <string_view>

namespace tessiva::ini {

// Names and values are C strings to the desktop: a NUL byte ends them.
std::string_view untilNul(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Copies the value of `key` in `section` of the file `raw` into `buffer` as the desktop does
// (at most capacity - 1 characters, NUL-terminated; the buffer holds Profile::kBytesPerCharacter
// bytes a character) and sets `count` to the bytes copied; false when the file holds no such entry
// with a value, and the caller answers the default.
bool readValue(std::string raw, std::string_view section, std::string_view key, char* buffer, std::uint32_t capacity,
               std::uint32_t& count);
// Copies the default the way the desktop does: trailing spaces come off, but never the first
// character.
std::uint32_t readDefault(std::string_view defaultValue, char* buffer, std::uint32_t capacity);

// The file `raw` with `key`=`value` in `section`: the entry replaced where it is, or added at
// the end of its section, or a new section at the end, in the file's own line ends and
// encoding. Names and values hold no line break (the caller refuses those).
std::string withEntry(const std::string& raw, std::string_view section, std::string_view key, std::string_view value);

}  // namespace tessiva::ini
