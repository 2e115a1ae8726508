#pragma once
// The X11 desktop's changes that concern the program, watched on a connection of their own
// so that no other query reads their events: a preview host's window destroyed, the saver's
// window losing the keyboard focus to another client, the screen changing its size or its
// monitors. Each watch starts when asked for; the connection opens with the first. The
// events are read in one place and kept as flags until asked for.
//
// Facts relied on:
// - A DestroyNotify for a window arrives only to clients that selected StructureNotifyMask
//   on it; selecting it on an id that names no window raises BadWindow, which tells us the
//   host is already gone.
// - FocusChangeMask may be selected by any number of clients on one window. A FocusOut comes
//   with mode NotifyNormal for a real change of focus, and NotifyGrab or NotifyWhileGrabbed
//   while another client grabs the keyboard (a window manager's key binding, a locker); by
//   then XGetInputFocus answers where the focus went.
// - A window's id carries the creating client's bits outside the connection's resource mask,
//   the same mask for every client of one server.
// - A new screen size (xrandr -s) sends RRScreenChangeNotify; adding or removing a monitor
//   with xrandr --setmonitor sends no RandR event at all, only a ConfigureNotify of the root
//   window (measured on Xvfb 21). Xlib's idea of the screen's size follows only through
//   XRRUpdateConfiguration.
// Interface thread only.
using Display = struct _XDisplay;

namespace tessiva {

class DesktopWatch {
public:
    DesktopWatch() = default;
    DesktopWatch(const DesktopWatch&) = delete;
    DesktopWatch& operator=(const DesktopWatch&) = delete;
    ~DesktopWatch();

    // The connection's descriptor, readable when events came; -1 before the first watch.
    int fd() const;

    // Starts watching `window` for destruction; false when it doesn't exist (already gone).
    bool watchDestruction(unsigned long window);
    // Starts watching `window` for losing the keyboard focus; false when it names no window.
    bool watchFocus(unsigned long window);
    // Starts watching the screen for a change of its size or of its monitors; false without
    // RandR.
    bool watchScreen();

    // Each reads what came first. True once the watched window has been destroyed.
    bool destroyed();
    // True once the focus went from the watched window, in a change of focus and not a grab,
    // to a window of another client that isn't inside the watched one.
    bool focusTakenByOther();
    // True when the screen changed since the last call.
    bool screenChanged();

private:
    bool open();
    void readEvents();
    bool ours(unsigned long window);

    Display* m_display = nullptr;
    bool m_openFailed = false;
    int m_randrEvents = -1;
    unsigned long m_destructionWatched = 0;
    unsigned long m_focusWatched = 0;
    // What came, until asked for.
    bool m_destroyed = false;
    bool m_focusTaken = false;
    bool m_screenChanged = false;
};

}  // namespace tessiva
