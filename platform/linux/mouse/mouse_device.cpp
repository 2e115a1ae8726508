#include "platform/linux/mouse/mouse_device.h"

#include <utility>

#include "platform/shared/input_names.h"

namespace tessiva {
namespace {

constexpr std::int32_t kExclusive = 1;
constexpr std::int32_t kForeground = 4;
constexpr std::int32_t kNoWinKey = 16;

Status busy() { return Status::failure(MouseDevice::kAcquired, "Mouse: the mouse is acquired; that can't change now"); }

}  // namespace

MouseDevice::MouseDevice(std::shared_ptr<const EventTable> events) : m_events(std::move(events)) {}

MouseDevice::~MouseDevice() = default;

void MouseDevice::attach(std::shared_ptr<void> feed) { m_feed = std::move(feed); }

Status MouseDevice::setCommonDataFormat(std::int32_t format) {
    if (format != dinput::kDiFormatMouse) {
        return Status::failure(Status::kInvalidArgument, "Mouse: the mouse only speaks the mouse data format");
    }
    const std::lock_guard lock(m_mutex);
    if (m_acquired) return busy();
    m_formatSet = true;
    return Status::success();
}

Status MouseDevice::setCooperativeLevel(NativeHandle, std::int32_t flags) {
    const bool exclusive = (flags & kExclusive) != 0;
    const bool shared = (flags & dinput::kDisclNonExclusive) != 0;
    const bool foreground = (flags & kForeground) != 0;
    const bool background = (flags & dinput::kDisclBackground) != 0;
    const std::int32_t known = kExclusive | dinput::kDisclNonExclusive | kForeground | dinput::kDisclBackground | kNoWinKey;
    if (exclusive == shared || foreground == background || (flags & ~known) != 0) {
        return Status::failure(Status::kInvalidArgument, "Mouse: the mouse's cooperative level " + std::to_string(flags) + " is not valid");
    }
    if (exclusive) {
        return Status::failure(Status::kNotImplemented, "Mouse: the mouse can only be shared (kDisclNonExclusive), not taken exclusively");
    }
    const std::lock_guard lock(m_mutex);
    if (m_acquired) return busy();
    return Status::success();
}

Status MouseDevice::setProperty(const std::string& guid, const DiPropLong& property) {
    if (!sameName(guid, "DIPROP_BUFFERSIZE")) {
        return Status::failure(Status::kNotImplemented, "Mouse: the mouse has no property " + guid);
    }
    if (property.lHow != dinput::kDiphDevice || property.lObj != 0 || property.lData < 0) {
        return Status::failure(Status::kInvalidArgument, "Mouse: the buffer size is set for the whole device, to 0 or more");
    }
    const std::lock_guard lock(m_mutex);
    if (m_acquired) return busy();
    m_records.setCapacity(static_cast<std::size_t>(property.lData));
    return Status::success();
}

Status MouseDevice::setEventNotification(std::int32_t eventHandle) {
    DirectXEvent8* callback = nullptr;
    if (eventHandle != 0) {
        callback = m_events->find(eventHandle);
        if (callback == nullptr) {
            return Status::failure(Status::kInvalidArgument, "Mouse: " + std::to_string(eventHandle) + " is no event of ours");
        }
    }
    const std::lock_guard lock(m_mutex);
    if (m_acquired) return busy();
    m_eventHandle = eventHandle;
    m_callback = callback;
    return Status::success();
}

Status MouseDevice::acquire() {
    const std::lock_guard lock(m_mutex);
    if (!m_formatSet) {
        return Status::failure(Status::kInvalidArgument, "Mouse: the mouse needs its data format before it is acquired");
    }
    m_acquired = true;
    return Status::success();
}

Status MouseDevice::getDeviceData(std::span<DeviceObjectData> records, std::int32_t flags, std::int32_t& count) {
    count = 0;
    if ((flags & ~kPeek) != 0) {
        return Status::failure(Status::kInvalidArgument, "Mouse: unknown flags for reading the mouse's records");
    }
    const std::lock_guard lock(m_mutex);
    if (!m_acquired) return Status::failure(kNotAcquired, "Mouse: the mouse is not acquired");
    count = static_cast<std::int32_t>(m_records.take(records, flags == kPeek));
    return Status::success();
}

void MouseDevice::rawMotion(double dx, double dy, std::uint32_t time) {
    const std::lock_guard lock(m_mutex);
    if (m_acquired && m_records.appendMotion(dx, dy, time) > 0) m_unsignalled = true;
}

void MouseDevice::rawButton(int button, bool pressed, std::uint32_t time) {
    const std::lock_guard lock(m_mutex);
    if (m_acquired && m_records.appendButton(button, pressed, time) > 0) m_unsignalled = true;
}

void MouseDevice::rawBatchEnd() {
    DirectXEvent8* callback = nullptr;
    std::int32_t handle = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_unsignalled) return;
        m_unsignalled = false;
        callback = m_callback;
        handle = m_eventHandle;
    }
    if (callback == nullptr) return;
    // The last use of `this`: the callback may let go of the device.
    try {
        callback->DXCallback(handle);
    } catch (...) {
        // The program's callback swallows its own errors; whatever escapes stops here, on a
        // thread that has nowhere to take it.
    }
}

}  // namespace tessiva
