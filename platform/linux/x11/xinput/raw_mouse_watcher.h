#pragma once
// A thread with an X connection of its own that watches the system mouse through XInput2 raw
// events and reports them, as plain numbers, to a listener on that thread. Grabs nothing.
// This header stays free of X's headers (they define Status, Bool, None... as macros); only
// raw_mouse_watcher.cpp includes them.
#include <cstdint>
#include <memory>
#include <span>
#include <thread>
#include <utility>

#include "platform/status.h"

namespace tessiva {

// Called on the watcher's thread only. Nothing may throw out of these.
class RawMouseListener {
public:
    virtual ~RawMouseListener() = default;
    // The device's own, unaccelerated deltas; 0 for an axis the event doesn't carry.
    virtual void rawMotion(double dx, double dy, std::uint32_t time) = 0;
    // X's physical button number, before any remapping.
    virtual void rawButton(int button, bool pressed, std::uint32_t time) = 0;
    // After each run of events read together: the moment to tell the program.
    virtual void rawBatchEnd() = 0;
};

// The x and y deltas of a raw motion event: `mask` says which valuators it carries and
// `values` holds just those, in ascending valuator order. 0 for an axis that isn't there.
std::pair<double, double> rawMotionAxes(std::span<const unsigned char> mask, const double* values);

class RawMouseWatcher {
public:
    // Opens the display named by DISPLAY, checks for XInput2 2.2, selects the raw mouse events
    // on the root window and starts the thread.
    static Status start(RawMouseListener& listener, std::unique_ptr<RawMouseWatcher>& out);

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
