#include "startup/run_program.h"

#include <clocale>
#include <cstdlib>

#include "platform/error_boundary.h"
#include "startup/main_procedure.h"
#include "vocabulary/mode_flags.h"
#include "window/form1.h"

namespace tessiva {

void runProgram(Platform& platform) {
    // The conversions of text to numbers follow the user's locale, as the desktop's do.
    std::setlocale(LC_ALL, "");
    // Locals of a function that never returns: they live until the process ends.
    ModeFlags flags;
    Form1 form(platform, flags);
    guarded(platform.forms, [&] { Main(platform, flags, form); });
    platform.forms.runUntilUnloaded();
    platform.forms.endProgram();
    std::abort();  // not reached: the compiler doesn't carry [[noreturn]] through a virtual call
}

}  // namespace tessiva
