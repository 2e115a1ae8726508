#pragma once
// Form1's window as Qt's own top-level window, shown, raised and activated, with the first
// control of the tab order holding the focus: the dialog on either desktop, the preview on
// X11, and the ground the X11 saver's presenter builds on. No monitor covers: only a saver
// asks for them, and a saver has a presenter of its own.
#include "platform/linux/qt/window_presenter.h"

namespace tessiva {

class QtWindowPresenter : public WindowPresenter {
public:
    Status show(QtFormWindow& window) override;
    NativeHandle handle(QtFormWindow& window) override;
    Status coverOtherMonitors(QtFormWindow&) override { return Status::success(); }
    void hide() override {}
    // The report's box is a window above Qt's own: nothing needs to go.
    void giveWayToReport() override {}

protected:
    // The window was just shown; the moment to learn where it went before it is raised.
    virtual void shown(QtFormWindow&) {}
};

}  // namespace tessiva
