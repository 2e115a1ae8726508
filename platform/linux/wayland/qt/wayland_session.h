#pragma once
// The program in a Wayland session: Qt on its Wayland platform, a connection of our own for
// the saver's surfaces and the seat, the video as pictures for the saver's surfaces,
// and the buffered mouse fed by the seat's relative pointer. The saver's window shows on
// surfaces of ours (layer surfaces where the compositor offers wlr-layer-shell, full-screen
// toplevels where it doesn't), so that its input and its pace are ours; the dialog is Qt's
// own window.
#include <memory>

#include "platform/linux/qt/desktop_session.h"

namespace tessiva {

// Connects to the compositor WAYLAND_DISPLAY names; nullptr, after a line on stderr, when it
// doesn't answer or lacks what every surface needs.
std::unique_ptr<DesktopSession> connectWaylandSession(SessionUse use);

}  // namespace tessiva
