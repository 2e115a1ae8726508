#pragma once
// Qt on X11, as the program needs it: the environment Qt must start in, and the X11 probes
// the Qt forms layer asks what Qt itself can't tell (the native child under a point, the
// monitors RandR lists, the place a window manager gave a shown window). Interface thread,
// at start-up.
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/x11/x_connection.h"

namespace tessiva {

// Before the QApplication exists: window ids are X11 window ids, and preview hosts hand us
// device pixels, so the program runs on the xcb plugin, without Qt's own scaling.
void prepareQtEnvironment();

// Hands `forms` the probes that answer through `x11`, and the watch of the screen's changes,
// which reads a connection of its own, `screenWatch`, opened when the saver starts following
// the screen. Both must outlive `forms`.
void attachX11Probes(QtForms& forms, XConnection& x11, XConnection& screenWatch);

}  // namespace tessiva
