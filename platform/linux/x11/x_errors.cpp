#include "platform/linux/x11/x_errors.h"

#include <X11/Xlib.h>

#include <array>
#include <atomic>

#include "platform/linux/posix/display_lost.h"

namespace tessiva::x11 {
namespace {

// One slot per display being checked at the moment; more than a few never happen.
struct CheckedDisplay {
    std::atomic<Display*> display{nullptr};
    std::atomic<int> error{0};
};
std::array<CheckedDisplay, 8> g_checked;

int handleError(Display* display, XErrorEvent* event) noexcept {
    for (CheckedDisplay& slot : g_checked) {
        if (slot.display.load() == display) {
            slot.error = event->error_code;
            break;
        }
    }
    return 0;
}

CheckedDisplay* claimSlot(Display* display) {
    for (;;) {
        for (CheckedDisplay& slot : g_checked) {
            Display* expected = nullptr;
            if (slot.display.compare_exchange_strong(expected, display)) return &slot;
        }
    }
}

int handleIoError(Display*) noexcept { displayLost(); }

}  // namespace

void installErrorHandler() {
    XSetErrorHandler(handleError);
    XSetIOErrorHandler(handleIoError);
}

bool refused(Display* display, const std::function<void()>& requests) {
    XSync(display, False);  // earlier errors are not this call's
    installErrorHandler();
    CheckedDisplay* slot = claimSlot(display);
    slot->error = 0;
    requests();
    XSync(display, False);
    const bool failed = slot->error.load() != 0;
    slot->display = nullptr;
    return failed;
}

}  // namespace tessiva::x11
