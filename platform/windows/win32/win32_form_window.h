#pragma once
// Form1's window on Win32: a top-level window of our own class with the definition's
// controls as child windows (buttons, a check box, static labels that report clicks), and
// its events routed to the program's handlers through the event boundary. As the saver it
// also lays a black cover over each other monitor, whose input counts as its own, and covers
// the screen again when the display changes.
//
// Facts relied on:
// - A static control reports clicks (STN_CLICKED) only with SS_NOTIFY; it asks its parent
//   for its colours with WM_CTLCOLORSTATIC, as a check box does.
// - Child windows with WS_TABSTOP take the focus in their z-order under IsDialogMessage,
//   which the forms layer calls for the dialog only: in the saver it would take keys away
//   from WM_CHAR.
// - WM_SETCURSOR names the child under the pointer, so one handler gives the labels their
//   pointer.
// - A window whose parent is destroyed gets WM_DESTROY itself; that is how a preview learns
//   that its host has gone.
// - Keys over DirectShow's video window come as the WM_KEYDOWN it posts to its message
//   drain (this window); TranslateMessage in our loop makes the WM_CHAR from it.
// - WM_ACTIVATEAPP comes with wParam FALSE when a window of another thread becomes the
//   active one, never for a change among the thread's own windows.
// - EnumDisplayMonitors lists every monitor in virtual-screen coordinates, where the primary
//   monitor's corner is 0, 0. A window that answers WM_MOUSEACTIVATE with MA_NOACTIVATE
//   still gets the click, and the active window stays active.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "platform/forms.h"

namespace tessiva {

class Win32Forms;

class Win32FormWindow final : public FormWindow {
public:
    Win32FormWindow(Win32Forms& forms, const FormDefinition& definition, FormEvents& events);
    ~Win32FormWindow() override;
    Win32FormWindow(const Win32FormWindow&) = delete;
    Win32FormWindow& operator=(const Win32FormWindow&) = delete;

    Status show() override;
    NativeHandle hWnd() override { return reinterpret_cast<NativeHandle>(m_hwnd); }
    Status setTop(double twips) override;
    Status setLeft(double twips) override;
    Status setWidth(double twips) override;
    Status setHeight(double twips) override;
    double scaleWidth() override;
    double scaleHeight() override;
    Status setWindowState(std::int16_t state) override;
    Status setBorderStyle(std::int16_t style) override;
    Status setCaption(const std::string& caption) override;
    PictureId picture(ControlIndex control) override;
    Status setPicture(PictureId picture) override;
    Status setVisible(ControlIndex control, bool visible) override;
    Status setValue(ControlIndex control, std::int16_t value) override;
    std::int16_t value(ControlIndex control) override;
    Status coverOtherMonitors() override;

    HWND handle() const { return m_hwnd; }
    bool isDialog() const { return m_borderStyle == 3; }
    // Where its events go; the forms layer's FormLife runs Form_Unload there.
    FormEvents& events() { return m_events; }

    static const wchar_t* className();
    static void registerClass(HINSTANCE instance);

private:
    // Child windows are numbered from here, in the definition's order.
    static constexpr int kFirstControlId = 100;
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK coverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Keys, clicks and moves, from this window or from a cover (`from`); false for others.
    bool routeInput(HWND from, UINT message, WPARAM wParam, LPARAM lParam);
    void dropMonitorCovers();
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void buildControls(const FormDefinition& definition);
    void controlClicked(ControlIndex index);
    void forwardMouse(std::int16_t button, WPARAM wParam, POINT at, bool down);
    Status moveTo(int x, int y, int width, int height);
    void followScreenCover();
    int controlIndexOf(HWND child) const;
    HWND control(ControlIndex index) const;
    bool gone() const;

    Win32Forms& m_forms;
    FormEvents& m_events;
    std::vector<ControlDefinition> m_definitions;
    std::vector<HWND> m_controls;
    std::vector<HFONT> m_fonts;
    std::vector<std::int16_t> m_values;
    HWND m_hwnd = nullptr;
    HFONT m_defaultFont = nullptr;
    HBRUSH m_black = nullptr;
    HCURSOR m_hand = nullptr;
    HICON m_icon = nullptr;
    IPicture* m_preview = nullptr;
    PictureId m_picture = PictureId::None;
    std::int16_t m_borderStyle = 0;
    bool m_destroyed = false;
    // The saver's window covers the screen again whenever the display changes.
    bool m_followsScreen = false;
    // It has been the foreground program's window: losing that later ends the saver.
    bool m_hadForeground = false;
};

}  // namespace tessiva
