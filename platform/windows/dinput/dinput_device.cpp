#include "platform/windows/dinput/dinput_device.h"

#include <windows.h>
#include <dinput.h>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "platform/shared/input_names.h"

namespace tessiva {
namespace {

Status failed(HRESULT hr, const std::string& what) {
    return Status::failure(static_cast<std::int32_t>(hr), "DirectInput: " + what);
}

}  // namespace

DInputDevice::DInputDevice(ComRef<IDirectInputDevice8W> device, std::shared_ptr<const NotificationEvents> events)
    : m_device(std::move(device)), m_events(std::move(events)) {}

DInputDevice::~DInputDevice() {
    // The device stops signalling before its event may close.
    m_device->Unacquire();
    m_device->SetEventNotification(nullptr);
    m_device.reset();
}

Status DInputDevice::setCommonDataFormat(std::int32_t format) {
    if (format != dinput::kDiFormatMouse) {
        return failed(DIERR_INVALIDPARAM, "the mouse only takes the mouse data format (2), not " + std::to_string(format));
    }
    const HRESULT hr = m_device->SetDataFormat(&c_dfDIMouse);
    return FAILED(hr) ? failed(hr, "the mouse refused the mouse data format (SetDataFormat)") : Status::success();
}

Status DInputDevice::setCooperativeLevel(NativeHandle window, std::int32_t flags) {
    const HRESULT hr = m_device->SetCooperativeLevel(reinterpret_cast<HWND>(window), static_cast<DWORD>(flags));
    return FAILED(hr) ? failed(hr, "the mouse refused the cooperative level " + std::to_string(flags) + " (SetCooperativeLevel)")
                      : Status::success();
}

Status DInputDevice::setProperty(const std::string& guid, const DiPropLong& property) {
    if (!sameName(guid, "DIPROP_BUFFERSIZE")) {
        return failed(DIERR_UNSUPPORTED, "the mouse has no property " + guid + " here; only DIPROP_BUFFERSIZE");
    }
    DIPROPDWORD value{};
    value.diph.dwSize = sizeof(DIPROPDWORD);
    value.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    value.diph.dwObj = static_cast<DWORD>(property.lObj);
    value.diph.dwHow = static_cast<DWORD>(property.lHow);
    value.dwData = static_cast<DWORD>(property.lData);
    const HRESULT hr = m_device->SetProperty(DIPROP_BUFFERSIZE, &value.diph);
    return FAILED(hr) ? failed(hr, "the mouse refused the buffer size " + std::to_string(property.lData) + " (SetProperty)")
                      : Status::success();
}

Status DInputDevice::setEventNotification(std::int32_t eventHandle) try {
    std::shared_ptr<void> event;
    if (eventHandle != 0) {
        event = m_events->find(eventHandle);
        if (!event) return failed(DIERR_INVALIDPARAM, std::to_string(eventHandle) + " is no event that CreateEvent made");
    }
    const HRESULT hr = m_device->SetEventNotification(static_cast<HANDLE>(event.get()));
    if (FAILED(hr)) return failed(hr, "the mouse refused the notification event (SetEventNotification)");
    // Only now may the event that was notified before close.
    m_notified = std::move(event);
    return Status::success();
} catch (...) {
    return Status::failure("DirectInput: cannot set the notification event");
}

Status DInputDevice::acquire() {
    POINT pointer{};
    const bool known = GetCursorPos(&pointer) != 0;
    m_pointerX = pointer.x;
    m_pointerY = pointer.y;
    m_awaitingFirstMove = known;
    const HRESULT hr = m_device->Acquire();
    return FAILED(hr) ? failed(hr, "cannot acquire the mouse (Acquire)") : Status::success();
}

Status DInputDevice::getDeviceData(std::span<DeviceObjectData> records, std::int32_t flags, std::int32_t& count) try {
    count = 0;
    const std::size_t room = std::min<std::size_t>(records.size(), std::numeric_limits<std::int32_t>::max());
    // Never a null array: DirectInput reads a null one as "count or flush, don't copy".
    std::vector<DIDEVICEOBJECTDATA> data(std::max<std::size_t>(room, 1));
    DWORD n = static_cast<DWORD>(room);
    const HRESULT hr = m_device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data.data(), &n, static_cast<DWORD>(flags));
    if (FAILED(hr)) return failed(hr, "cannot read the mouse's records (GetDeviceData)");
    n = std::min<DWORD>(n, static_cast<DWORD>(room));
    DWORD first = 0;
    if (m_awaitingFirstMove && n > 0) {
        // Wine's move from 0,0 to where the pointer is (see the header): X and Y, in front.
        bool x = false;
        bool y = false;
        while (first < n && first < 2) {
            const DIDEVICEOBJECTDATA& record = data[first];
            const auto value = static_cast<std::int32_t>(record.dwData);
            if (!x && record.dwOfs == DIMOFS_X && value == m_pointerX) {
                x = true;
            } else if (!y && record.dwOfs == DIMOFS_Y && value == m_pointerY) {
                y = true;
            } else {
                break;
            }
            ++first;
        }
        m_awaitingFirstMove = false;
    }
    for (DWORD i = first; i < n; ++i) {
        const DIDEVICEOBJECTDATA& from = data[i];
        DeviceObjectData& to = records[i - first];
        to.lOfs = static_cast<std::int32_t>(from.dwOfs);
        to.lData = static_cast<std::int32_t>(from.dwData);
        to.lTimeStamp = static_cast<std::int32_t>(from.dwTimeStamp);
        to.lSequence = static_cast<std::int32_t>(from.dwSequence);
        to.lUserData = static_cast<std::int32_t>(from.uAppData);
    }
    count = static_cast<std::int32_t>(n - first);
    return Status::success();  // DI_BUFFEROVERFLOW too: what was read is good
} catch (...) {
    return Status::failure("DirectInput: cannot read the mouse's records");
}

}  // namespace tessiva
