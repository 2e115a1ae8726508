#pragma once
// The X11 desktop's changes that concern the program, watched on a connection of their own
// so that no other query reads their events: a host's window destroyed or resized, the saver
// losing the screen or the keyboard, the screen changing its size or its monitors. Each watch
// starts when asked for; the connection opens with the first. The events are read in one
// place and kept as flags until asked for.
//
// The saver is lost, whatever the window manager, when
// - the keyboard focus goes to a window of another client: a new window, the desktop's
//   overview, a window manager's own window (i3's on an empty workspace);
// - its window is no longer viewable: unmapped, or its frame unmapped;
// - it is minimised (WM_STATE Iconic, _NET_WM_STATE_HIDDEN), or its desktop (_NET_WM_DESKTOP)
//   is no longer the current one (_NET_CURRENT_DESKTOP): another workspace shows.
// Each counts only once the saver had what it lost, the keyboard or the screen: a window
// manager takes a new window in, maps it and gives it the keyboard in its own time.
//
// Facts relied on:
// - A DestroyNotify for a window arrives only to clients that selected StructureNotifyMask
//   on it; selecting it on an id that names no window raises BadWindow, which tells us the
//   host is already gone.
// - FocusChangeMask may be selected by any number of clients on one window. A FocusOut comes
//   with mode NotifyNormal for a real change of focus; NotifyGrab when another client grabs
//   the keyboard (a window manager's key binding, a screenshot tool, a locker), which moves no
//   focus; NotifyWhileGrabbed for a change made while such a grab holds (a window manager's
//   shortcut that moves the focus). When the grab ends, the root window gets a focus event
//   with mode NotifyUngrab. XGetInputFocus answers where the focus is at any time.
// - A window manager that minimises a window or shows another workspace unmaps the window or
//   its frame, and changes WM_STATE, _NET_WM_STATE or the root's _NET_CURRENT_DESKTOP, each a
//   PropertyNotify to whoever selected PropertyChangeMask there.
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

    // Starts watching `window` for destruction and changes of its size; false when it doesn't
    // exist (already gone).
    bool watchDestruction(unsigned long window);
    // Starts watching whether the saver, `window`, is lost (above); false when it names no
    // window.
    bool watchSaver(unsigned long window);
    // Starts watching the screen for a change of its size or of its monitors; false without
    // RandR.
    bool watchScreen();

    // Each reads what came first. True once the watched window has been destroyed.
    bool destroyed();
    // True when the watched window changed its size since the last call.
    bool hostResized();
    // True once the saver was lost.
    bool saverLost();
    // True when the screen changed since the last call.
    bool screenChanged();

private:
    bool open();
    bool selectOnRoot(long mask);
    void readEvents();
    bool ours(unsigned long window);
    bool keyboardTaken();
    bool saverHidden();
    unsigned long atom(const char* name);

    Display* m_display = nullptr;
    bool m_openFailed = false;
    int m_randrEvents = -1;
    long m_rootMask = 0;
    unsigned long m_destructionWatched = 0;
    unsigned long m_saver = 0;
    bool m_saverShown = false;        // viewable on the current desktop once
    bool m_saverHadKeyboard = false;  // the keyboard's focus once
    // What came, until asked for.
    bool m_destroyed = false;
    bool m_hostResized = false;
    bool m_saverLost = false;
    bool m_screenChanged = false;
};

}  // namespace tessiva
