#pragma once
// What a desktop hands the program: each desktop's session (x11/qt/x11_session.h,
// wayland/qt/wayland_session.h) connects in its own way and prepares Qt's environment before
// the QApplication exists; then it builds the Qt forms layer's presenter, the desktop calls
// and the buffered mouse's feed. Nothing of the other desktop is built or connected. Which
// one runs is chosen once (session/connect_session.h).
//
// Interface thread, at start-up. A session outlives everything the program builds on it.
#include "platform/desktop.h"
#include "platform/input.h"
#include "platform/linux/gst/gst_media.h"
#include "platform/linux/gst/video_surface.h"

namespace tessiva {

class QtForms;
class WindowPresenter;

// What the program is about to show, as far as the choice of desktop depends on it.
enum class SessionUse { Saver, Preview, Other };

class DesktopSession {
public:
    virtual ~DesktopSession() = default;

    // Before the QApplication: what each media graph draws its video on, and what the graphs
    // may play there.
    virtual VideoSurfaceMaker videoSurfaces() = 0;
    virtual Playing playing() const { return Playing::AsSet; }
    // Once the QApplication exists: builds what shows the form's window, and answers it.
    virtual WindowPresenter& startQt() = 0;
    // Once the forms exist: builds the desktop calls and the buffered mouse.
    virtual void attach(QtForms& forms) = 0;
    virtual Desktop& desktop() = 0;
    virtual Input& input() = 0;
};

}  // namespace tessiva
