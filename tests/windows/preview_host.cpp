// A stand-in for the Display settings' preview: a window with a 152x112 client area that
// prints its handle, reports what became of the child the saver puts into it, and destroys
// itself after the number of seconds given, as the host does when the user moves on.
//   preview_host.exe SECONDS
// Prints "host <hwnd>", then "child <hwnd> parent <hwnd> child-style <0|1> size <w>x<h>
// foreground <hwnd>" once a child has come (or "child none"), then "destroyed".
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT_PTR kLookTimer = 1;
constexpr UINT_PTR kEndTimer = 2;
bool g_reported = false;

void report(HWND host) {
    HWND child = GetWindow(host, GW_CHILD);
    if (child == nullptr) {
        std::printf("child none\n");
    } else {
        RECT r{};
        GetClientRect(child, &r);
        const bool childStyle = (GetWindowLongW(child, GWL_STYLE) & WS_CHILD) != 0;
        std::printf("child %lld parent %lld child-style %d size %ldx%ld foreground %lld\n",
                    static_cast<long long>(reinterpret_cast<INT_PTR>(child)),
                    static_cast<long long>(reinterpret_cast<INT_PTR>(GetAncestor(child, GA_PARENT))), childStyle ? 1 : 0,
                    r.right - r.left, r.bottom - r.top,
                    static_cast<long long>(reinterpret_cast<INT_PTR>(GetForegroundWindow())));
    }
    std::fflush(stdout);
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kLookTimer && !g_reported && GetWindow(window, GW_CHILD) != nullptr) {
            Sleep(300);  // let the placement settle
            report(window);
            g_reported = true;
        } else if (wParam == kEndTimer) {
            if (!g_reported) report(window);
            g_reported = true;
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        std::printf("destroyed\n");
        std::fflush(stdout);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"TessivaPreviewHost";
    RegisterClassW(&windowClass);
    RECT outer{0, 0, 152, 112};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowW(L"TessivaPreviewHost", L"Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    SetForegroundWindow(host);
    std::printf("host %lld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(host)));
    std::fflush(stdout);
    SetTimer(host, kLookTimer, 100, nullptr);
    SetTimer(host, kEndTimer, static_cast<UINT>(seconds * 1000), nullptr);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
