#pragma once
// The saver in a screensaver daemon's window (xscreensaver; MATE's and Xfce's, which run
// xscreensaver's programs): the program runs its saver, "/S", as ever, and the session makes
// that saver a guest. Its window shows inside the daemon's (hosted_presenter.h), the buffered
// mouse reports nothing and the pointer is never hidden, since input and the end are the
// daemon's; the video is an X window of ours, as on X11 everywhere. What plays is decided by
// where the daemon's window lies (playingIn).
//
// The daemon ends the program by a signal: SIGTERM, SIGINT and SIGHUP end it at once, as
// their default actions do, whatever the daemon left ignored or blocked; and when the daemon
// itself dies, the kernel sends SIGTERM (the parent-death signal).
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/linux/gst/gst_media.h"
#include "platform/linux/qt/desktop_session.h"
#include "platform/shared/video_placement.h"

namespace tessiva {

// What plays in a daemon's window at `host` (root coordinates), on a screen with these
// monitors (`primary` indexing the primary one): the clip as set where the window covers the
// primary monitor, nothing where it covers another, and the clip silently in a smaller window
// (a settings preview). No monitors: the screen is the one.
Playing playingIn(const PixelRect& host, const std::vector<PixelRect>& monitors, std::size_t primary);

// Opens the display and finds `host` there; nullptr, after a line on stderr, when either
// fails.
std::unique_ptr<DesktopSession> connectHostedSession(unsigned long host);

}  // namespace tessiva
