// Another program that takes the foreground while the saver plays, as a topmost window of an
// installer or a chat would, and records what is typed into it.
//   foreground_taker.exe take       a topmost window titled "Taker" that takes the foreground;
//                                   prints "typed TEXT" once three characters came, and ends
//                                   (status 1 after 20 s without them)
//   foreground_taker.exe activate   makes the saver's own window the foreground one again;
//                                   prints "activated" when it is
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring typed;

LRESULT CALLBACK takerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        typed += static_cast<wchar_t>(wParam);
        if (typed.size() == 3) {
            std::printf("typed %ls\n", typed.c_str());
            std::fflush(stdout);
            PostQuitMessage(0);
        }
        return 0;
    }
    if (message == WM_TIMER) PostQuitMessage(1);
    return DefWindowProcW(window, message, wParam, lParam);
}

int take() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = takerProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"TessivaTestTaker";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Taker", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  100, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 2;
    SetForegroundWindow(window);
    SetTimer(window, 1, 20000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int activate() {
    HWND saver = FindWindowW(L"TessivaForm", nullptr);
    if (saver == nullptr) return 2;
    for (int i = 0; i < 50 && GetForegroundWindow() != saver; ++i) {
        SetForegroundWindow(saver);
        Sleep(100);
    }
    if (GetForegroundWindow() != saver) return 3;
    std::printf("activated\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc == 2 ? argv[1] : L"";
    if (mode == L"take") return take();
    if (mode == L"activate") return activate();
    return 2;
}
