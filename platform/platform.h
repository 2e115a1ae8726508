#pragma once
// Everything outside the program, as one bundle the composition root hands to the core.
//
// A composition root (each desktop's main or WinMain) does only this: it builds the objects
// below for its desktop and calls runProgram(platform) (startup/run_program.h), which never
// returns. On Windows it first initialises COM for the interface thread, once, as a
// single-threaded apartment (CoInitializeEx with COINIT_APARTMENTTHREADED): DirectShow's
// graph and the shell's opener live there. Nothing uninitialises it; the process ends
// without teardown. The numeric conversions follow the user's locale because runProgram sets
// it, not because a framework happened to.
#include "platform/desktop.h"
#include "platform/forms.h"
#include "platform/input.h"
#include "platform/media.h"
#include "platform/profile.h"

namespace tessiva {

struct Platform {
    Forms& forms;
    Desktop& desktop;
    Profile& profile;
    Media& media;
    Input& input;
};

}  // namespace tessiva
