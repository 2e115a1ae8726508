#pragma once
// Our own Xlib connection to the display, beside Qt's. Qt's xcb plugin swallows the X errors
// about windows that aren't its own and sends no event when a foreign window goes away, so
// questions about the preview host go through here.
//
// Facts relied on:
// - Xlib's default error handler exits the process; ours (x_errors.h) drops errors, and
//   counts one for a request only when it came on this connection, so a bad window id can
//   never kill us and an error elsewhere can't pass for a refused query.
// - A DestroyNotify for a window arrives only to clients that selected StructureNotifyMask
//   on it; selecting it on an id that names no window raises BadWindow, which tells us the
//   host is already gone.
// - Window geometry from the server is in device pixels.
// - FocusChangeMask may be selected by any number of clients on one window. A FocusOut comes
//   with mode NotifyNormal for a real change of focus, and NotifyGrab or NotifyWhileGrabbed
//   while another client grabs the keyboard (a window manager's key binding, a locker); by
//   then XGetInputFocus answers where the focus went.
// - A window's id carries the creating client's bits outside the connection's resource mask,
//   the same mask for every client of one server.
// - RandR 1.5 monitors are what desktops call monitors, virtual ones (xrandr --setmonitor)
//   included; an output's CRTC alone can hold several.
// - A new screen size (xrandr -s) sends RRScreenChangeNotify; adding or removing a monitor
//   with xrandr --setmonitor sends no RandR event at all, only a ConfigureNotify of the root
//   window (measured on Xvfb 21). Xlib's idea of the screen's size follows only through
//   XRRUpdateConfiguration.
// Interface thread only.
#include <cstdint>
#include <vector>

#include "platform/shared/video_placement.h"

using Display = struct _XDisplay;

namespace tessiva {

class XConnection {
public:
    XConnection() = default;
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    ~XConnection();

    // Opens the display named by DISPLAY; false when there is none.
    bool open();
    int fd() const;

    // The size of a window's client area in device pixels; false when the id names no window.
    bool windowSize(unsigned long window, int& width, int& height);

    // True when a mapped child window of `window` covers the point (x, y) of it.
    bool mappedChildAt(unsigned long window, int x, int y);

    // Waits, for at most `timeoutMs`, until the window is viewable: a window manager maps a
    // new top-level window only once it has taken it in and placed it. False on time-out or
    // when the id names no window.
    bool waitUntilViewable(unsigned long window, int timeoutMs);
    // Where the window's corner is on the root window; false when the id names no window.
    bool rootPosition(unsigned long window, int& x, int& y);
    // Sends what another connection (Qt's) has queued.
    static void flush(Display* display);

    // The monitors of the screen as RandR 1.5 lists them, in device pixels of the root
    // window; empty when the server has no RandR 1.5.
    std::vector<PixelRect> monitors();

    // Starts watching `window` for destruction; false when it doesn't exist (already gone).
    bool watchDestruction(unsigned long window);
    // Reads pending events; true once the watched window has been destroyed.
    bool watchedWindowDestroyed();

    // Starts watching `window` for losing the keyboard focus; false when it names no window.
    bool watchFocus(unsigned long window);
    // Reads pending events; true once the focus went from the watched window, in a change of
    // focus and not a grab, to a window of another client that isn't inside the watched one.
    bool focusTakenByOther();

    // Starts watching the screen for a change of its size or of its monitors; false without
    // RandR. A connection of its own keeps these events from being read by other queries.
    bool watchScreen();
    // Reads pending events; true when the screen changed since the last call.
    bool screenChanged();

private:
    void readEvents();
    bool ours(unsigned long window);

    Display* m_display = nullptr;
    unsigned long m_watched = 0;
    bool m_destroyed = false;
    int m_randrEvents = -1;
    bool m_screenChanged = false;
    unsigned long m_focusWatched = 0;
    bool m_focusTaken = false;
};

}  // namespace tessiva
