#include "platform/windows/win32/win32_profile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/windows/com/hresult_text.h"
#include "platform/windows/com/text.h"

namespace tessiva {

std::uint32_t Win32Profile::getPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& defaultValue, char* buffer,
                                                    std::uint32_t capacity, const std::string& file) {
    if (capacity == 0) return 0;
    // The wide function counts characters as the seam does (UTF-16 code units), so its cut is
    // the one the caller asked for; the caller's buffer has room for that many in UTF-8.
    std::vector<wchar_t> wide(capacity, L'\0');
    const DWORD count = GetPrivateProfileStringW(win32::wideFromUtf8(section).c_str(), win32::wideFromUtf8(key).c_str(),
                                                 win32::wideFromUtf8(defaultValue).c_str(), wide.data(), capacity,
                                                 win32::wideFromUtf8(file).c_str());
    std::size_t units = std::min<std::size_t>(count, capacity - 1);
    // A character outside the BMP that fitted only by half is left out whole, as the other
    // desktops' reader leaves it out.
    if (units > 0 && IS_HIGH_SURROGATE(wide[units - 1])) --units;
    const std::string value = win32::utf8FromWide(std::wstring_view(wide.data(), units));
    std::copy(value.begin(), value.end(), buffer);
    buffer[value.size()] = '\0';
    return static_cast<std::uint32_t>(value.size());
}

Status Win32Profile::writePrivateProfileString(const std::string& section, const std::string& key,
                                               const std::string& value, const std::string& file) {
    if (WritePrivateProfileStringW(win32::wideFromUtf8(section).c_str(), win32::wideFromUtf8(key).c_str(),
                                   win32::wideFromUtf8(value).c_str(), win32::wideFromUtf8(file).c_str()) != 0) {
        return Status::success();
    }
    const DWORD error = GetLastError();
    return Status::failure(static_cast<std::int32_t>(HRESULT_FROM_WIN32(error)),
                           "Could not save settings to " + file + ": " + win32::systemMessage(error));
}

}  // namespace tessiva
