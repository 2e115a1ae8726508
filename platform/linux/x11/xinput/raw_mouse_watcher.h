#pragma once
// A thread with an X connection of its own that watches the system mouse through XInput2 raw
// events and reports them, as plain numbers, to a listener on that thread: the buffered
// mouse's feed on X11. Grabs nothing. X's physical button numbers are the buffered mouse's.
// This header stays free of X's headers (they define Status, Bool, None... as macros); only
// raw_mouse_watcher.cpp includes them.
#include <cstdint>
#include <memory>
#include <span>
#include <thread>
#include <utility>

#include "platform/linux/mouse/mouse_feed.h"
#include "platform/status.h"

namespace tessiva {

// The x and y deltas of a raw motion event: `mask` says which valuators it carries and
// `values` holds just those, in ascending valuator order. 0 for an axis that isn't there.
std::pair<double, double> rawMotionAxes(std::span<const unsigned char> mask, const double* values);

// The buffered mouse's feed on X11: a watcher of its own for each device.
MouseFeed xinputMouseFeed();

class RawMouseWatcher {
public:
    // Opens the display named by DISPLAY, checks for XInput2 2.2, selects the raw mouse events
    // on the root window and starts the thread.
    static Status start(MouseFeedListener& listener, std::unique_ptr<RawMouseWatcher>& out);

    RawMouseWatcher(const RawMouseWatcher&) = delete;
    RawMouseWatcher& operator=(const RawMouseWatcher&) = delete;
    // Stops the thread and closes the connection. From the watcher's own thread (a callback
    // that lets go of the device) it can't wait for itself: the thread is told to stop, and
    // ends once the listener call it is in returns, without calling the listener again.
    ~RawMouseWatcher();

    struct Connection;  // the X side; defined in the .cpp

private:
    explicit RawMouseWatcher(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}

    std::shared_ptr<Connection> m_connection;
    std::thread m_thread;
};

}  // namespace tessiva
