#include "input/mouse_watcher.h"

#include <array>

#include "input/quit_rule.h"
#include "platform/runtime_error.h"

namespace tessiva {

void MouseWatcher::InitMouse() {
    check(m_platform.input.createDirectX8(Dx));
    check(Dx->directInputCreate(DI));
    check(DI->createDevice("guid_SysMouse", Mouse));
    check(Mouse->setCommonDataFormat(dinput::kDiFormatMouse));
    check(Mouse->setCooperativeLevel(watcherWindow(), dinput::kDisclNonExclusive | dinput::kDisclBackground));
    check(Mouse->setProperty("DIPROP_BUFFERSIZE", DiPropLong{dinput::kDiphDevice, 0, 10}));
    // The handle is stored before the event is tied to the device, so it is in place before
    // the first notification can come.
    check(Dx->createEvent(*this, MouseEvent));
    check(Mouse->setEventNotification(MouseEvent));
    check(Mouse->acquire());
}

void MouseWatcher::DirectXEvent8_DXCallback(std::int32_t eventid) {
    try {
        if (eventid != MouseEvent) return;
        if (!Mouse) throw errors::objectNotSet();
        std::array<DeviceObjectData, 10> records{};
        std::int32_t count = 0;
        check(Mouse->getDeviceData(records, 0, count));
        for (std::int32_t i = 0; i < count; ++i) {
            if (i >= static_cast<std::int32_t>(records.size())) throw RuntimeError(9, "Subscript out of range");
            switch (records[static_cast<std::size_t>(i)].lOfs) {
            case dinput::kDimofsX:
            case dinput::kDimofsY:
            case dinput::kDimofsButton0:
                if (!inputEndsProgram(m_flags)) return;
                m_platform.forms.endProgram();
            default: break;
            }
        }
    } catch (const RuntimeError&) {
        // Read and dropped: the next notification reads the device afresh.
    }
}

}  // namespace tessiva
