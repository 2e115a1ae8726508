#pragma once
// The desktop the program runs on, chosen once at start-up from the environment: a Wayland
// session (WAYLAND_DISPLAY set, even beside DISPLAY) or X11. Each kind connects in its own
// way and prepares Qt's environment before the QApplication exists; then it builds the Qt
// forms layer's presenter, the desktop calls and the buffered mouse's feed. Nothing of the
// other desktop is built or connected.
//
// On Wayland the saver's window is surfaces of our own: layer surfaces where the compositor
// offers wlr-layer-shell (sway, KDE), full-screen toplevels where it doesn't (GNOME); the
// dialog is Qt's window. The preview names an X window, and Wayland lets no program draw
// into another's window, so it stays on X11 (XWayland) in any session.
//
// Interface thread, at start-up. A session outlives everything the program builds on it.
#include <memory>

#include "platform/desktop.h"
#include "platform/input.h"
#include "platform/linux/gst/video_surface.h"

namespace tessiva {

class QtForms;
class WindowPresenter;

// What the program is about to show, as far as the choice of desktop depends on it.
enum class SessionUse { Saver, Preview, Other };

class DesktopSession {
public:
    virtual ~DesktopSession() = default;

    // Before the QApplication: what each media graph draws its video on.
    virtual VideoSurfaceMaker videoSurfaces() = 0;
    // Once the QApplication exists: builds what shows the form's window, and answers it.
    virtual WindowPresenter& startQt() = 0;
    // Once the forms exist: builds the desktop calls and the buffered mouse.
    virtual void attach(QtForms& forms) = 0;
    virtual Desktop& desktop() = 0;
    virtual Input& input() = 0;
};

// The session for this environment and use, connected; nullptr, after a line on stderr that
// says why, when its display doesn't answer.
std::unique_ptr<DesktopSession> connectSession(SessionUse use);

}  // namespace tessiva
