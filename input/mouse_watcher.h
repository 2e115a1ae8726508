#pragma once
// The buffered mouse watcher of Form1: the input framework's objects, set up once by
// InitMouse in every mode, and the callback the framework calls on its own thread whenever
// buffered mouse data is waiting. Form1 inherits this and is the callback object.
//
// InitMouse has no error handling: its first failing step is a RuntimeError for the Load
// handler. The callback handles every error itself and returns normally, but for ending
// the program. It only reads values fixed before the device was acquired.
#include <cstdint>
#include <memory>

#include "platform/input.h"
#include "platform/platform.h"
#include "vocabulary/mode_flags.h"

namespace tessiva {

class MouseWatcher : public DirectXEvent8 {
public:
    std::shared_ptr<DirectX8> Dx;
    std::shared_ptr<DirectInput8> DI;
    std::shared_ptr<DirectInputDevice8> Mouse;
    std::int32_t MouseEvent = 0;

    void InitMouse();
    void DirectXEvent8_DXCallback(std::int32_t eventid);
    void DXCallback(std::int32_t eventid) override { DirectXEvent8_DXCallback(eventid); }

protected:
    MouseWatcher(Platform& platform, const ModeFlags& flags) : m_platform(platform), m_flags(flags) {}
    ~MouseWatcher() override = default;
    virtual NativeHandle watcherWindow() = 0;

private:
    Platform& m_platform;
    const ModeFlags& m_flags;
};

}  // namespace tessiva
