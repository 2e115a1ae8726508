#include "platform/windows/com/text.h"

#include <windows.h>

#include <climits>

namespace tessiva::win32 {
namespace {

bool countable(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

// Empty when the text is empty, or when the conversion fails (too long, or with
// MB_ERR_INVALID_CHARS a byte that isn't UTF-8).
std::wstring toWide(unsigned codePage, DWORD flags, std::string_view text) {
    if (text.empty() || !countable(text.size())) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
    return wide;
}

std::string fromWide(unsigned codePage, std::wstring_view text) {
    if (text.empty() || !countable(text.size())) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring wideFromUtf8(std::string_view text) { return toWide(CP_UTF8, 0, text); }
std::string utf8FromWide(std::wstring_view text) { return fromWide(CP_UTF8, text); }
std::string ansiFromUtf8(std::string_view text) { return fromWide(CP_ACP, toWide(CP_UTF8, 0, text)); }

Status exactWideFromUtf8(std::string_view text, std::wstring& out) {
    out.clear();
    if (text.find('\0') != std::string_view::npos) {
        return Status::failure(Status::kInvalidArgument, "holds a NUL character");
    }
    if (!countable(text.size())) return Status::failure(Status::kInvalidArgument, "is too long");
    out = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    if (out.empty() && !text.empty()) return Status::failure(Status::kInvalidArgument, "is not UTF-8");
    return Status::success();
}

}  // namespace tessiva::win32
