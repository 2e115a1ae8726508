#pragma once
// Form1: the program's one window, as data (its definition) plus handlers. It holds the media
// graph and the mouse watcher as parts of itself, as the rest of the program names them.
// The handlers run on the interface thread and declare no error handling: a RuntimeError
// leaves the handler and the forms layer reports it. The watcher's callback runs on the
// input framework's thread.
#include <cstdint>

#include "input/mouse_watcher.h"
#include "platform/platform.h"
#include "playback/media_graph.h"
#include "settings/config_dialog.h"
#include "vocabulary/mode_flags.h"

namespace tessiva {

class Form1 final : public FormEvents, public MediaGraph, public MouseWatcher, public ConfigDialog {
public:
    Form1(Platform& platform, const ModeFlags& flags)
        : MediaGraph(platform), MouseWatcher(platform, flags), ConfigDialog(platform), m_platform(platform),
          m_flags(flags) {}

    // The loaded window; raises Object variable not set before Load.
    FormWindow& window() override;
    NativeHandle hWnd() { return window().hWnd(); }

    // Set by the saver start before the window shows; the playback loop runs while it holds.
    VBBool Running = kFalse;
    // Mouse moves over the window in the saver; the sixth ends the program.
    std::int16_t MoveCount = 0;

    void attach(FormWindow& window) override { m_window = &window; }
    void Form_Load() override;
    void Form_Unload(std::int16_t& Cancel) override;
    void Form_KeyPress(std::int16_t& KeyAscii) override;
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void Control_Click(ControlIndex control) override;

private:
    NativeHandle watcherWindow() override { return hWnd(); }
    bool windowUnloaded() const override { return m_unloaded; }

    Platform& m_platform;
    const ModeFlags& m_flags;
    FormWindow* m_window = nullptr;
    bool m_unloaded = false;
};

}  // namespace tessiva
