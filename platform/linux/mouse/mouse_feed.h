#pragma once
// What feeds the buffered mouse: the desktop's own source of the pointer's raw movements and
// buttons, as plain numbers. On X11 that is XInput2's watcher thread (x11/xinput/), on
// Wayland the seat's relative pointer (wayland/relative_mouse.h), on the interface thread.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/status.h"

namespace tessiva {

// Called on the feed's own thread, one thread per feed. Nothing may throw out of these.
class MouseFeedListener {
public:
    virtual ~MouseFeedListener() = default;
    // The device's own, unaccelerated deltas; 0 for an axis the event doesn't carry.
    virtual void rawMotion(double dx, double dy, std::uint32_t time) = 0;
    // The buffered mouse's button numbers (mouse_records.h: 1 left, 2 middle, 3 right, 4 and
    // 5 the wheel, 8 and 9 the side buttons), before any left-handed remapping.
    virtual void rawButton(int button, bool pressed, std::uint32_t time) = 0;
    // After each run of events read together: the moment to tell the program.
    virtual void rawBatchEnd() = 0;
};

// Starts feeding a new device; `keep` holds the feed for the device's life, and letting go
// of it stops the feed. Fails, with the desktop's reason, when there is nothing to read.
using MouseFeed = std::function<Status(MouseFeedListener& device, std::shared_ptr<void>& keep)>;

}  // namespace tessiva
