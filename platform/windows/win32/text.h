#pragma once
// Text at the Windows layer's edge. The seam speaks UTF-8; the wide calls take UTF-16, and the
// *A calls (ShellExecuteA) the ANSI code page.
//
// Facts relied on: MultiByteToWideChar and WideCharToMultiByte with a null output buffer
// answer the length needed; CP_ACP is the system's ANSI code page; a character that code
// page lacks becomes its default character ('?').
#include <string>
#include <string_view>

namespace tessiva::win32 {

std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
std::string ansiFromUtf8(std::string_view text);

}  // namespace tessiva::win32
