// DesktopWatch on Xlib and RandR (see desktop_watch.h).
#include "platform/linux/x11/desktop_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <utility>

#include "platform/linux/x11/x_errors.h"

// Last: Xlibint.h, for the connection's resource mask, defines min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace tessiva {

using x11::refused;

DesktopWatch::~DesktopWatch() {
    if (m_display != nullptr) XCloseDisplay(m_display);
}

bool DesktopWatch::open() {
    if (m_display != nullptr) return true;
    if (m_openFailed) return false;
    x11::installErrorHandler();
    m_display = XOpenDisplay(nullptr);
    m_openFailed = m_display == nullptr;
    return m_display != nullptr;
}

int DesktopWatch::fd() const { return m_display != nullptr ? ConnectionNumber(m_display) : -1; }

bool DesktopWatch::watchDestruction(unsigned long window) {
    if (window == 0 || !open()) return false;
    m_destructionWatched = window;
    m_destroyed = false;
    if (refused(m_display, [&] { XSelectInput(m_display, window, StructureNotifyMask); })) {
        m_destroyed = true;
        return false;
    }
    return true;
}

bool DesktopWatch::watchFocus(unsigned long window) {
    if (window == 0 || !open()) return false;
    m_focusWatched = window;
    m_focusTaken = false;
    return !refused(m_display, [&] { XSelectInput(m_display, window, FocusChangeMask); });
}

bool DesktopWatch::watchScreen() {
    int error = 0;
    if (!open() || !XRRQueryExtension(m_display, &m_randrEvents, &error)) return false;
    const Window root = DefaultRootWindow(m_display);
    return !refused(m_display, [&] {
        XSelectInput(m_display, root, StructureNotifyMask);
        XRRSelectInput(m_display, root, RRScreenChangeNotifyMask);
    });
}

bool DesktopWatch::destroyed() {
    readEvents();
    return m_destroyed;
}

bool DesktopWatch::focusTakenByOther() {
    readEvents();
    return m_focusTaken;
}

bool DesktopWatch::screenChanged() {
    readEvents();
    return std::exchange(m_screenChanged, false);
}

// Made by the watched window's client (its covers, its boxes), or inside the watched window
// (a video window on a connection of its own).
bool DesktopWatch::ours(unsigned long window) {
    const XID clientBits = ~m_display->resource_mask;
    if ((window & clientBits) == (m_focusWatched & clientBits)) return true;
    const Window root = DefaultRootWindow(m_display);
    for (Window at = window; at != 0 && at != root;) {
        if (at == m_focusWatched) return true;
        Window rootOfTree = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(m_display, at, &rootOfTree, &parent, &children, &count) == 0) return false;
        if (children != nullptr) XFree(children);
        at = parent;
    }
    return false;
}

void DesktopWatch::readEvents() {
    if (m_display == nullptr) return;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == FocusOut && event.xfocus.window == m_focusWatched && event.xfocus.mode == NotifyNormal) {
            // None or PointerRoot send the keys nowhere, or to the window under the pointer:
            // the saver's, over the whole screen.
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(m_display, &focus, &revert);
            if (focus != None && focus != PointerRoot && !ours(focus)) m_focusTaken = true;
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == m_destructionWatched) {
            m_destroyed = true;
        } else if (event.type == ConfigureNotify && event.xconfigure.window == DefaultRootWindow(m_display)) {
            m_screenChanged = true;
        } else if (m_randrEvents >= 0 && event.type == m_randrEvents + RRScreenChangeNotify) {
            XRRUpdateConfiguration(&event);
            m_screenChanged = true;
        }
    }
}

}  // namespace tessiva
