#pragma once
// How Form1's window reaches the screen on the desktop the program runs on: as Qt's own
// window (qt_window_presenter.h), or as the saver on X11 with the desktop's monitors, covers
// and window manager (x11/qt/x11_presenter.h), or on Wayland, where Qt's windows can't go
// over every output, as surfaces of our own (wayland/qt/wayland_presenter.h). The QWidget
// stays the form's state (controls, values, pictures) whichever shows it; a presenter that
// draws it elsewhere hands the input from its surfaces back to it through the window's plain
// input calls. One presenter per program, chosen with the desktop. Interface thread.
#include <QPoint>

#include "platform/basic_types.h"
#include "platform/status.h"

namespace tessiva {

class QtFormWindow;

class WindowPresenter {
public:
    virtual ~WindowPresenter() = default;
    virtual Status show(QtFormWindow& window) = 0;
    // The handle the program sees as the window's (the video's owner names it).
    virtual NativeHandle handle(QtFormWindow& window) = 0;
    virtual Status coverOtherMonitors(QtFormWindow& window) = 0;
    // The program placed or sized the window.
    virtual void placed(QtFormWindow&) {}
    // The window's look changed (a control shown or hidden, a new picture).
    virtual void changed(QtFormWindow&) {}
    // True where a native window of another program layer (the video) lies over the point.
    virtual bool videoCovers(const QtFormWindow&, QPoint) const { return false; }
    // Takes everything off the screen: the form unloaded.
    virtual void hide() = 0;
    // A run-time error report is about to show: whatever would hide its box goes.
    virtual void giveWayToReport() { hide(); }
};

}  // namespace tessiva
