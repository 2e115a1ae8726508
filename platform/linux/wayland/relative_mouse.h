#pragma once
// The buffered mouse's feed on Wayland: the seat's relative motion and buttons. The compositor
// sends relative motion only while the pointer is over a surface of ours; the saver
// covers every output, so none escapes it. The events come on the interface thread, which
// dispatches the connection; the device tells the program from there.
#include "platform/linux/mouse/mouse_feed.h"

namespace tessiva {

class WaylandSeat;

// One device at a time listens (the newest).
MouseFeed relativeMouseFeed(WaylandSeat& seat);

}  // namespace tessiva
