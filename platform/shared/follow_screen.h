#pragma once
// The saver's window after the desktop changed under it: a bigger or smaller screen (a laptop
// docked), a monitor plugged in or taken away. The window covers the primary monitor again by
// the steps that first placed it, with the new size, and the other monitors' covers are made
// anew; the video follows its owner's size in each media layer. Every forms layer applies
// this, once the change has settled, to a window that has asked for monitor covers (only the
// saver does), never to the preview or the dialog. Failures are dropped, as they are for the
// covers: a desktop that can't follow still shows the saver as it was.
#include "platform/forms.h"

namespace tessiva {

inline void coverScreenAgain(Forms& forms, FormWindow& window) {
    (void)window.setWindowState(0);
    (void)window.setTop(0);
    (void)window.setLeft(0);
    (void)window.setWidth(forms.screenWidth());
    (void)window.setHeight(forms.screenHeight());
    (void)window.coverOtherMonitors();
}

}  // namespace tessiva
