#pragma once
// The one rule every input path applies: input ends the program in the saver, and is ignored
// in the preview and in the dialog. The flags are read at the moment of each input,
// PreviewMode first; any value but 0 counts as set.
#include "vocabulary/mode_flags.h"

namespace tessiva {

inline bool inputEndsProgram(const ModeFlags& flags) {
    if (flags.PreviewMode != kFalse) return false;
    if (flags.ConfigMode != kFalse) return false;
    return true;
}

}  // namespace tessiva
