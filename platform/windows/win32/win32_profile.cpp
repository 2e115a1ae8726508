#include "platform/windows/win32/win32_profile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/windows/com/hresult_text.h"
#include "platform/windows/win32/text.h"

namespace tessiva {

std::uint32_t Win32Profile::getPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& defaultValue, char* buffer,
                                                    std::uint32_t capacity, const std::string& file) {
    if (capacity == 0) return 0;
    // The answer comes in UTF-16 and goes back as UTF-8, which may be longer: read into a
    // buffer of our own and cut the UTF-8 text to the caller's room, between characters.
    std::vector<wchar_t> wide(capacity, L'\0');
    const DWORD count = GetPrivateProfileStringW(win32::wideFromUtf8(section).c_str(), win32::wideFromUtf8(key).c_str(),
                                                 win32::wideFromUtf8(defaultValue).c_str(), wide.data(), capacity,
                                                 win32::wideFromUtf8(file).c_str());
    std::string value = win32::utf8FromWide(std::wstring_view(wide.data(), std::min<std::size_t>(count, capacity - 1)));
    if (value.size() > capacity - 1) {
        std::size_t end = capacity - 1;
        while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
        value.resize(end);
    }
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
