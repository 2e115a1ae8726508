#pragma once
// The program from its start to its end, on a platform a composition root has built: every
// desktop's main() builds its platform objects and hands them here, and nothing else.
//
// It takes the user's locale for the numeric conversions of text, runs Main through the event
// boundary, and then lets the window's events run for as long as the window stays loaded.
// It never returns: the process ends by End program, by a run-time error report (status 1),
// or with status 0 once the window has been unloaded.
//
// Nothing is torn down on the way out. Form1 and the platform objects stay alive until the
// process is gone, because the input framework's thread may be inside the mouse callback,
// reading them, at any moment until then.
#include "platform/platform.h"

namespace tessiva {

[[noreturn]] void runProgram(Platform& platform);

}  // namespace tessiva
