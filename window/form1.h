#pragma once
// Form1: the program's one window, as data (its definition) plus handlers. The handlers run
// on the interface thread. They declare no error handling: a RuntimeError leaves the handler
// and the forms layer reports it.
#include <cstdint>

#include "platform/platform.h"
#include "startup/mode_flags.h"

namespace tessiva {

class Form1 final : public FormEvents {
public:
    Form1(Platform& platform, const ModeFlags& flags) : m_platform(platform), m_flags(flags) {}

    // The loaded window; raises Object variable not set before Load.
    FormWindow& window();
    NativeHandle hWnd() { return window().hWnd(); }

    // Set by the saver start before the window shows; the playback loop runs while it holds.
    VBBool Running = kFalse;

    void attach(FormWindow& window) override { m_window = &window; }
    void Form_Load() override;
    void Form_Unload(std::int16_t& Cancel) override;
    void Form_KeyPress(std::int16_t& KeyAscii) override;
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void Control_Click(ControlIndex control) override;

private:
    Platform& m_platform;
    const ModeFlags& m_flags;
    FormWindow* m_window = nullptr;
};

}  // namespace tessiva
