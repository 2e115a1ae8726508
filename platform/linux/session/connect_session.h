#pragma once
// The one place where the desktop is chosen: the first session of a table that fits the
// environment and the use connects. Interface thread, once, at start-up.
#include <memory>

#include "platform/linux/qt/desktop_session.h"

namespace tessiva {

// The session for this environment and use, connected; nullptr, after a line on stderr that
// says why, when its display doesn't answer.
std::unique_ptr<DesktopSession> connectSession(SessionUse use);

}  // namespace tessiva
