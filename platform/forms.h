#pragma once
// The forms layer as the program sees it: one window built from a design-time definition,
// events routed to the program's handlers on the one interface thread, and a few
// process-wide services. Places and sizes cross this seam in twips (1/1440 inch); each layer
// converts to its own units at the screen's logical DPI.
//
// Failures: setters answer a Status; load() lets a RuntimeError from the Load handler pass
// to its caller. endProgram() never returns and may be called from any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/basic_types.h"
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
    // Handles every pending window event before it returns.
    virtual void yield() = 0;
    // Stops the process at once with status 0; no further handler runs.
    [[noreturn]] virtual void endProgram() = 0;
};

}  // namespace tessiva
