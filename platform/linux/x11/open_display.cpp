#include "platform/linux/x11/open_display.h"

#include <cstdio>
#include <cstdlib>

namespace tessiva {

bool openDisplay(XConnection& x11) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fprintf(stderr, "Tessiva: no X display to show on (DISPLAY is not set).\n");
        return false;
    }
    if (!x11.open()) {
        std::fprintf(stderr, "Tessiva: cannot open the X display \"%s\".\n", display);
        return false;
    }
    return true;
}

}  // namespace tessiva
