// HRESULT text (see hresult_text.h).
//
// Facts relied on: the system's message table (FormatMessageW with FROM_SYSTEM) knows the COM
// and Win32 codes but not DirectShow's VFW_* codes, which quartz alone describes
// (AMGetErrorText, which mingw-w64 doesn't declare); so the codes a clip that won't play is
// likely to bring are named here.
#include "platform/windows/com/hresult_text.h"

#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <string_view>

#include "platform/windows/com/text.h"

namespace tessiva::win32 {
namespace {

struct KnownCode {
    HRESULT code;
    const char* text;
};

constexpr KnownCode kKnownCodes[] = {
    {E_NOTIMPL, "E_NOTIMPL: not implemented"},
    {E_NOINTERFACE, "E_NOINTERFACE: the graph doesn't offer this"},
    {E_INVALIDARG, "E_INVALIDARG: an argument is out of range"},
    {E_POINTER, "E_POINTER"},
    {E_FAIL, "E_FAIL"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED: COM is not initialised on this thread"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG: DirectShow's filter graph manager is not registered"},
    {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "the file does not exist"},
    {HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "the folder does not exist"},
    {HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "access is denied"},
    {VFW_E_CANNOT_RENDER, "VFW_E_CANNOT_RENDER: no combination of filters plays this stream"},
    {VFW_E_CANNOT_CONNECT, "VFW_E_CANNOT_CONNECT: no combination of filters connects these pins"},
    {VFW_E_UNKNOWN_FILE_TYPE, "VFW_E_UNKNOWN_FILE_TYPE: the file's type is not recognised"},
    {VFW_E_UNSUPPORTED_STREAM, "VFW_E_UNSUPPORTED_STREAM: the file's format is not supported"},
    {VFW_E_INVALID_FILE_FORMAT, "VFW_E_INVALID_FILE_FORMAT: the file is not in a valid format"},
    {VFW_E_CANNOT_LOAD_SOURCE_FILTER, "VFW_E_CANNOT_LOAD_SOURCE_FILTER: no source filter reads this file"},
    {VFW_E_NOT_FOUND, "VFW_E_NOT_FOUND"},
    {VFW_E_NOT_CONNECTED, "VFW_E_NOT_CONNECTED: the graph holds no connected renderer"},
    {VFW_E_NO_INTERFACE, "VFW_E_NO_INTERFACE: no filter in the graph offers this"},
};

// The system's words for a code, in UTF-8 without the line break and full stop it ends
// with; empty when the system has none.
std::string systemText(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr) text = utf8FromWide(std::wstring_view(buffer, length));
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

std::string hexCode(std::int32_t code) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
    return number;
}

}  // namespace

std::string systemMessage(std::uint32_t code) {
    std::string message = systemText(code);
    if (message.empty()) message = "error " + std::to_string(code);
    return message;
}

std::string describe(const std::string& what, std::int32_t hresult) {
    return what + ": " + systemMessage(static_cast<std::uint32_t>(hresult)) + " (" + hexCode(hresult) + ")";
}

std::string describeHresult(std::int32_t hr) {
    const std::string number = hexCode(hr);
    for (const KnownCode& known : kKnownCodes) {
        if (known.code == hr) return std::string(known.text) + " (" + number + ")";
    }
    const std::string text = systemText(static_cast<std::uint32_t>(hr));
    return text.empty() ? std::string(number) : text + " (" + number + ")";
}

}  // namespace tessiva::win32
