#include "platform/linux/posix/display_lost.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace tessiva {
namespace {

void exitAsDisplayLost() { displayLost(); }

}  // namespace

void displayLost() {
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) {
        // write(2): another thread may hold stdio's lock at this moment.
        constexpr char kMessage[] = "Tessiva: the display went away.\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    }
    std::_Exit(1);
}

void treatLibraryExitAsDisplayLost() { std::atexit(exitAsDisplayLost); }

}  // namespace tessiva
