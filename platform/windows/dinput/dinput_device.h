#pragma once
// The system mouse as DirectInput 8 gives it: each call of the seam is one call of the
// device's COM interface, with the seam's numbers turned into DirectInput's structures and
// back. Failures answer DirectInput's own HRESULT.
//
// Facts relied on (DirectInput 8):
// - The device's methods may be called from any thread; the program reads from the
//   notification thread while nothing else runs on the device.
// - GetDeviceData answers DI_BUFFEROVERFLOW, a success code, when records were lost because
//   the buffer was full; the records it hands out are still good.
// - A DIDEVICEOBJECTDATA of version 8 ends in a pointer-sized uAppData, so it is 24 bytes on
//   Win64 against the seam's 20: records are copied field by field, never as a block.
// - SetEventNotification keeps the bare handle, so the event stays open while this device
//   holds it.
// - Wine (8) keeps the buffer as a ring with one slot always free: a buffer size of 10 holds
//   9 records there (Windows documents the size as the number of records held). Records of
//   both axes of one move share a sequence number.
//
// - Wine (8) hands out, soon after Acquire, one move whose X and Y "deltas" are the pointer's
//   place on the screen: the first raw event, measured from 0,0. Nobody moved the mouse,
//   yet the saver would end at once. That move is dropped: the first X and Y records equal
//   to where the pointer was at Acquire, before any other record. A real first move of
//   exactly that size is as good as impossible.
//
// Letting go of it (tests only) unacquires the device and withdraws the notification first.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/windows/com/com_ref.h"
#include "platform/windows/dinput/notification_events.h"
#include "platform/input.h"

struct IDirectInputDevice8W;

namespace tessiva {

class DInputDevice final : public DirectInputDevice8 {
public:
    DInputDevice(ComRef<IDirectInputDevice8W> device, std::shared_ptr<const NotificationEvents> events);
    ~DInputDevice() override;
    DInputDevice(const DInputDevice&) = delete;
    DInputDevice& operator=(const DInputDevice&) = delete;

    Status setCommonDataFormat(std::int32_t format) override;
    Status setCooperativeLevel(NativeHandle window, std::int32_t flags) override;
    Status setProperty(const std::string& guid, const DiPropLong& property) override;
    Status setEventNotification(std::int32_t eventHandle) override;
    Status acquire() override;
    Status getDeviceData(std::span<DeviceObjectData> records, std::int32_t flags, std::int32_t& count) override;

private:
    ComRef<IDirectInputDevice8W> m_device;
    std::shared_ptr<const NotificationEvents> m_events;
    std::shared_ptr<void> m_notified;  // the event handle the device signals, or empty
    // Where the pointer was at Acquire, while Wine's move from 0,0 may still come.
    std::atomic<bool> m_awaitingFirstMove{false};
    std::atomic<std::int32_t> m_pointerX{0};
    std::atomic<std::int32_t> m_pointerY{0};
};

}  // namespace tessiva
