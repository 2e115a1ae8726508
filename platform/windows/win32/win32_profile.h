#pragma once
// The settings file through the desktop's own private-profile functions (kernel32). The
// program's file names already use the backslash and the file system ignores case, so both
// spellings of the name reach one file without help.
//
// Facts relied on: GetPrivateProfileStringA copies at most size - 1 characters and a NUL,
// and answers the count copied; WritePrivateProfileStringA answers 0 when it could not store
// the entry, with the reason in GetLastError. Both take the ANSI code page.
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
