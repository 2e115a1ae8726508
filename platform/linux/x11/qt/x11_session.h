#pragma once
// The program on X11: Qt on its xcb plugin, the saver's window through the X11 presenter
// (Qt's own window for the preview and the dialog), the video in X windows of our own, the
// buffered mouse fed by XInput2, and questions about a preview host through our own X
// connections.
#include <memory>

#include "platform/linux/qt/desktop_session.h"

namespace tessiva {

// Opens the display named by DISPLAY; nullptr, after a line on stderr, when there is none.
std::unique_ptr<DesktopSession> connectX11Session(SessionUse use);

}  // namespace tessiva
