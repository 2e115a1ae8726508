#pragma once
// The buffered input framework on X11: the system mouse, watched through XInput2 raw events
// by a thread with an X connection of its own, so that it is seen whatever window has the
// pointer, and even while another client grabs it.
//
// DirectInput8::createDevice opens that connection: it fails, with a status that says why,
// when there is no display or the server has no XInput2.
// Any number of these may live at once; each device has its own thread and connection,
// which end with it.
#include <functional>
#include <memory>

#include "platform/input.h"

namespace tessiva {

class RawMouseListener;

class XInputMouse final : public Input {
public:
    // What starts feeding a new device: by default XInput2's watcher thread. Another desktop
    // (Wayland's relative pointer) hands its own; `keep` holds the feed for the device's life.
    using Feed = std::function<Status(RawMouseListener& device, std::shared_ptr<void>& keep)>;
    XInputMouse();
    explicit XInputMouse(Feed feed) : m_feed(std::move(feed)) {}

    Status createDirectX8(std::shared_ptr<DirectX8>& out) override;

private:
    Feed m_feed;
};

}  // namespace tessiva
