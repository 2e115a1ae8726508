#pragma once
// The buffered mouse on Wayland: the seat's relative motion and buttons feed the device, in
// place of XInput2's watcher. The compositor sends relative motion only while the pointer is
// over a surface of ours; the saver covers every output, so none escapes it. The events come
// on the interface thread, which dispatches the connection; the device tells the program
// from there.
#include "platform/linux/x11/xinput/xinput_mouse.h"

namespace tessiva {

class WaylandSeat;

// A feed for XInputMouse; one device at a time listens (the newest).
XInputMouse::Feed relativeMouseFeed(WaylandSeat& seat);

}  // namespace tessiva
