#pragma once
// The program's own command line on Windows: what follows the program's name in the line the
// host passed (GetCommandLineW), exactly as given. The name is skipped by the C runtime's
// rules: a name that starts with a quotation mark runs to the next one, any other name to
// the first space or tab; the blanks after it go too. Nothing else is touched: "/p 123" and
// "/p:123" reach Main as they were written.
#include <string>
#include <string_view>

namespace tessiva::win32 {

std::wstring argumentsAfterProgramName(std::wstring_view commandLine);

}  // namespace tessiva::win32
