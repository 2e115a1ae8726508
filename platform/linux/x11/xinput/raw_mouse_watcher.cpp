// Facts relied on:
// - XInput 2.1 and later deliver raw events to the root window for every client that
//   selected them, even while another client grabs the pointer, but only to a client that
//   announced at least 2.1 in XIQueryVersion. We announce 2.2. XIQueryVersion fails without
//   a request when the server's XInput is older than 2.0.
// - Selected for XIAllMasterDevices, each raw event comes once (from the master, sourceid
//   naming the slave); XIAllDevices would bring it twice.
// - A raw event's valuator mask says which valuators it carries and raw_values holds just
//   those, in ascending order, unaccelerated. Valuators 0 and 1 are x and y; a relative
//   device reports deltas there, an absolute one (a tablet, a virtual machine's pointer)
//   positions. Button events carry the physical button in `detail`, before remapping.
// - XI2 events travel as GenericEvent: without the Generic Event Extension none arrive,
//   although XIQueryVersion still answers 2.x.
// - XPending() flushes, reads what the socket holds without blocking and answers the queue's
//   length; once it answers 0, poll() on the connection's fd is how to wait for more.
// - Xlib's default I/O error handler exits the process, and it is process-wide. When the
//   server goes away, poll() reports POLLHUP before any Xlib call would notice; from then on
//   the connection is left alone (even XCloseDisplay would run into that handler).
// - libX11 1.8 turns its thread support on by itself; the connection is used by one thread
//   at a time anyway: set up here, then the watcher's, then closed after the join.
#include "platform/linux/x11/xinput/raw_mouse_watcher.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
// Xlib's `#define Status int` would rename our Status class; nothing below needs Xlib's.
#undef Status

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace tessiva {

struct RawMouseWatcher::Connection {
    Display* display = nullptr;
    int opcode = 0;  // XInput's major opcode: the extension field of its GenericEvents
    int wake[2] = {-1, -1};
    std::atomic<bool> stop{false};
    // Set by the watcher thread; read after it has ended.
    bool lost = false;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (display != nullptr) {
            if (lost) {
                close(ConnectionNumber(display));
            } else {
                XCloseDisplay(display);
            }
        }
        for (const int fd : wake) {
            if (fd >= 0) close(fd);
        }
    }
};

namespace {

// How many events one batch reads at most before the program hears of them.
constexpr int kMaxBatch = 64;

// Reports one event if it is a raw mouse event of ours; says whether it was.
bool report(Display* display, int opcode, XEvent& event, MouseFeedListener& listener) {
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != opcode) return false;
    if (XGetEventData(display, &cookie) == 0) return false;
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    const auto time = static_cast<std::uint32_t>(raw->time);
    bool reported = true;
    switch (cookie.evtype) {
    case XI_RawMotion: {
        const auto mask = std::span<const unsigned char>(raw->valuators.mask, static_cast<std::size_t>(raw->valuators.mask_len));
        const auto [dx, dy] = rawMotionAxes(mask, raw->raw_values);
        listener.rawMotion(dx, dy, time);
        break;
    }
    case XI_RawButtonPress:
    case XI_RawButtonRelease:
        listener.rawButton(raw->detail, cookie.evtype == XI_RawButtonPress, time);
        break;
    default:
        reported = false;
        break;
    }
    XFreeEventData(display, &cookie);
    return reported;
}

void watch(RawMouseWatcher::Connection& connection, MouseFeedListener& listener) {
    Display* display = connection.display;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {connection.wake[0], POLLIN, 0}};
    while (!connection.stop) {
        int read = 0;
        bool reported = false;
        while (!connection.stop && read < kMaxBatch && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            ++read;
            if (report(display, connection.opcode, event, listener)) reported = true;
        }
        if (connection.stop) return;
        // The listener may let go of the device and with it this watcher: after this call
        // only the stop flag is looked at before leaving.
        if (reported) listener.rawBatchEnd();
        if (connection.stop || read == kMaxBatch) continue;

        fds[0].revents = 0;
        fds[1].revents = 0;
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) continue;  // woken to stop
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            connection.lost = true;
            return;
        }
    }
}

std::string versionText(int major, int minor) { return std::to_string(major) + "." + std::to_string(minor); }

}  // namespace

std::pair<double, double> rawMotionAxes(std::span<const unsigned char> mask, const double* values) {
    double axis[2] = {0.0, 0.0};
    for (std::size_t i = 0; i < 2 && i / 8 < mask.size(); ++i) {
        if ((mask[i / 8] & (1u << (i % 8))) != 0) axis[i] = *values++;
    }
    return {axis[0], axis[1]};
}

Status RawMouseWatcher::start(MouseFeedListener& listener, std::unique_ptr<RawMouseWatcher>& out) try {
    auto connection = std::make_shared<Connection>();
    connection->display = XOpenDisplay(nullptr);
    if (connection->display == nullptr) {
        return Status::failure(std::string("X11: cannot open the X display \"") + XDisplayName(nullptr) + "\"");
    }
    Display* display = connection->display;

    int firstEvent = 0;
    int firstError = 0;
    if (XQueryExtension(display, "XInputExtension", &connection->opcode, &firstEvent, &firstError) == 0) {
        return Status::failure("X11: the X server has no XInput2 extension");
    }
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2) {
        return Status::failure("X11: the X server has no XInput2 extension (its XInput is version " +
                               versionText(major, minor) + ")");
    }
    int unused[3] = {};
    if (XQueryExtension(display, "Generic Event Extension", &unused[0], &unused[1], &unused[2]) == 0) {
        return Status::failure("X11: the X server's XInput2 can deliver no events: it has no Generic Event Extension");
    }

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawMotion);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);

    if (pipe2(connection->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return Status::failure("X11: cannot make the mouse watcher's wake-up pipe");
    }

    std::unique_ptr<RawMouseWatcher> watcher(new RawMouseWatcher(connection));
    // The thread holds the connection too, so that it outlives a watcher let go of from the
    // thread itself.
    watcher->m_thread = std::thread([connection, &listener] {
        try {
            watch(*connection, listener);
        } catch (...) {
            // Nothing leaves the thread; without it, the mouse just goes quiet.
        }
    });
    out = std::move(watcher);
    return Status::success();
} catch (...) {
    return Status::failure("X11: cannot start watching the mouse");
}

RawMouseWatcher::~RawMouseWatcher() {
    m_connection->stop = true;
    const char byte = 0;
    if (write(m_connection->wake[1], &byte, 1) < 0) {
        // A full pipe wakes the thread as well.
    }
    if (!m_thread.joinable()) return;
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();
    } else {
        m_thread.join();
    }
}

MouseFeed xinputMouseFeed() {
    return [](MouseFeedListener& device, std::shared_ptr<void>& keep) {
        std::unique_ptr<RawMouseWatcher> watcher;
        Status status = RawMouseWatcher::start(device, watcher);
        keep = std::move(watcher);
        return status;
    };
}

}  // namespace tessiva
