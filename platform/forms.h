#pragma once
// The forms layer as the program sees it: one window built from a design-time definition,
// events routed to the program's handlers on the one interface thread, and a few
// process-wide services. Places and sizes cross this seam in twips (1/1440 inch); each layer
// converts to its own units at the screen's logical DPI.
//
// What every forms layer guarantees, beyond the signatures:
// - Threads. Every handler of FormEvents runs on the interface thread, one at a time, only
//   while that thread is idle (runUntilUnloaded) or inside yield(). endProgram() may come
//   from any thread.
// - The yield handles every window event that is pending, then waits for the next thing
//   that can matter: a window event, a message of the media framework (end of stream, an
//   error, a finished seek, the video window's own events), or the end of the wait that the
//   caller allows, whichever comes first. The playback loop calls it on every pass with the
//   time until its next rewind can fall: a yield that doesn't wait costs a whole core, and
//   one that wakes on a clock of its own costs a wake-up each time.
// - The event boundary. No exception crosses into the framework: every handler runs through
//   guarded() (platform/error_boundary.h), which reports a RuntimeError and ends the process
//   with status 1 once the report is dismissed. While that report is up, the window delivers
//   no input to the handlers and endProgram() waits for the report's end (platform/
//   process_end.h), so reaching for the box's button can't end the program with status 0.
// - The window after unload. Unloading (the desktop's close command, or the preview host
//   going away) runs Form_Unload once; unless it cancels, the window is gone for good. Every
//   FormWindow call after that does nothing and answers success, show() included, and the
//   getters answer what they last did: Main may still call Show after a saver whose window
//   was unloaded inside the playback loop, and that must end quietly, not as an error. A
//   layer whose native window is destroyed (Win32) keeps answering from its own object.
// - Text is UTF-8 in every std::string that crosses the seam: captions, paths, the command
//   line, messages. A layer whose desktop speaks another encoding converts at its own edge
//   (Win32: UTF-16 for the wide calls, the ANSI code page for the *A calls).
// - Colours are 0xRRGGBB (platform/shared/color.h converts to the desktop's own order).
//
// Failures: setters answer a Status; load() lets a RuntimeError from the Load handler pass
// to its caller. endProgram() and reportAndExit() never return.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/basic_types.h"
#include "platform/runtime_error.h"
#include "platform/status.h"

namespace tessiva {

enum class ControlKind { CommandButton, CheckBox, Label, Image };

// Pictures that travel inside the program.
enum class PictureId { None, WindowIcon, HandPointer, PreviewPicture };

struct FontDefinition {
    std::string name;
    double points = 0;
    int weight = 400;
    bool underline = false;
};

struct ControlDefinition {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string caption;
    double left = 0, top = 0, width = 0, height = 0;  // twips, from the client area's corner
    int tabIndex = -1;                                 // -1: takes no part in the tab order
    bool visible = true;
    std::optional<FontDefinition> font;                // none: the layer's default font
    std::optional<std::uint32_t> foreColor;            // 0xRRGGBB; none: the layer's default
    PictureId mouseIcon = PictureId::None;             // custom pointer over the control
    PictureId picture = PictureId::None;
    std::int16_t value = 0;                            // check box: 0 clear, 1 ticked, 2 grayed
};

struct FormDefinition {
    std::string name;
    std::string caption;
    std::int16_t borderStyle = 0;       // 0 none, 3 fixed dialog
    double clientWidth = 0, clientHeight = 0;  // twips
    PictureId icon = PictureId::None;
    PictureId picture = PictureId::None;
    std::vector<ControlDefinition> controls;  // in creation order
};

// A control is named by its index in FormDefinition::controls.
using ControlIndex = int;

class FormWindow;

// What the window routes to the program. Handlers run on the interface thread, one at a time.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    // The window exists in its design-time state; called before Form_Load.
    virtual void attach(FormWindow& window) = 0;
    virtual void Form_Load() = 0;
    virtual void Form_Unload(std::int16_t& Cancel) = 0;
    virtual void Form_KeyPress(std::int16_t& KeyAscii) = 0;
    virtual void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
    virtual void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
    virtual void Control_Click(ControlIndex control) = 0;
};

// The loaded window, as its handlers change it.
class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual Status show() = 0;                 // visible, modeless, no owner
    virtual NativeHandle hWnd() = 0;
    virtual Status setTop(double twips) = 0;   // outer position and size
    virtual Status setLeft(double twips) = 0;
    virtual Status setWidth(double twips) = 0;
    virtual Status setHeight(double twips) = 0;
    virtual double scaleWidth() = 0;           // inner size, twips
    virtual double scaleHeight() = 0;
    virtual Status setWindowState(std::int16_t state) = 0;
    virtual Status setBorderStyle(std::int16_t style) = 0;
    virtual Status setCaption(const std::string& caption) = 0;
    virtual PictureId picture(ControlIndex control) = 0;
    virtual Status setPicture(PictureId picture) = 0;  // painted as the window's background
    virtual Status setVisible(ControlIndex control, bool visible) = 0;
    virtual Status setValue(ControlIndex control, std::int16_t value) = 0;  // refuses all but 0, 1, 2
    virtual std::int16_t value(ControlIndex control) = 0;
    // Blacks out every monitor that the window, at 0, 0 with the primary screen's size,
    // doesn't hold (platform/shared/cover_plan.h says which), with borderless windows of the
    // form's own that show no pointer while the cursor is hidden. Their key presses, clicks
    // and moves reach the form's KeyPress, MouseDown and MouseMove as the window's own do,
    // and the window keeps the focus. They go when the form unloads or the process ends.
    // Does nothing on a desktop with one monitor.
    virtual Status coverOtherMonitors() = 0;
};

class Forms {
public:
    virtual ~Forms() = default;
    // The text after the program's name, as the desktop passed it.
    virtual std::string commandLine() = 0;
    // Creates the window in its design-time state, binds its events to `events`, and runs
    // Form_Load to completion before it returns.
    virtual void load(const FormDefinition& definition, FormEvents& events) = 0;
    virtual double screenWidth() = 0;   // primary screen, twips
    virtual double screenHeight() = 0;
    // Folder of the program file, without a trailing separator.
    virtual std::string appPath() = 0;
    // A modal message box titled with the program's name; returns once it is dismissed.
    virtual void messageBox(const std::string& text) = 0;
    // Handles every pending window event, then waits for the next window event or media
    // message for at most `longestWait`.
    virtual void yield(std::chrono::milliseconds longestWait) = 0;
    // After Main has returned: handles window events for as long as the window stays loaded,
    // and returns once it has been unloaded (at once when it is not loaded).
    virtual void runUntilUnloaded() = 0;
    // Stops the process at once with status 0; no further handler runs, nothing is torn down.
    // While a run-time error report is up, it waits for that report to end the process.
    [[noreturn]] virtual void endProgram() = 0;
    // The run-time error report: the text of reportText() on stderr and in a modal box
    // titled with the program's name; the process ends with status 1 once it is dismissed.
    [[noreturn]] virtual void reportAndExit(const RuntimeError& error) = 0;
};

}  // namespace tessiva
