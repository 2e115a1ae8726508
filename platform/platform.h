#pragma once
// Everything outside the program, as one bundle the composition root hands to the core.
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
