// Starts a program the way a screensaver launcher starts it, with CreateProcess, and answers
// its exit code as Windows reports it (GetExitCodeProcess).
//   start_as_host.exe PROGRAM [ARGUMENTS...]   the line "PROGRAM" ARGUMENTS, PROGRAM quoted
//   start_as_host.exe --line PROGRAM LINE      exactly LINE, as a launcher writes "%s /s"
// The program is always named apart from the line. Windows hands a child its line as it is;
// Wine's CreateProcessW(NULL, line) puts quotation marks around an unquoted path with spaces
// that it had to resolve, and would hide what a real launcher's line does.
// Under Wine the Unix process behind a program that ends itself while GStreamer threads run
// can die of SIGSEGV after Windows has its exit code; a host sees only the exit code.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    const bool exact = argc >= 2 && std::wstring(argv[1]) == L"--line";
    if (exact ? argc != 4 : argc < 2) return 2;
    const std::wstring program = argv[exact ? 2 : 1];
    std::wstring line = exact ? std::wstring(argv[3]) : L"\"" + program + L"\"";
    for (int i = 2; !exact && i < argc; ++i) line += L" " + std::wstring(argv[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 4;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
