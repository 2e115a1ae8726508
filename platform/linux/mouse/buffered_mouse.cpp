#include "platform/linux/mouse/buffered_mouse.h"

#include <utility>

#include "platform/linux/mouse/event_table.h"
#include "platform/linux/mouse/mouse_device.h"
#include "platform/shared/input_names.h"

namespace tessiva {
namespace {

// DIERR_DEVICENOTREG: no device answers to that GUID.
constexpr std::int32_t kDeviceNotRegistered = static_cast<std::int32_t>(0x80040154u);

class BufferedDirectInput8 final : public DirectInput8 {
public:
    BufferedDirectInput8(std::shared_ptr<const EventTable> events, MouseFeed feed)
        : m_events(std::move(events)), m_feed(std::move(feed)) {}

    Status createDevice(const std::string& guid, std::shared_ptr<DirectInputDevice8>& out) override try {
        if (!sameName(guid, "guid_SysMouse")) {
            return Status::failure(kDeviceNotRegistered, "Mouse: there is no input device " + guid + "; only guid_SysMouse");
        }
        auto device = std::make_shared<MouseDevice>(m_events);
        std::shared_ptr<void> feed;
        Status status = m_feed(*device, feed);
        if (!status.ok()) return status;
        device->attach(std::move(feed));
        out = std::move(device);
        return Status::success();
    } catch (...) {
        return Status::failure("Mouse: cannot make the mouse device");
    }

private:
    std::shared_ptr<const EventTable> m_events;
    MouseFeed m_feed;
};

class BufferedDirectX8 final : public DirectX8 {
public:
    explicit BufferedDirectX8(MouseFeed feed) : m_feed(std::move(feed)) {}

    Status directInputCreate(std::shared_ptr<DirectInput8>& out) override try {
        out = std::make_shared<BufferedDirectInput8>(m_events, m_feed);
        return Status::success();
    } catch (...) {
        return Status::failure("Mouse: cannot make the input service");
    }

    Status createEvent(DirectXEvent8& callback, std::int32_t& handle) override try {
        handle = m_events->add(callback);
        return Status::success();
    } catch (...) {
        return Status::failure("Mouse: cannot make a notification event");
    }

private:
    MouseFeed m_feed;
    std::shared_ptr<EventTable> m_events = std::make_shared<EventTable>();
};

}  // namespace

Status BufferedMouse::createDirectX8(std::shared_ptr<DirectX8>& out) try {
    out = std::make_shared<BufferedDirectX8>(m_feed);
    return Status::success();
} catch (...) {
    return Status::failure("Mouse: cannot make the DirectX8 object");
}

}  // namespace tessiva
