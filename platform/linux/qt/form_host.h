#pragma once
// What Form1's window asks of the forms layer that holds it: the presenter that puts it on
// the screen, whether the form is still loaded, the unload, and the forms whose report ends
// the program when a handler fails. QtForms is the one host; the window knows it only
// through this. Interface thread only.
#include "platform/forms.h"
#include "platform/linux/qt/window_presenter.h"

namespace tessiva {

class FormHost {
public:
    // The forms whose reportAndExit the event boundary calls.
    virtual Forms& forms() = 0;
    virtual WindowPresenter& presenter() = 0;
    virtual bool loaded() const = 0;
    // A run-time error report is up: input belongs to its box.
    virtual bool reportShowing() const = 0;
    // The window layer's unload: runs the Unload handler; the window goes unless cancelled.
    virtual void unload() = 0;

protected:
    ~FormHost() = default;
};

// Pixels per twip at the primary screen's logical DPI.
double pixelsPerTwip();

}  // namespace tessiva
