#include "platform/win32/win32_form_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "platform/color.h"
#include "platform/error_boundary.h"
#include "platform/follow_screen.h"
#include "platform/monitor_cover.h"
#include "platform/runtime_error.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/system_error.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_forms.h"

namespace tessiva {
namespace {

constexpr int kFirstControlId = 100;
constexpr DWORD kFramelessStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

int toPixels(double twips) { return static_cast<int>(std::lround(twips * Win32Forms::pixelsPerTwip())); }
double toTwips(int pixels) { return pixels / Win32Forms::pixelsPerTwip(); }

HFONT makeFont(const std::string& name, double points, int weight, bool underline) {
    const double pixels = points * Win32Forms::pixelsPerTwip() * 20.0;  // 20 twips to a point
    return CreateFontW(-static_cast<int>(std::lround(pixels)), 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, win32::wideFromUtf8(name).c_str());
}

// The preview picture, decoded by the system's own picture loader from the JPEG stored whole
// in the resources.
IPicture* loadPreview() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(TESSIVA_PREVIEW_JPEG), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (found == nullptr) return nullptr;
    const DWORD size = SizeofResource(instance, found);
    const void* bytes = LockResource(LoadResource(instance, found));
    if (bytes == nullptr || size == 0) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) return nullptr;
    CopyMemory(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture)))) {
        picture = nullptr;
    }
    stream->Release();
    return picture;
}

std::int16_t shiftCode(WPARAM keys) {
    std::int16_t code = 0;
    if ((keys & MK_SHIFT) != 0) code |= 1;
    if ((keys & MK_CONTROL) != 0) code |= 2;
    if (GetKeyState(VK_MENU) < 0) code |= 4;
    return code;
}

std::int16_t buttonCode(WPARAM keys) {
    std::int16_t code = 0;
    if ((keys & MK_LBUTTON) != 0) code |= 1;
    if ((keys & MK_RBUTTON) != 0) code |= 2;
    if ((keys & MK_MBUTTON) != 0) code |= 4;
    return code;
}

Status noSuchControl() { return Status::failure(Status::kInvalidArgument, "Win32: no such control"); }

}  // namespace

const wchar_t* Win32FormWindow::className() { return L"TessivaForm"; }

const wchar_t* const kCoverClass = L"TessivaMonitorCover";
// Fires once the display's changes have settled.
constexpr UINT_PTR kScreenSettledTimer = 1;

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

Win32FormWindow::Win32FormWindow(Win32Forms& forms, const FormDefinition& definition, FormEvents& events)
    : m_forms(forms), m_events(events), m_definitions(definition.controls), m_borderStyle(definition.borderStyle) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_black = CreateSolidBrush(RGB(0, 0, 0));
    m_hand = LoadCursorW(instance, MAKEINTRESOURCEW(TESSIVA_HAND_CURSOR));
    m_icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TESSIVA_ICON), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    m_defaultFont = makeFont("Arial", 8.25, FW_NORMAL, false);

    // The client area has the definition's size; with no frame that is the outer size too.
    RECT outer{0, 0, toPixels(definition.clientWidth), toPixels(definition.clientHeight)};
    AdjustWindowRectEx(&outer, kFramelessStyle, FALSE, 0);
    m_hwnd = CreateWindowExW(0, className(), win32::wideFromUtf8(definition.caption).c_str(), kFramelessStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                             nullptr, instance, this);
    if (m_icon != nullptr) {
        SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    }
    buildControls(definition);
}

Win32FormWindow::~Win32FormWindow() {
    if (m_hwnd != nullptr && !m_destroyed) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
    for (HFONT font : m_fonts) {
        if (font != nullptr) DeleteObject(font);
    }
    if (m_defaultFont != nullptr) DeleteObject(m_defaultFont);
    if (m_black != nullptr) DeleteObject(m_black);
    if (m_preview != nullptr) m_preview->Release();
}

