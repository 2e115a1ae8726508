#pragma once
// The system mouse as a buffered input device: the data format, cooperative level, buffer
// size and notification event the program sets, the record buffer, and the signal to the
// program's callback after new records come in. Only an acquired device keeps records; it
// signals once per batch of raw events that made any, even when the buffer had no room for
// them (the mouse's state changed all the same).
//
// The feed's thread (XInput2's watcher on X11, the interface thread on Wayland) hands it
// events through MouseFeedListener and calls the program's callback from there; the program
// calls the rest from its interface thread and getDeviceData from either.
// The buffer lock is never held while the callback runs: the callback reads the buffer, and
// may end the process.
//
// The cooperative level is only checked: the mouse is always shared, and watched whether or
// not our window has the focus, so foreground behaves as background.
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "platform/input.h"
#include "platform/linux/mouse/event_table.h"
#include "platform/shared/mouse_records.h"
#include "platform/linux/mouse/mouse_feed.h"

namespace tessiva {

class MouseDevice final : public DirectInputDevice8, public MouseFeedListener {
public:
    // HRESULTs of the buffered mouse that Status has no name for.
    static constexpr std::int32_t kAcquired = static_cast<std::int32_t>(0x800700AAu);     // DIERR_ACQUIRED
    static constexpr std::int32_t kNotAcquired = static_cast<std::int32_t>(0x8007000Cu);  // DIERR_NOTACQUIRED
    static constexpr std::int32_t kPeek = 1;                                               // DIGDD_PEEK

    explicit MouseDevice(std::shared_ptr<const EventTable> events);
    ~MouseDevice() override;
    MouseDevice(const MouseDevice&) = delete;
    MouseDevice& operator=(const MouseDevice&) = delete;

    // Hands the device whatever feeds it (the XInput2 watcher, or Wayland's relative pointer);
    // it stops with the device.
    void attach(std::shared_ptr<void> feed);

    Status setCommonDataFormat(std::int32_t format) override;
    Status setCooperativeLevel(NativeHandle window, std::int32_t flags) override;
    Status setProperty(const std::string& guid, const DiPropLong& property) override;
    Status setEventNotification(std::int32_t eventHandle) override;
    Status acquire() override;
    Status getDeviceData(std::span<DeviceObjectData> records, std::int32_t flags, std::int32_t& count) override;

    void rawMotion(double dx, double dy, std::uint32_t time) override;
    void rawButton(int button, bool pressed, std::uint32_t time) override;
    void rawBatchEnd() override;

private:
    std::shared_ptr<const EventTable> m_events;

    std::mutex m_mutex;  // guards everything below but the feed
    MouseRecords m_records;
    bool m_formatSet = false;
    bool m_acquired = false;
    bool m_unsignalled = false;  // records came in since the callback was last called
    std::int32_t m_eventHandle = 0;
    DirectXEvent8* m_callback = nullptr;

    // Last, so that it stops before the rest goes.
    std::shared_ptr<void> m_feed;
};

}  // namespace tessiva
