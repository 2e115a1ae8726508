#include "platform/win32/system_error.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/text.h"

namespace tessiva::win32 {

std::string systemMessage(std::uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) message = utf8FromWide(std::wstring_view(text, length));
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty()) message = "error " + std::to_string(code);
    return message;
}

std::string describe(const std::string& what, std::int32_t hresult) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(hresult)));
    return what + ": " + systemMessage(static_cast<std::uint32_t>(hresult)) + " (" + code + ")";
}

}  // namespace tessiva::win32
