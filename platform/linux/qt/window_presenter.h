#pragma once
// Shows the form's window where Qt's own windows can't go: over every output on Wayland, as
// layer surfaces of our own. With a presenter, the QWidget is never shown itself; it stays
// the form's state (controls, values, pictures), the presenter draws it and routes the
// input from its surfaces back to it. Interface thread.
#include "platform/basic_types.h"
#include "platform/status.h"

namespace tessiva {

class QtFormWindow;

class WindowPresenter {
public:
    virtual ~WindowPresenter() = default;
    virtual Status show(QtFormWindow& window) = 0;
    // The handle the program sees as the window's (the video's owner names it).
    virtual NativeHandle handle() = 0;
    virtual Status coverOtherMonitors() = 0;
    // The window's look changed (a control shown or hidden, a new picture): draw it again.
    virtual void changed() = 0;
    // Takes everything off the screen: the form unloaded, or a report must be seen.
    virtual void hide() = 0;
};

}  // namespace tessiva
