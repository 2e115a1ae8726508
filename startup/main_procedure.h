#pragma once
// Main: the program's start-up procedure. Runs once on the interface thread before any
// window exists; picks the display mode, records it and loads Form1 (or ends the program).
// It declares no error handling: a RuntimeError leaves it for the caller to report.
#include "platform/platform.h"
#include "vocabulary/mode_flags.h"

namespace tessiva {

class Form1;

void Main(Platform& platform, ModeFlags& flags, Form1& form);

}  // namespace tessiva
