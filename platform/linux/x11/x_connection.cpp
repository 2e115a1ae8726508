#include "platform/linux/x11/x_connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <chrono>
#include <thread>
#include <utility>

#include "platform/linux/x11/x_errors.h"

// Last: Xlibint.h, for the connection's resource mask, defines min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace tessiva {

using x11::refused;

XConnection::~XConnection() {
    if (m_display != nullptr) XCloseDisplay(m_display);
}

bool XConnection::open() {
    x11::installErrorHandler();
    m_display = XOpenDisplay(nullptr);
    return m_display != nullptr;
}

int XConnection::fd() const { return m_display != nullptr ? ConnectionNumber(m_display) : -1; }

bool XConnection::windowSize(unsigned long window, int& width, int& height) {
    if (m_display == nullptr || window == 0) return false;
    XWindowAttributes attributes{};
    Status status = 0;
    if (refused(m_display, [&] { status = XGetWindowAttributes(m_display, window, &attributes); }) || status == 0) {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool XConnection::waitUntilViewable(unsigned long window, int timeoutMs) {
    if (m_display == nullptr || window == 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        XWindowAttributes a{};
        Status status = 0;
        if (refused(m_display, [&] { status = XGetWindowAttributes(m_display, window, &a); }) || status == 0) return false;
        if (a.map_state == IsViewable) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool XConnection::rootPosition(unsigned long window, int& x, int& y) {
    if (m_display == nullptr || window == 0) return false;
    Window child = 0;
    Bool same = False;
    if (refused(m_display, [&] { same = XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child); })) {
        return false;
    }
    return same == True;
}

void XConnection::flush(Display* display) {
    if (display != nullptr) XFlush(display);
}

std::vector<PixelRect> XConnection::monitors() {
    std::vector<PixelRect> found;
    int event = 0, error = 0, major = 0, minor = 0;
    if (m_display == nullptr || !XRRQueryExtension(m_display, &event, &error) ||
        !XRRQueryVersion(m_display, &major, &minor) || major * 100 + minor < 105) {
        return found;
    }
    int count = 0;
    XRRMonitorInfo* list = nullptr;
    if (refused(m_display, [&] { list = XRRGetMonitors(m_display, DefaultRootWindow(m_display), True, &count); })) {
        return found;
    }
    for (int i = 0; i < count && list != nullptr; ++i) {
        found.push_back(PixelRect{list[i].x, list[i].y, list[i].width, list[i].height});
    }
    if (list != nullptr) XRRFreeMonitors(list);
    return found;
}

bool XConnection::mappedChildAt(unsigned long window, int x, int y) {
    if (m_display == nullptr || window == 0) return false;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    bool covered = false;
    if (refused(m_display, [&] { XQueryTree(m_display, window, &root, &parent, &children, &count); })) return false;
    for (unsigned int i = 0; i < count && !covered; ++i) {
        XWindowAttributes a{};
        if (refused(m_display, [&] { XGetWindowAttributes(m_display, children[i], &a); })) continue;
        covered = a.map_state == IsViewable && x >= a.x && y >= a.y && x < a.x + a.width && y < a.y + a.height;
    }
    if (children != nullptr) XFree(children);
    return covered;
}

bool XConnection::watchDestruction(unsigned long window) {
    if (m_display == nullptr || window == 0) return false;
    m_watched = window;
    m_destroyed = false;
    if (refused(m_display, [&] { XSelectInput(m_display, window, StructureNotifyMask); })) {
        m_destroyed = true;
        return false;
    }
    return true;
}

bool XConnection::watchedWindowDestroyed() {
    readEvents();
    return m_destroyed;
}

bool XConnection::watchScreen() {
    int error = 0;
    if (m_display == nullptr || !XRRQueryExtension(m_display, &m_randrEvents, &error)) return false;
    const Window root = DefaultRootWindow(m_display);
    return !refused(m_display, [&] {
        XSelectInput(m_display, root, StructureNotifyMask);
        XRRSelectInput(m_display, root, RRScreenChangeNotifyMask);
    });
}

bool XConnection::screenChanged() {
    readEvents();
    return std::exchange(m_screenChanged, false);
}

bool XConnection::watchFocus(unsigned long window) {
    if (m_display == nullptr || window == 0) return false;
    m_focusWatched = window;
    m_focusTaken = false;
    return !refused(m_display, [&] { XSelectInput(m_display, window, FocusChangeMask); });
}

bool XConnection::focusTakenByOther() {
    readEvents();
    return m_focusTaken;
}

// Made by the watched window's client (its covers, its boxes), or inside the watched window
// (a video window on a connection of its own).
bool XConnection::ours(unsigned long window) {
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

void XConnection::readEvents() {
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
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == m_watched) {
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
