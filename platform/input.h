#pragma once
// The buffered input framework as the program sees it, shaped after the DirectX 8 object
// model's DirectInput 8 mouse: a root object that makes the input service and notification
// events, a device with a data format, a cooperative level, a record buffer and event
// notification. Every call answers a Status.
//
// What every input layer guarantees, beyond the signatures:
// - Threads. Setup calls come from the interface thread. The layer calls the callback of an
//   event on a thread of its own (XInput2: a reader of its own X connection; Win32: a thread
//   that waits on the event), and getDeviceData may be called from that thread. The callback
//   may end the process from there (Forms::endProgram).
// - Lifetime. Nothing here is ever torn down: the program never unacquires the device or
//   withdraws a notification, and the objects it holds, with the callback object, live until
//   the process ends (startup/run_program.h). A layer needs no stop operation, and must not
//   join or stop its notification thread in a destructor that could run while the program
//   is alive.
// - The background. With kDisclNonExclusive | kDisclBackground, records arrive whichever
//   window is in front, without taking the mouse from anybody.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/basic_types.h"
#include "platform/status.h"

namespace tessiva {

// One buffered record (DIDEVICEOBJECTDATA): five 32-bit fields.
struct DeviceObjectData {
    std::int32_t lOfs = 0;  // which part of the device: for the mouse format, see below
    std::int32_t lData = 0;
    std::int32_t lTimeStamp = 0;
    std::int32_t lSequence = 0;
    std::int32_t lUserData = 0;
};

namespace dinput {
inline constexpr std::int32_t kDiFormatMouse = 2;
inline constexpr std::int32_t kDisclNonExclusive = 2;
inline constexpr std::int32_t kDisclBackground = 8;
inline constexpr std::int32_t kDiphDevice = 0;
// Object offsets of the mouse format.
inline constexpr std::int32_t kDimofsX = 0;
inline constexpr std::int32_t kDimofsY = 4;
inline constexpr std::int32_t kDimofsZ = 8;
inline constexpr std::int32_t kDimofsButton0 = 12;
inline constexpr std::int32_t kDimofsButton1 = 13;
inline constexpr std::int32_t kDimofsButton2 = 14;
inline constexpr std::int32_t kDimofsButton3 = 15;
}  // namespace dinput

struct DiPropLong {
    std::int32_t lHow = dinput::kDiphDevice;
    std::int32_t lObj = 0;
    std::int32_t lData = 0;
};

// Implemented by the program; called when an event made by CreateEvent is signalled.
class DirectXEvent8 {
public:
    virtual ~DirectXEvent8() = default;
    virtual void DXCallback(std::int32_t eventid) = 0;
};

class DirectInputDevice8 {
public:
    virtual ~DirectInputDevice8() = default;
    virtual Status setCommonDataFormat(std::int32_t format) = 0;
    virtual Status setCooperativeLevel(NativeHandle window, std::int32_t flags) = 0;
    virtual Status setProperty(const std::string& guid, const DiPropLong& property) = 0;
    virtual Status setEventNotification(std::int32_t eventHandle) = 0;
    virtual Status acquire() = 0;
    // Moves up to records.size() records out of the buffer into records, oldest first;
    // count receives how many. Flags 0: the records leave the buffer.
    virtual Status getDeviceData(std::span<DeviceObjectData> records, std::int32_t flags, std::int32_t& count) = 0;
};

class DirectInput8 {
public:
    virtual ~DirectInput8() = default;
    virtual Status createDevice(const std::string& guid, std::shared_ptr<DirectInputDevice8>& out) = 0;
};

class DirectX8 {
public:
    virtual ~DirectX8() = default;
    virtual Status directInputCreate(std::shared_ptr<DirectInput8>& out) = 0;
    // An event whose signal calls callback.DXCallback(handle) on the framework's thread.
    virtual Status createEvent(DirectXEvent8& callback, std::int32_t& handle) = 0;
};

class Input {
public:
    virtual ~Input() = default;
    virtual Status createDirectX8(std::shared_ptr<DirectX8>& out) = 0;
};

}  // namespace tessiva
