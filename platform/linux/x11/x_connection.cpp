#include "platform/linux/x11/x_connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <chrono>
#include <thread>

#include "platform/linux/x11/x_errors.h"

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

bool XConnection::rootGeometry(unsigned long window, PixelRect& rect) {
    int x = 0, y = 0, width = 0, height = 0;
    if (!rootPosition(window, x, y) || !windowSize(window, width, height)) return false;
    rect = PixelRect{x, y, width, height};
    return true;
}

void XConnection::flush(Display* display) {
    if (display != nullptr) XFlush(display);
}

void XConnection::sync(Display* display) {
    if (display != nullptr) XSync(display, False);
}

PixelRect XConnection::screen() {
    if (m_display == nullptr) return PixelRect{};
    return PixelRect{0, 0, DisplayWidth(m_display, DefaultScreen(m_display)), DisplayHeight(m_display, DefaultScreen(m_display))};
}

bool XConnection::passInputThrough(unsigned long window) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (m_display == nullptr || window == 0 || !XFixesQueryExtension(m_display, &event, &error) ||
        !XFixesQueryVersion(m_display, &major, &minor) || major < 2) {
        return false;
    }
    return !refused(m_display, [&] {
        const XserverRegion none = XFixesCreateRegion(m_display, nullptr, 0);
        XFixesSetWindowShapeRegion(m_display, window, ShapeInput, 0, 0, none);
        XFixesDestroyRegion(m_display, none);
    });
}

std::vector<PixelRect> XConnection::monitors(std::size_t* primary) {
    std::vector<PixelRect> found;
    if (primary != nullptr) *primary = 0;
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
        if (list[i].primary && primary != nullptr) *primary = found.size();
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

}  // namespace tessiva
