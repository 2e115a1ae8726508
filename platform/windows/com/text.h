#pragma once
// Text at the Windows layers' edge, the one conversion they all use. The seam speaks UTF-8;
// the wide calls take UTF-16, and the *A calls (ShellExecuteA) the ANSI code page. Plain
// functions of any thread.
//
// Facts relied on: MultiByteToWideChar and WideCharToMultiByte take the length as an int, and
// with a null output buffer answer the length needed; without MB_ERR_INVALID_CHARS a byte
// that isn't UTF-8 becomes U+FFFD, with it the call fails; CP_ACP is the system's ANSI code
// page, and a character that code page lacks becomes its default character ('?').
#include <string>
#include <string_view>

#include "platform/status.h"

namespace tessiva::win32 {

// Bytes that aren't UTF-8 become U+FFFD.
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
std::string ansiFromUtf8(std::string_view text);

// For a name that must arrive whole (a file to open): refuses, with kInvalidArgument, text
// that isn't UTF-8, is longer than the calls can count, or holds a NUL, which would silently
// end it at the first wide call. The message says which ("... holds a NUL character").
Status exactWideFromUtf8(std::string_view text, std::wstring& out);

}  // namespace tessiva::win32
