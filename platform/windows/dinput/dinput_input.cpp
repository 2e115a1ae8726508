#include "platform/windows/dinput/dinput_input.h"

#include <windows.h>
#include <dinput.h>

#include <utility>

#include "platform/windows/com/com_ref.h"
#include "platform/windows/dinput/dinput_device.h"
#include "platform/shared/input_names.h"
#include "platform/windows/dinput/notification_events.h"

namespace tessiva {
namespace {

class DInputService final : public DirectInput8 {
public:
    DInputService(ComRef<IDirectInput8W> service, std::shared_ptr<const NotificationEvents> events)
        : m_service(std::move(service)), m_events(std::move(events)) {}

    Status createDevice(const std::string& guid, std::shared_ptr<DirectInputDevice8>& out) override try {
        if (!sameName(guid, "guid_SysMouse")) {
            return Status::failure(static_cast<std::int32_t>(DIERR_DEVICENOTREG),
                                   "DirectInput: there is no input device " + guid + " here; only guid_SysMouse");
        }
        ComRef<IDirectInputDevice8W> device;
        const HRESULT hr = m_service->CreateDevice(GUID_SysMouse, device.put(), nullptr);
        if (FAILED(hr)) return Status::failure(static_cast<std::int32_t>(hr), "DirectInput: cannot open the system mouse (CreateDevice)");
        out = std::make_shared<DInputDevice>(std::move(device), m_events);
        return Status::success();
    } catch (...) {
        return Status::failure("DirectInput: cannot make the mouse device");
    }

private:
    ComRef<IDirectInput8W> m_service;
    std::shared_ptr<const NotificationEvents> m_events;
};

class DInputDirectX8 final : public DirectX8 {
public:
    Status directInputCreate(std::shared_ptr<DirectInput8>& out) override try {
        ComRef<IDirectInput8W> service;
        const HRESULT hr = DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                              service.putVoid(), nullptr);
        if (FAILED(hr)) return Status::failure(static_cast<std::int32_t>(hr), "DirectInput: cannot make the input service (DirectInput8Create)");
        out = std::make_shared<DInputService>(std::move(service), m_events);
        return Status::success();
    } catch (...) {
        return Status::failure("DirectInput: cannot make the input service");
    }

    Status createEvent(DirectXEvent8& callback, std::int32_t& handle) override {
        return m_events->create(callback, handle);
    }

private:
    std::shared_ptr<NotificationEvents> m_events = std::make_shared<NotificationEvents>();
};

}  // namespace

Status DInputInput::createDirectX8(std::shared_ptr<DirectX8>& out) try {
    out = std::make_shared<DInputDirectX8>();
    return Status::success();
} catch (...) {
    return Status::failure("DirectInput: cannot make the DirectX8 object");
}

}  // namespace tessiva
