#pragma once
// The settings file through the desktop's own private-profile functions (kernel32). The
// program's file names already use the backslash and the file system ignores case, so both
// spellings of the name reach one file without help.
//
// The wide functions, so that a folder or a value outside the ANSI code page keeps its
// letters: a user's name in another script is the common case.
//
// Facts relied on:
// - GetPrivateProfileStringW copies at most size - 1 characters (UTF-16 code units, a pair
//   outside the BMP may be cut in two) and a NUL, and answers the count copied. It reads a
//   file that starts with a UTF-16LE byte-order mark as Unicode, and any other file through
//   the ANSI code page, as GetPrivateProfileStringA did.
// - WritePrivateProfileStringW keeps a Unicode file Unicode and an ANSI file ANSI when it
//   rewrites it, and answers 0 when it could not store the entry, with the reason in
//   GetLastError.
#include "platform/profile.h"

namespace tessiva {

class Win32Profile final : public Profile {
public:
    std::uint32_t getPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, char* buffer, std::uint32_t capacity,
                                          const std::string& file) override;
    Status writePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                     const std::string& file) override;
    std::string fileName(const std::string& file) override { return file; }
};

}  // namespace tessiva
