#include "platform/x11/x_connection.h"

#include <X11/Xlib.h>

#include "platform/x11/x_errors.h"

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
    if (m_display == nullptr) return m_destroyed;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == m_watched) m_destroyed = true;
    }
    return m_destroyed;
}

}  // namespace tessiva
