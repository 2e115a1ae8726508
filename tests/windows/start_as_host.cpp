// Starts a program the way the Display settings start a screensaver, with CreateProcess, and
// answers its exit code as Windows reports it (GetExitCodeProcess).
//   start_as_host.exe PROGRAM [ARGUMENTS...]
// Under Wine the Unix process behind a program that ends itself while GStreamer threads run
// can die of SIGSEGV after Windows has its exit code; a host sees only the exit code.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    for (int i = 2; i < argc; ++i) line += L" " + std::wstring(argv[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 4;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
