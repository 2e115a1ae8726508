#pragma once
// The run-time error report: the same text on stderr and in a message box titled with the
// program's name, raised above our windows with the pointer visible; once the box is
// dismissed the process ends with status 1. `guarded` is the event boundary every callback
// from Qt goes through, so that no exception crosses into Qt.
#include <exception>

#include "platform/runtime_error.h"

namespace tessiva {

[[noreturn]] void reportAndExit(const RuntimeError& error);

template <class Handler>
void guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const RuntimeError& error) {
        reportAndExit(error);
    } catch (const std::exception& error) {
        reportAndExit(RuntimeError(Status::kFail, error.what()));
    } catch (...) {
        reportAndExit(RuntimeError(Status::kFail, "Unknown error"));
    }
}

}  // namespace tessiva
