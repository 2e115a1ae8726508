#pragma once
// The program's own command line on Windows: what follows the program's name in the line the
// host passed (GetCommandLineW), exactly as given.
//
// Launchers don't quote: the idle launcher and the Display settings write "%s /s",
// "%s /p %u" and "%s /c:%u" with the saver's path as it is, spaces and all, and the Display
// settings keep the 8.3 short path. So a line that starts with one of the program's own
// spellings of its path (the module's file name, its long and its short form, in any letter
// case), followed by a blank or by nothing, loses that path. Any other line loses its first
// word by the C runtime's rules: a name that starts with a quotation mark runs to the next
// one, any other name to the first space or tab. The blanks after the name go too. Nothing
// else is touched: "/p 123" and "/p:123" reach Main as they were written.
#include <string>
#include <string_view>
#include <vector>

namespace tessiva::win32 {

std::wstring argumentsAfterProgramName(std::wstring_view commandLine, const std::vector<std::wstring>& programPaths = {});

// The full path of this program's file, as the module's file name gives it.
std::wstring moduleFileName();

// That path, and its long and short forms where the file system has them; each once.
std::vector<std::wstring> programPathSpellings();

}  // namespace tessiva::win32
