#include "platform/windows/win32/win32_form_window.h"

#include <algorithm>
#include <cmath>

#include "platform/shared/form_life.h"
#include "platform/shared/form_rules.h"
#include "platform/windows/win32/resource_ids.h"
#include "platform/windows/com/text.h"
#include "platform/windows/win32/win32_forms.h"

namespace tessiva {
namespace {

constexpr DWORD kFramelessStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

int toPixels(double twips) { return twipsToPixels(twips, Win32Forms::pixelsPerTwip()); }
double toTwips(int pixels) { return pixelsToTwips(pixels, Win32Forms::pixelsPerTwip()); }

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

Status noSuchControl() { return Status::failure(Status::kInvalidArgument, "Win32: no such control"); }

}  // namespace

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
    HWND after = HWND_TOP;
    for (std::size_t i : tabOrder(m_definitions, [&](std::size_t i) { return m_controls[i] != nullptr; })) {
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
    return unlessGone(gone(), [&] {
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
    });
}

Status Win32FormWindow::moveTo(int x, int y, int width, int height) {
    return unlessGone(gone(), [&] {
        SetWindowPos(m_hwnd, nullptr, x, y, std::max(width, 1), std::max(height, 1), SWP_NOZORDER | SWP_NOACTIVATE);
        followScreenCover();
    });
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
    return unlessGone(gone(), [&]() -> Status {
        switch (state) {
        case 0:
            if (IsIconic(m_hwnd) || IsZoomed(m_hwnd)) ShowWindow(m_hwnd, SW_RESTORE);
            return Status::success();
        case 1: ShowWindow(m_hwnd, SW_MINIMIZE); return Status::success();
        case 2: ShowWindow(m_hwnd, SW_MAXIMIZE); return Status::success();
        default: return Status::failure(Status::kInvalidArgument, "Win32: invalid window state");
        }
    });
}

Status Win32FormWindow::setBorderStyle(std::int16_t style) {
    return unlessGone(gone(), [&]() -> Status {
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
    });
}

Status Win32FormWindow::setCaption(const std::string& caption) {
    return unlessGone(gone(), [&] {
        SetWindowTextW(m_hwnd, win32::wideFromUtf8(caption).c_str());
    });
}

PictureId Win32FormWindow::picture(ControlIndex index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_definitions.size()) return PictureId::None;
    return m_definitions[static_cast<std::size_t>(index)].picture;
}

Status Win32FormWindow::setPicture(PictureId picture) {
    return unlessGone(gone(), [&] {
        m_picture = picture;
        if (picture == PictureId::PreviewPicture && m_preview == nullptr) m_preview = loadPreview();
        InvalidateRect(m_hwnd, nullptr, TRUE);
    });
}

Status Win32FormWindow::setVisible(ControlIndex index, bool visible) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_definitions.size()) return noSuchControl();
    return unlessGone(gone(), [&] {
        if (HWND child = control(index)) ShowWindow(child, visible ? SW_SHOWNA : SW_HIDE);
    });
}

Status Win32FormWindow::setValue(ControlIndex index, std::int16_t value) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_definitions.size() ||
        m_definitions[static_cast<std::size_t>(index)].kind != ControlKind::CheckBox) {
        return noSuchControl();
    }
    if (const Status allowed = checkBoxValueAllowed(value); !allowed.ok()) return allowed;
    return unlessGone(gone(), [&] {
        m_values[static_cast<std::size_t>(index)] = value;
        SendMessageW(control(index), BM_SETCHECK, static_cast<WPARAM>(value), 0);
    });
}

std::int16_t Win32FormWindow::value(ControlIndex index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_values.size()) return 0;
    return m_values[static_cast<std::size_t>(index)];
}

}  // namespace tessiva
