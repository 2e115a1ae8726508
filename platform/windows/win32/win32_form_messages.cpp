// Win32FormWindow's messages (see win32_form_window.h): its window class and the monitor
// covers' class, the window procedures, the routing of keys, clicks and moves to the handlers
// through the event boundary, and the black windows over the other monitors. The properties
// the program sets are in win32_form_window.cpp. Interface thread only.
#include <windowsx.h>

#include <cwchar>
#include <vector>

#include "platform/error_boundary.h"
#include "platform/shared/color.h"
#include "platform/shared/form_life.h"
#include "platform/shared/follow_screen.h"
#include "platform/shared/form_rules.h"
#include "platform/shared/cover_plan.h"
#include "platform/windows/com/hresult_text.h"
#include "platform/windows/win32/win32_form_window.h"
#include "platform/windows/win32/win32_forms.h"

namespace tessiva {
namespace {

const wchar_t* const kCoverClass = L"TessivaMonitorCover";
// Fires once the display's changes have settled.
constexpr UINT_PTR kScreenSettledTimer = 1;

double toTwips(int pixels) { return pixelsToTwips(pixels, Win32Forms::pixelsPerTwip()); }

std::int16_t shiftCode(WPARAM keys) {
    return tessiva::shiftCode((keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
}

std::int16_t buttonCode(WPARAM keys) {
    return tessiva::buttonCode((keys & MK_LBUTTON) != 0, (keys & MK_RBUTTON) != 0, (keys & MK_MBUTTON) != 0);
}

}  // namespace

const wchar_t* Win32FormWindow::className() { return L"TessivaForm"; }

void Win32FormWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &Win32FormWindow::windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = className();
    RegisterClassExW(&windowClass);

    WNDCLASSEXW coverClass{};
    coverClass.cbSize = sizeof coverClass;
    coverClass.lpfnWndProc = &Win32FormWindow::coverProcedure;
    coverClass.hInstance = instance;
    coverClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // hidden with the saver's count
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kCoverClass;
    RegisterClassExW(&coverClass);
}

void Win32FormWindow::controlClicked(ControlIndex index) {
    if (m_definitions[static_cast<std::size_t>(index)].kind == ControlKind::CheckBox) {
        std::int16_t& value = m_values[static_cast<std::size_t>(index)];
        value = value == 1 ? 0 : 1;
        SendMessageW(control(index), BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
    guarded(m_forms, [&] { m_events.Control_Click(index); });
}

void Win32FormWindow::forwardMouse(std::int16_t button, WPARAM wParam, POINT at, bool down) {
    // Under a run-time error report, input belongs to the report's box.
    if (m_forms.reportShowing()) return;
    const float x = static_cast<float>(toTwips(at.x));
    const float y = static_cast<float>(toTwips(at.y));
    const std::int16_t shift = shiftCode(wParam);
    if (down) {
        guarded(m_forms, [&] { m_events.Form_MouseDown(button, shift, x, y); });
    } else {
        guarded(m_forms, [&] { m_events.Form_MouseMove(buttonCode(wParam), shift, x, y); });
    }
}

LRESULT CALLBACK Win32FormWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT Win32FormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int index = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
        const UINT code = HIWORD(wParam);
        if (index >= 0 && static_cast<std::size_t>(index) < m_controls.size() &&
            (code == BN_CLICKED || code == STN_CLICKED)) {
            controlClicked(index);
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const int index = controlIndexOf(reinterpret_cast<HWND>(lParam));
        if (index < 0) break;
        HDC dc = reinterpret_cast<HDC>(wParam);
        const ControlDefinition& def = m_definitions[static_cast<std::size_t>(index)];
        if (def.foreColor) SetTextColor(dc, colorRefFromRgb(*def.foreColor));
        if (isDialog()) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        SetBkColor(dc, RGB(0, 0, 0));
        if (!def.foreColor) SetTextColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(m_black);
    }
    case WM_SETCURSOR: {
        const int index = controlIndexOf(reinterpret_cast<HWND>(wParam));
        if (index >= 0 && m_definitions[static_cast<std::size_t>(index)].mouseIcon == PictureId::HandPointer &&
            m_hand != nullptr) {
            SetCursor(m_hand);
            return TRUE;
        }
        break;
    }
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(m_hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, isDialog() ? GetSysColorBrush(COLOR_BTNFACE) : m_black);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(m_hwnd, &paint);
        if (m_picture == PictureId::PreviewPicture && m_preview != nullptr) {
            OLE_XSIZE_HIMETRIC width = 0;
            OLE_YSIZE_HIMETRIC height = 0;
            m_preview->get_Width(&width);
            m_preview->get_Height(&height);
            // HIMETRIC to pixels: the picture's own size, unscaled.
            const int pixelsWide = MulDiv(width, GetDeviceCaps(dc, LOGPIXELSX), 2540);
            const int pixelsHigh = MulDiv(height, GetDeviceCaps(dc, LOGPIXELSY), 2540);
            m_preview->Render(dc, 0, 0, pixelsWide, pixelsHigh, 0, height, width, -height, nullptr);
        }
        EndPaint(m_hwnd, &paint);
        return 0;
    }
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE: routeInput(m_hwnd, message, wParam, lParam); return 0;
    case WM_ACTIVATEAPP:
        // Windows' own savers end when another program takes the foreground from them:
        // whatever took it would get the keys typed at a screen that hides it. Only the saver
        // over the screen (the window that covers the monitors), and only once it has had the
        // foreground; activation among the program's own windows sends no WM_ACTIVATEAPP.
        if (wParam != FALSE) {
            m_hadForeground = true;
        } else if (m_followsScreen && m_hadForeground) {
            m_forms.endProgram();
        }
        break;
    case WM_DISPLAYCHANGE:
        // A new screen size or a monitor more or less. Windows may send several in a row:
        // the window follows once they have settled.
        if (m_followsScreen) SetTimer(m_hwnd, kScreenSettledTimer, 150, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam != kScreenSettledTimer) break;
        KillTimer(m_hwnd, kScreenSettledTimer);
        if (!gone()) coverScreenAgain(m_forms, *this);
        return 0;
    case WM_CLOSE:
        // The window layer's close command unloads the form; the window itself stays.
        m_forms.unload();
        return 0;
    case WM_DESTROY:
        // Destroyed with its preview host: the desktop unloads the form.
        m_destroyed = true;
        m_forms.unload();
        return 0;
    default: break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

bool Win32FormWindow::routeInput(HWND from, UINT message, WPARAM wParam, LPARAM lParam) {
    // Places are measured from this window's corner, wherever the input came.
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (from != m_hwnd) MapWindowPoints(from, m_hwnd, &at, 1);
    switch (message) {
    case WM_CHAR: {
        if (m_forms.reportShowing()) return true;
        std::int16_t keyAscii = static_cast<std::int16_t>(wParam);
        guarded(m_forms, [&] { m_events.Form_KeyPress(keyAscii); });
        return true;
    }
    case WM_LBUTTONDOWN: forwardMouse(kLeftButton, wParam, at, true); return true;
    case WM_RBUTTONDOWN: forwardMouse(kRightButton, wParam, at, true); return true;
    case WM_MBUTTONDOWN: forwardMouse(kMiddleButton, wParam, at, true); return true;
    case WM_MOUSEMOVE: forwardMouse(0, wParam, at, false); return true;
    default: return false;
    }
}

namespace {

BOOL CALLBACK addMonitor(HMONITOR /*monitor*/, HDC /*dc*/, LPRECT area, LPARAM list) {
    reinterpret_cast<std::vector<PixelRect>*>(list)->push_back(
        PixelRect{area->left, area->top, area->right - area->left, area->bottom - area->top});
    return TRUE;
}

BOOL CALLBACK destroyCoverOf(HWND window, LPARAM form) {
    wchar_t name[64] = {};
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(form) && GetClassNameW(window, name, 64) > 0 &&
        std::wcscmp(name, kCoverClass) == 0) {
        DestroyWindow(window);
    }
    return TRUE;
}

}  // namespace

// The covers are the saver's owned windows of their class: the owner link is their list.
void Win32FormWindow::dropMonitorCovers() {
    EnumThreadWindows(GetCurrentThreadId(), &destroyCoverOf, reinterpret_cast<LPARAM>(m_hwnd));
}

Status Win32FormWindow::coverOtherMonitors() {
    return unlessGone(gone(), [&]() -> Status {
        m_followsScreen = true;
        dropMonitorCovers();
        std::vector<PixelRect> monitors;
        EnumDisplayMonitors(nullptr, nullptr, &addMonitor, reinterpret_cast<LPARAM>(&monitors));
        const PixelRect saver{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        for (const std::size_t index : coverPlan(monitors, saver)) {
            const PixelRect& monitor = monitors[index];
            // Owned by the saver's window: above it in the topmost band, gone with it, and no
            // button of its own on the taskbar.
            HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kCoverClass, L"", WS_POPUP,
                                         static_cast<int>(monitor.left), static_cast<int>(monitor.top),
                                         static_cast<int>(monitor.width), static_cast<int>(monitor.height), m_hwnd, nullptr,
                                         GetModuleHandleW(nullptr), this);
            if (cover == nullptr) {
                return Status::failure(win32::describe("Win32: CreateWindowEx (monitor cover)",
                                                       static_cast<std::int32_t>(HRESULT_FROM_WIN32(GetLastError()))));
            }
            ShowWindow(cover, SW_SHOWNOACTIVATE);
        }
        return Status::success();
    });
}

LRESULT CALLBACK Win32FormWindow::coverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Win32FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;  // the saver keeps the keyboard
    case WM_CLOSE: return 0;                      // only the saver's own end takes it away
    default:
        if (form != nullptr && !form->gone() && form->routeInput(window, message, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace tessiva
