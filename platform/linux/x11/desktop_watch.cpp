// DesktopWatch on Xlib and RandR (see desktop_watch.h).
#include "platform/linux/x11/desktop_watch.h"

#include <X11/Xatom.h>
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

bool DesktopWatch::watchSaver(unsigned long window) {
    if (window == 0 || !open()) return false;
    m_saver = window;
    m_saverLost = false;
    m_saverShown = false;
    m_saverHadKeyboard = false;
    if (refused(m_display, [&] { XSelectInput(m_display, window, FocusChangeMask | StructureNotifyMask | PropertyChangeMask); })) {
        return false;
    }
    // The end of another client's grab, and the current desktop, come on the root.
    (void)selectOnRoot(FocusChangeMask | PropertyChangeMask);
    return true;
}

bool DesktopWatch::watchScreen() {
    int error = 0;
    if (!open() || !XRRQueryExtension(m_display, &m_randrEvents, &error)) return false;
    const Window root = DefaultRootWindow(m_display);
    return selectOnRoot(StructureNotifyMask) && !refused(m_display, [&] { XRRSelectInput(m_display, root, RRScreenChangeNotifyMask); });
}

// One mask per client and window: each watch adds its events to what the root has.
bool DesktopWatch::selectOnRoot(long mask) {
    m_rootMask |= mask;
    return !refused(m_display, [&] { XSelectInput(m_display, DefaultRootWindow(m_display), m_rootMask); });
}

bool DesktopWatch::destroyed() {
    readEvents();
    return m_destroyed;
}

bool DesktopWatch::hostResized() {
    readEvents();
    return std::exchange(m_hostResized, false);
}

bool DesktopWatch::saverLost() {
    readEvents();
    return m_saverLost;
}

bool DesktopWatch::screenChanged() {
    readEvents();
    return std::exchange(m_screenChanged, false);
}

// Made by the watched window's client (its covers, its boxes), or inside the watched window
// (a video window on a connection of its own).
bool DesktopWatch::ours(unsigned long window) {
    const XID clientBits = ~m_display->resource_mask;
    if ((window & clientBits) == (m_saver & clientBits)) return true;
    const Window root = DefaultRootWindow(m_display);
    for (Window at = window; at != 0 && at != root;) {
        if (at == m_saver) return true;
        Window rootOfTree = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(m_display, at, &rootOfTree, &parent, &children, &count) == 0) return false;
        if (children != nullptr) XFree(children);
        at = parent;
    }
    return false;
}

unsigned long DesktopWatch::atom(const char* name) { return XInternAtom(m_display, name, False); }

// Taken from the saver, once it had it: a window manager gives a new window the keyboard in
// its own time. None or PointerRoot send the keys nowhere, or to the window under the
// pointer: the saver's, over the whole screen.
bool DesktopWatch::keyboardTaken() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    if (focus == None || focus == PointerRoot) return false;
    if (ours(focus)) {
        m_saverHadKeyboard = true;
        return false;
    }
    return m_saverHadKeyboard;
}

bool DesktopWatch::saverHidden() {
    bool hidden = false;
    XWindowAttributes attributes{};
    if (refused(m_display, [&] { XGetWindowAttributes(m_display, m_saver, &attributes); })) return m_saverShown;
    hidden = attributes.map_state != IsViewable;
    // A window property of `count` items of 32 bits, each handed to `each`.
    const auto property = [&](Window window, const char* name, Atom type, const auto& each) {
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool read = !refused(m_display, [&] {
            XGetWindowProperty(m_display, window, atom(name), 0, 64, False, type, &actualType, &format, &count, &after, &data);
        });
        if (read && data != nullptr && format == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            for (unsigned long i = 0; i < count; ++i) each(items[i]);
        }
        if (data != nullptr) XFree(data);
    };
    constexpr unsigned long kIconicState = 3, kAllDesktops = 0xFFFFFFFF, kNone = ~0UL;
    bool first = true;
    property(m_saver, "WM_STATE", atom("WM_STATE"), [&](unsigned long value) {
        if (first && value == kIconicState) hidden = true;
        first = false;
    });
    const Atom hiddenState = atom("_NET_WM_STATE_HIDDEN");
    property(m_saver, "_NET_WM_STATE", XA_ATOM, [&](unsigned long value) { hidden = hidden || value == hiddenState; });
    unsigned long desktop = kNone, current = kNone;
    property(m_saver, "_NET_WM_DESKTOP", XA_CARDINAL, [&](unsigned long value) { desktop = value; });
    property(DefaultRootWindow(m_display), "_NET_CURRENT_DESKTOP", XA_CARDINAL, [&](unsigned long value) { current = value; });
    hidden = hidden || (desktop != kNone && current != kNone && desktop != kAllDesktops && desktop != current);
    // A window manager maps a new window in its own time: the window's state counts once it
    // has shown.
    if (!hidden) m_saverShown = true;
    return hidden && m_saverShown;
}

void DesktopWatch::readEvents() {
    if (m_display == nullptr) return;
    bool lookAtSaver = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        const Window root = DefaultRootWindow(m_display);
        switch (event.type) {
        case FocusIn:
        case FocusOut:
            // Any change of the saver's focus, or a grab on the root that ended: where is the
            // keyboard now?
            if (m_saver != 0 && event.xfocus.window == m_saver) m_saverHadKeyboard = true;
            lookAtSaver = lookAtSaver || (m_saver != 0 && (event.xfocus.window == m_saver || event.xfocus.mode == NotifyUngrab));
            break;
        case UnmapNotify:
        case MapNotify:
        case PropertyNotify:
            lookAtSaver = lookAtSaver || (m_saver != 0 && (event.xany.window == m_saver || event.xany.window == root));
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == m_destructionWatched) m_destroyed = true;
            break;
        case ConfigureNotify:
            if (event.xconfigure.window == root) m_screenChanged = true;
            if (event.xconfigure.window == m_destructionWatched && event.xconfigure.event == m_destructionWatched) {
                m_hostResized = true;
            }
            break;
        default:
            if (m_randrEvents >= 0 && event.type == m_randrEvents + RRScreenChangeNotify) {
                XRRUpdateConfiguration(&event);
                m_screenChanged = true;
            }
        }
    }
    if (lookAtSaver && !m_saverLost) m_saverLost = keyboardTaken() || saverHidden();
}

}  // namespace tessiva
