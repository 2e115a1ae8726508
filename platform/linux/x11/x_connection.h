#pragma once
// Our own Xlib connection to the display, beside Qt's, for the questions Qt can't answer:
// the size of a preview host's window (Qt's xcb plugin swallows the X errors about windows
// that aren't its own), the native child under a point, where the window manager put a
// window, and the monitors RandR lists. It reads no events: the desktop's changes come on a
// connection of their own (desktop_watch.h). It also takes a window of Qt's out of the
// pointer's way (passInputThrough).
//
// Facts relied on:
// - Xlib's default error handler exits the process; ours (x_errors.h) drops errors, and
//   counts one for a request only when it came on this connection, so a bad window id can
//   never kill us and an error elsewhere can't pass for a refused query.
// - Window geometry from the server is in device pixels.
// - RandR 1.5 monitors are what desktops call monitors, virtual ones (xrandr --setmonitor)
//   included; an output's CRTC alone can hold several.
// - A window's input shape (XFixes 2) decides where the pointer is in it; with an empty one
//   the server looks past it and its children to the window below, for pointer events, the
//   cursor and a keyboard that follows the pointer alike. Any client may set it.
// Interface thread only.
#include <cstddef>
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
    // The window's place on the root window and its size; false when the id names no window.
    bool rootGeometry(unsigned long window, PixelRect& rect);
    // Sends what another connection (Qt's) has queued.
    static void flush(Display* display);
    // Sends it and waits until the server has done it.
    static void sync(Display* display);

    // The monitors of the screen as RandR 1.5 lists them, in device pixels of the root
    // window; empty when the server has no RandR 1.5. `primary`, when given, receives the
    // index of the primary one (0 when none is marked).
    std::vector<PixelRect> monitors(std::size_t* primary = nullptr);
    // The root window's size.
    PixelRect screen();

    // Gives the window an empty input shape: input over it goes to the window beneath, its
    // parent's. False when the server has no XFixes 2 or the id names no window.
    bool passInputThrough(unsigned long window);

private:
    Display* m_display = nullptr;
};

}  // namespace tessiva
