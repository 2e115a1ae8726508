#pragma once
// Qt on Wayland, as the program needs it: the dialog on Qt's own Wayland platform, and the
// saver's window as layer surfaces of our own (layer_saver.h), with the forms layer still
// Qt's. Interface thread, at start-up.
#include "platform/linux/wayland/wayland_client.h"

namespace tessiva {

// Before the QApplication exists: Qt's Wayland platform, without Qt's own scaling.
void prepareQtForWayland();

// Connects `client`; false, with the reason on stderr, when there is no compositor.
bool connectWayland(WaylandClient& client);

}  // namespace tessiva
