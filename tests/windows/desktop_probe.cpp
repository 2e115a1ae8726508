// What the Windows desktop knows of a screensaver, for the installer's test; prints UTF-8.
//   desktop_probe.exe saver-active   1 or 0: whether Windows starts SCRNSAVE.EXE at all
//   desktop_probe.exe saver-off      switches it off, as choosing "(None)" does
//   desktop_probe.exe short PATH     the 8.3 short form of PATH (PATH itself when it has none)
//   desktop_probe.exe name FILE      "<string 1>|<ProductName>|<FileVersion>" of FILE, as the
//                                    Display settings and Explorer read them
//   desktop_probe.exe display W H    changes the screen's size, as the Display settings do
//   desktop_probe.exe checked TITLE TEXT
//                                    0, 1 or 2: the state of the check box TEXT in the shown
//                                    window TITLE (another process's), as the box itself says
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void print(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::printf("%s\n", bytes.c_str());
}

std::wstring versionString(const std::vector<char>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) return {};
    return static_cast<const wchar_t*>(value);
}

std::wstring names(const wchar_t* file) {
    std::wstring saverName;
    if (HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        wchar_t text[256] = {};
        if (LoadStringW(module, 1, text, 256) > 0) saverName = text;
        FreeLibrary(module);
    }
    std::vector<char> block(GetFileVersionInfoSizeW(file, nullptr));
    if (!block.empty() && !GetFileVersionInfoW(file, 0, static_cast<DWORD>(block.size()), block.data())) block.clear();
    if (block.empty()) return saverName + L"||";
    return saverName + L"|" + versionString(block, L"ProductName") + L"|" + versionString(block, L"FileVersion");
}

// The state of the check box TEXT in a shown top-level window TITLE of any process; -1 while
// there is none.
struct CheckSearch {
    const wchar_t* title;
    const wchar_t* text;
    int state;
};

BOOL CALLBACK searchWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<CheckSearch*>(parameter);
    wchar_t title[256] = {};
    if (!IsWindowVisible(window) || GetWindowTextW(window, title, 256) == 0 || std::wcscmp(title, search.title) != 0) {
        return TRUE;
    }
    const HWND box = FindWindowExW(window, nullptr, L"BUTTON", search.text);
    if (box == nullptr) return TRUE;
    search.state = static_cast<int>(SendMessageW(box, BM_GETCHECK, 0, 0));
    return FALSE;
}

int checkState(const wchar_t* title, const wchar_t* text) {
    CheckSearch search{title, text, -1};
    EnumWindows(searchWindow, reinterpret_cast<LPARAM>(&search));
    return search.state;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    if (command == L"saver-active" && argc == 2) {
        BOOL active = FALSE;
        if (!SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) return 1;
        std::printf("%d\n", active ? 1 : 0);
    } else if (command == L"saver-off" && argc == 2) {
        if (!SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)) return 1;
    } else if (command == L"short" && argc == 3) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetShortPathNameW(argv[2], path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return 1;
        print(path);
    } else if (command == L"name" && argc == 3) {
        print(names(argv[2]));
    } else if (command == L"display" && argc == 4) {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(_wtoi(argv[2]));
        mode.dmPelsHeight = static_cast<DWORD>(_wtoi(argv[3]));
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL) return 1;
    } else if (command == L"checked" && argc == 4) {
        const int state = checkState(argv[2], argv[3]);
        if (state < 0) return 1;
        std::printf("%d\n", state);
    } else {
        return 2;
    }
    return 0;
}
