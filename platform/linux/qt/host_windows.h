#pragma once
// The windows of other programs that the desktop calls name: a preview host's window. Qt
// tells nothing of a window that isn't its own, so the desktop asks for one through this.
// On X11 our own X connection answers; on Wayland no program can name another's window, and
// every question finds none. Interface thread.
#include "platform/basic_types.h"

namespace tessiva {

class HostWindows {
public:
    virtual ~HostWindows() = default;
    // The size of a window's client area in device pixels; false when it names no window.
    virtual bool windowSize(NativeHandle window, int& width, int& height) = 0;
    // Starts watching `window` for destruction; false when it doesn't exist (already gone).
    virtual bool watchDestruction(NativeHandle window) = 0;
    // A descriptor that becomes readable when the watched window may have gone.
    virtual int fd() = 0;
    // Reads what came; true once the watched window has been destroyed.
    virtual bool watchedWindowDestroyed() = 0;
};

}  // namespace tessiva