void Win32FormWindow::buildControls(const FormDefinition& definition) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_values.assign(definition.controls.size(), 0);
    m_fonts.assign(definition.controls.size(), nullptr);
    m_controls.assign(definition.controls.size(), nullptr);
    for (std::size_t i = 0; i < definition.controls.size(); ++i) {
        const ControlDefinition& def = definition.controls[i];
        m_values[i] = def.value;
        DWORD style = WS_CHILD | (def.visible ? WS_VISIBLE : 0);
        const wchar_t* kind = L"STATIC";
        switch (def.kind) {
        case ControlKind::CommandButton:
            // Neither button is the default: Enter does nothing by itself.
            kind = L"BUTTON";
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case ControlKind::CheckBox:
            // Three states for a stored "2", changed by hand so that a click only ticks or clears.
            kind = L"BUTTON";
            style |= BS_3STATE | WS_TABSTOP;
            break;
        case ControlKind::Label: style |= SS_LEFT | SS_NOTIFY; break;
        case ControlKind::Image: continue;  // never shown: it only holds the preview picture
        }
        const std::wstring caption = win32::wideFromUtf8(def.caption);
        HWND child = CreateWindowExW(0, kind, caption.c_str(), style, toPixels(def.left), toPixels(def.top),
                                     toPixels(def.width), toPixels(def.height), m_hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance,
                                     nullptr);
        if (def.font) m_fonts[i] = makeFont(def.font->name, def.font->points, def.font->weight, def.font->underline);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[i] != nullptr ? m_fonts[i] : m_defaultFont),
                     FALSE);
        if (def.kind == ControlKind::CheckBox) SendMessageW(child, BM_SETCHECK, static_cast<WPARAM>(def.value), 0);
        m_controls[i] = child;
    }
    // The tab order is the children's z-order: put them in it, lowest tab index first.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i] != nullptr && m_definitions[i].tabIndex >= 0) order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return m_definitions[a].tabIndex < m_definitions[b].tabIndex; });
    HWND after = HWND_TOP;
    for (std::size_t i : order) {
        SetWindowPos(m_controls[i], after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = m_controls[i];
    }
}

HWND Win32FormWindow::control(ControlIndex index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_controls.size()) return nullptr;
    return m_controls[static_cast<std::size_t>(index)];
}

int Win32FormWindow::controlIndexOf(HWND child) const {
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i] != nullptr && m_controls[i] == child) return static_cast<int>(i);
    }
    return -1;
}

// Once unloaded, or destroyed with its host, the window stays gone: calls do nothing.
bool Win32FormWindow::gone() const { return !m_forms.loaded() || m_destroyed; }

Status Win32FormWindow::show() {
    if (gone()) return Status::success();
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    if (isDialog()) {
        // The first control in the tab order that can take the focus starts with it.
        HWND first = GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
        SetFocus(first != nullptr ? first : m_hwnd);
    } else {
        SetFocus(m_hwnd);
    }
    followScreenCover();
    return Status::success();
}

Status Win32FormWindow::moveTo(int x, int y, int width, int height) {
    if (gone()) return Status::success();
    SetWindowPos(m_hwnd, nullptr, x, y, std::max(width, 1), std::max(height, 1), SWP_NOZORDER | SWP_NOACTIVATE);
    followScreenCover();
    return Status::success();
}

Status Win32FormWindow::setTop(double twips) {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return moveTo(r.left, toPixels(twips), r.right - r.left, r.bottom - r.top);
}

Status Win32FormWindow::setLeft(double twips) {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return moveTo(toPixels(twips), r.top, r.right - r.left, r.bottom - r.top);
}

Status Win32FormWindow::setWidth(double twips) {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return moveTo(r.left, r.top, toPixels(twips), r.bottom - r.top);
}

Status Win32FormWindow::setHeight(double twips) {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return moveTo(r.left, r.top, r.right - r.left, toPixels(twips));
}

// A frameless top-level window that covers the whole primary screen is the saver: above
// every other window, the taskbar included.
void Win32FormWindow::followScreenCover() {
    if (m_borderStyle != 0 || !IsWindowVisible(m_hwnd) || (GetWindowLongW(m_hwnd, GWL_STYLE) & WS_CHILD) != 0) return;
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    if (r.left != 0 || r.top != 0 || r.right != GetSystemMetrics(SM_CXSCREEN) || r.bottom != GetSystemMetrics(SM_CYSCREEN)) {
        return;
    }
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_hwnd);
}

double Win32FormWindow::scaleWidth() {
    RECT r{};
    GetClientRect(m_hwnd, &r);
    return toTwips(r.right - r.left);
}

