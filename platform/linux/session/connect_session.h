#pragma once
// The one place where the desktop is chosen: the first session of a table that fits the
// environment and the use connects. Interface thread, once, at start-up.
#include <memory>

#include "platform/linux/qt/desktop_session.h"

namespace tessiva {

struct SessionRequest {
    SessionUse use = SessionUse::Other;
    // A screensaver daemon's window the saver plays in (daemon_switches.h); 0: none.
    unsigned long host = 0;
};

// The session for this environment and use, connected; nullptr, after a line on stderr that
// says why, when its display doesn't answer (or a daemon's window isn't there).
std::unique_ptr<DesktopSession> connectSession(const SessionRequest& request);

}  // namespace tessiva
