#pragma once
// The display mode as Main records it: written once each, before Form1 loads, and only read
// afterwards (also from the input framework's thread, which is why nothing may write later).
// Every reader tests PreviewMode first, then ConfigMode; neither set means the saver.
#include "platform/basic_types.h"

namespace tessiva {

struct ModeFlags {
    VBBool PreviewMode = kFalse;
    VBBool ConfigMode = kFalse;
};

}  // namespace tessiva