double Win32FormWindow::scaleHeight() {
    RECT r{};
    GetClientRect(m_hwnd, &r);
    return toTwips(r.bottom - r.top);
}

Status Win32FormWindow::setWindowState(std::int16_t state) {
    if (gone()) return Status::success();
    switch (state) {
    case 0:
        if (IsIconic(m_hwnd) || IsZoomed(m_hwnd)) ShowWindow(m_hwnd, SW_RESTORE);
        return Status::success();
    case 1: ShowWindow(m_hwnd, SW_MINIMIZE); return Status::success();
    case 2: ShowWindow(m_hwnd, SW_MAXIMIZE); return Status::success();
    default: return Status::failure(Status::kInvalidArgument, "Win32: invalid window state");
    }
}

Status Win32FormWindow::setBorderStyle(std::int16_t style) {
    if (gone()) return Status::success();
    DWORD windowStyle = 0;
    switch (style) {
    case 0: windowStyle = kFramelessStyle; break;
    case 3: windowStyle = kDialogStyle; break;
    default: return Status::failure(Status::kInvalidArgument, "Win32: border style not supported");
    }
    // The client area keeps its size; the frame grows around it.
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const DWORD visible = GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongW(m_hwnd, GWL_STYLE, static_cast<LONG>(windowStyle | visible));
    SetWindowLongW(m_hwnd, GWL_EXSTYLE, style == 3 ? WS_EX_DLGMODALFRAME : 0);
    RECT outer = client;
    AdjustWindowRectEx(&outer, windowStyle, FALSE, style == 3 ? WS_EX_DLGMODALFRAME : 0);
    SetWindowPos(m_hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    m_borderStyle = style;
    InvalidateRect(m_hwnd, nullptr, TRUE);
    return Status::success();
}

Status Win32FormWindow::setCaption(const std::string& caption) {
    if (gone()) return Status::success();
    SetWindowTextW(m_hwnd, win32::wideFromUtf8(caption).c_str());
    return Status::success();
}

PictureId Win32FormWindow::picture(ControlIndex index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_definitions.size()) return PictureId::None;
    return m_definitions[static_cast<std::size_t>(index)].picture;
}

Status Win32FormWindow::setPicture(PictureId picture) {
    if (gone()) return Status::success();
    m_picture = picture;
    if (picture == PictureId::PreviewPicture && m_preview == nullptr) m_preview = loadPreview();
    InvalidateRect(m_hwnd, nullptr, TRUE);
    return Status::success();
}

Status Win32FormWindow::setVisible(ControlIndex index, bool visible) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_definitions.size()) return noSuchControl();
    if (gone()) return Status::success();
    if (HWND child = control(index)) ShowWindow(child, visible ? SW_SHOWNA : SW_HIDE);
    return Status::success();
}

Status Win32FormWindow::setValue(ControlIndex index, std::int16_t value) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_definitions.size() ||
        m_definitions[static_cast<std::size_t>(index)].kind != ControlKind::CheckBox) {
        return noSuchControl();
    }
    if (value < 0 || value > 2) {
        const RuntimeError refused = errors::invalidPropertyValue();
        return Status::failure(refused.number(), refused.description());
    }
    if (gone()) return Status::success();
    m_values[static_cast<std::size_t>(index)] = value;
    SendMessageW(control(index), BM_SETCHECK, static_cast<WPARAM>(value), 0);
    return Status::success();
}

std::int16_t Win32FormWindow::value(ControlIndex index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_values.size()) return 0;
    return m_values[static_cast<std::size_t>(index)];
}

bool Win32FormWindow::runUnloadHandler() {
    std::int16_t cancel = 0;
    guarded(m_forms, [&] { m_events.Form_Unload(cancel); });
    return cancel == 0;
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
    case WM_LBUTTONDOWN: forwardMouse(1, wParam, at, true); return true;
    case WM_RBUTTONDOWN: forwardMouse(2, wParam, at, true); return true;
    case WM_MBUTTONDOWN: forwardMouse(4, wParam, at, true); return true;
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
    if (gone()) return Status::success();
    m_followsScreen = true;
    dropMonitorCovers();
    std::vector<PixelRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &addMonitor, reinterpret_cast<LPARAM>(&monitors));
    const PixelRect saver{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (const PixelRect& monitor : monitorsToCover(monitors, saver)) {
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
