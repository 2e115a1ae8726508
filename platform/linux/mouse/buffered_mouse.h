#pragma once
// The buffered input framework on Linux: the system mouse as a device that keeps records,
// fed by whichever desktop the program runs on (mouse_feed.h). The device, its record rules
// and its notification events are the same on every desktop; only the feed differs.
//
// DirectInput8::createDevice starts a feed: it fails, with the feed's status, when the
// desktop has nothing to read (no display, or an X server without XInput2).
// Any number of these may live at once; each device has its own feed, which ends with it.
#include "platform/input.h"
#include "platform/linux/mouse/mouse_feed.h"

namespace tessiva {

class BufferedMouse final : public Input {
public:
    explicit BufferedMouse(MouseFeed feed) : m_feed(std::move(feed)) {}

    Status createDirectX8(std::shared_ptr<DirectX8>& out) override;

private:
    MouseFeed m_feed;
};

}  // namespace tessiva
