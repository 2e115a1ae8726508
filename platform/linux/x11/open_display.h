#pragma once
// The X display the program shows on, checked before Qt starts: without one, QApplication
// would abort with a message of its own. Interface thread, once, at start-up.
#include "platform/linux/x11/x_connection.h"

namespace tessiva {

// Opens `x11` on $DISPLAY. False, after a line on stderr that says why, when DISPLAY is unset
// or empty or the display doesn't open.
bool openDisplay(XConnection& x11);

}  // namespace tessiva
