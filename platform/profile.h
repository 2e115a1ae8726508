#pragma once
// The desktop's private-profile (INI) functions as the settings procedures see them.
// Shaped after GetPrivateProfileStringA / WritePrivateProfileStringA. File names use the
// desktop's separator as the program writes it ("<dir>\Tessiva.ini"); a POSIX implementation
// maps the backslash to '/'. Implementations never throw.
//
// Text is UTF-8 here: file names, sections, keys and values. The Windows layer converts to
// UTF-16 for the wide functions and back; they read an ANSI file through the ANSI code page,
// so a file that the desktop's own tools wrote reads as they wrote it.
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace tessiva {

class Profile {
public:
    virtual ~Profile() = default;

    // Room the buffer needs for each character of the capacity: no character is longer in
    // UTF-8 (one outside the Basic Multilingual Plane takes four bytes and counts two).
    static constexpr std::uint32_t kBytesPerCharacter = 3;

    // Copies the value of `key` in `section` of `file`, or `defaultValue` when the file, the
    // section or the key is missing, into `buffer` and ends it with a NUL. At most
    // capacity - 1 characters are copied, counted as the desktop's wide functions count them
    // (UTF-16 code units), never cutting one in two; `buffer` holds kBytesPerCharacter bytes
    // for each character of the capacity. Returns the number of bytes copied, the NUL not
    // counted.
    virtual std::uint32_t getPrivateProfileString(const std::string& section, const std::string& key,
                                                  const std::string& defaultValue, char* buffer,
                                                  std::uint32_t capacity, const std::string& file) = 0;

    // Stores key=value in section of file, creating file, section and entry when missing and
    // leaving everything else as it was. A failure says why (the path and the system's reason).
    virtual Status writePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value, const std::string& file) = 0;

    // The file these functions reach for `file`, spelled as the desktop shows paths, for
    // messages that must tell a user which file is meant.
    virtual std::string fileName(const std::string& file) = 0;
};

}  // namespace tessiva
