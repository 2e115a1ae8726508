// OverlayWindow on Xlib (see overlay_window.h for the contract and the X facts it rests on).
//
// X errors go through the program's one handler (platform/linux/x11/x_errors.h).
#include "platform/linux/x11/video/overlay_window.h"

#include <poll.h>

#include <cstdio>
#include <string>

// Xlib last: it defines Status (and None, Bool, ...) as macros. We name our own Status in this
// file, so the macro goes; Xlib's functions answer plain int.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Status

#include "platform/linux/x11/x_errors.h"

namespace tessiva {
namespace {

using x11::refused;

std::string hex(NativeHandle window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(window));
    return text;
}

}  // namespace

OverlayWindow::~OverlayWindow() { close(); }

void OverlayWindow::close() {
    if (m_display == nullptr) return;
    if (m_window != 0 && !m_gone) {
        (void)refused(m_display, [&] {
            if (m_owner != 0) XSelectInput(m_display, static_cast<Window>(m_owner), NoEventMask);
            XDestroyWindow(m_display, m_window);
        });
    }
    XCloseDisplay(m_display);
    m_display = nullptr;
    m_window = 0;
    m_placed = PixelRect{};
    m_mapped = false;
    m_gone = false;
}

Status OverlayWindow::open() {
    if (m_display != nullptr) return Status::success();
    // Installed before the sinks open their own connections, so that none of their errors
    // can end the process.
    x11::installErrorHandler();
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) return Status::failure("there is no X display to show it on");

    const int screen = DefaultScreen(m_display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(m_display, screen);
    // Nothing in it but the picture: no window manager decoration should it ever be mapped
    // while still a top-level window.
    attributes.override_redirect = True;
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    m_placed = placeVideo(m_request, DisplayWidth(m_display, screen), DisplayHeight(m_display, screen), m_fill);
    if (m_placed.empty()) m_placed = PixelRect{0, 0, 1, 1};
    m_window = XCreateWindow(m_display, RootWindow(m_display, screen), 0, 0, static_cast<unsigned>(m_placed.width),
                             static_cast<unsigned>(m_placed.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    XStoreName(m_display, m_window, "Tessiva video");
    XSync(m_display, False);
    if (m_window == 0) return Status::failure("cannot create the video window");

    // An owner named before the window existed is taken in now.
    const NativeHandle owner = m_owner;
    m_owner = 0;
    WindowChange ignored;
    if (owner != 0) (void)setOwner(owner, ignored);
    return Status::success();
}

Status OverlayWindow::setOwner(NativeHandle owner, WindowChange& change) {
    if (m_display == nullptr) {
        m_owner = owner;  // taken in by open()
        return Status::success();
    }
    if (owner == m_owner) {
        change |= apply();
        return Status::success();
    }
    if (m_gone) {
        m_owner = 0;
        if (owner == 0) return Status::success();
        return Status::failure("GStreamer: the video window went away with its previous owner");
    }

    // The old owner may be gone, and the window with it, before we have heard of it.
    (void)refused(m_display, [&] {
        if (m_mapped) XUnmapWindow(m_display, m_window);
        if (owner == 0) XReparentWindow(m_display, m_window, DefaultRootWindow(m_display), 0, 0);
    });
    m_mapped = false;
    forgetOwner();
    if (owner == 0) return Status::success();

    const Window parent = static_cast<Window>(owner);
    XWindowAttributes attributes{};
    int answered = 0;
    const bool failed = refused(m_display, [&] {
        answered = XGetWindowAttributes(m_display, parent, &attributes);
        if (answered != 0) {
            XSelectInput(m_display, parent, StructureNotifyMask);
            XReparentWindow(m_display, m_window, parent, 0, 0);
        }
    });
    if (failed || answered == 0) {
        (void)refused(m_display, [&] {
            XSelectInput(m_display, parent, NoEventMask);
            XReparentWindow(m_display, m_window, DefaultRootWindow(m_display), 0, 0);
        });
        return Status::failure(Status::kInvalidArgument, "GStreamer: " + hex(owner) + " is not a window to show the video in");
    }
    m_owner = owner;
    m_ownerWidth = attributes.width;
    m_ownerHeight = attributes.height;
    // Reparenting put the window at 0,0: make apply() move it wherever it belongs.
    m_placed.left = 0;
    m_placed.top = 0;
    change |= apply();
    return Status::success();
}

void OverlayWindow::forgetOwner() {
    if (m_owner == 0) return;
    (void)refused(m_display, [&] { XSelectInput(m_display, static_cast<Window>(m_owner), NoEventMask); });
    m_owner = 0;
}

WindowChange OverlayWindow::setVisible(bool visible) {
    m_visible = visible;
    return apply();
}

WindowChange OverlayWindow::setRequest(const PixelRect& request) {
    m_request = request;
    return apply();
}

WindowChange OverlayWindow::setFillOwner(bool fill) {
    m_fill = fill;
    return apply();
}

WindowChange OverlayWindow::apply() {
    WindowChange change;
    if (m_display == nullptr || m_gone) return change;

    int areaWidth = m_ownerWidth;
    int areaHeight = m_ownerHeight;
    if (m_owner == 0) {
        // Not shown anywhere yet: size it for the screen, where the program's window will be.
        const int screen = DefaultScreen(m_display);
        areaWidth = DisplayWidth(m_display, screen);
        areaHeight = DisplayHeight(m_display, screen);
    }
    const PixelRect place = placeVideo(m_request, areaWidth, areaHeight, m_fill);
    const bool show = m_visible && m_owner != 0 && !place.empty();

    if (!show && m_mapped) {
        XUnmapWindow(m_display, m_window);
        m_mapped = false;
    }
    // An empty placement keeps the last size: X has no empty windows, and it stays unmapped.
    if (!place.empty() && place != m_placed) {
        change.resized = place.width != m_placed.width || place.height != m_placed.height;
        XMoveResizeWindow(m_display, m_window, static_cast<int>(place.left), static_cast<int>(place.top),
                          static_cast<unsigned>(place.width), static_cast<unsigned>(place.height));
        m_placed = place;
        change.redraw = m_mapped;
    }
    if (show && !m_mapped) {
        XMapWindow(m_display, m_window);
        m_mapped = true;
        change.redraw = true;
    }
    // The sink redraws through its own connection, and the program asks about the window
    // through others: the server must have acted on these requests before either does.
    XSync(m_display, False);
    return change;
}

// The playback loop asks on every pass, and nearly always nothing came: XPending would read
// the socket (two recvmsg calls) each time; a poll of the connection answers in one call.
bool OverlayWindow::eventsWaiting() const {
    if (XEventsQueued(m_display, QueuedAlready) > 0) return true;
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    return ::poll(&connection, 1, 0) > 0;
}

int OverlayWindow::fd() const { return m_display != nullptr ? ConnectionNumber(m_display) : -1; }

bool OverlayWindow::eventsQueued() const { return m_display != nullptr && XEventsQueued(m_display, QueuedAlready) > 0; }

WindowChange OverlayWindow::pollEvents() {
    WindowChange change;
    if (m_display == nullptr || !eventsWaiting()) return change;
    bool ownerResized = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        switch (event.type) {
        case Expose:
            if (event.xexpose.window == m_window && event.xexpose.count == 0 && m_mapped) change.redraw = true;
            break;
        case ConfigureNotify:
            if (m_owner != 0 && event.xconfigure.window == static_cast<Window>(m_owner) &&
                (event.xconfigure.width != m_ownerWidth || event.xconfigure.height != m_ownerHeight)) {
                m_ownerWidth = event.xconfigure.width;
                m_ownerHeight = event.xconfigure.height;
                ownerResized = true;
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == m_window) {
                m_gone = true;
                m_mapped = false;
            } else if (m_owner != 0 && event.xdestroywindow.window == static_cast<Window>(m_owner)) {
                m_owner = 0;
            }
            break;
        default: break;
        }
    }
    if (ownerResized) change |= apply();
    return change;
}

}  // namespace tessiva
