#include "platform/linux/x11/xinput/xinput_mouse.h"

#include <utility>

#include "platform/linux/x11/xinput/event_table.h"
#include "platform/linux/x11/xinput/mouse_device.h"
#include "platform/shared/input_names.h"
#include "platform/linux/x11/xinput/raw_mouse_watcher.h"

namespace tessiva {
namespace {

// DIERR_DEVICENOTREG: no device answers to that GUID.
constexpr std::int32_t kDeviceNotRegistered = static_cast<std::int32_t>(0x80040154u);

class XDirectInput8 final : public DirectInput8 {
public:
    XDirectInput8(std::shared_ptr<const EventTable> events, XInputMouse::Feed feed)
        : m_events(std::move(events)), m_feed(std::move(feed)) {}

    Status createDevice(const std::string& guid, std::shared_ptr<DirectInputDevice8>& out) override try {
        if (!sameName(guid, "guid_SysMouse")) {
            return Status::failure(kDeviceNotRegistered, "X11: there is no input device " + guid + "; only guid_SysMouse");
        }
        auto device = std::make_shared<MouseDevice>(m_events);
        std::shared_ptr<void> feed;
        Status status = m_feed(*device, feed);
        if (!status.ok()) return status;
        device->attach(std::move(feed));
        out = std::move(device);
        return Status::success();
    } catch (...) {
        return Status::failure("X11: cannot make the mouse device");
    }

private:
    std::shared_ptr<const EventTable> m_events;
    XInputMouse::Feed m_feed;
};

class XDirectX8 final : public DirectX8 {
public:
    explicit XDirectX8(XInputMouse::Feed feed) : m_feed(std::move(feed)) {}

    Status directInputCreate(std::shared_ptr<DirectInput8>& out) override try {
        out = std::make_shared<XDirectInput8>(m_events, m_feed);
        return Status::success();
    } catch (...) {
        return Status::failure("X11: cannot make the input service");
    }

    Status createEvent(DirectXEvent8& callback, std::int32_t& handle) override try {
        handle = m_events->add(callback);
        return Status::success();
    } catch (...) {
        return Status::failure("X11: cannot make a notification event");
    }

private:
    XInputMouse::Feed m_feed;
    std::shared_ptr<EventTable> m_events = std::make_shared<EventTable>();
};

}  // namespace

XInputMouse::XInputMouse()
    : m_feed([](RawMouseListener& device, std::shared_ptr<void>& keep) {
          std::unique_ptr<RawMouseWatcher> watcher;
          Status status = RawMouseWatcher::start(device, watcher);
          keep = std::move(watcher);
          return status;
      }) {}

Status XInputMouse::createDirectX8(std::shared_ptr<DirectX8>& out) try {
    out = std::make_shared<XDirectX8>(m_feed);
    return Status::success();
} catch (...) {
    return Status::failure("X11: cannot make the DirectX8 object");
}

}  // namespace tessiva
