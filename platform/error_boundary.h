#pragma once
// The event boundary every call from a framework into the program goes through: a Qt slot,
// a WndProc, the composition root's call of Main. No exception crosses it; a run-time error
// (or anything else thrown) is reported by the forms layer, which ends the process, so nothing
// leaves this function but by the end of the process.
#include <exception>

#include "platform/forms.h"
#include "platform/runtime_error.h"

namespace tessiva {

template <class Handler>
void guarded(Forms& forms, Handler&& handler) {
    try {
        handler();
    } catch (const RuntimeError& error) {
        forms.reportAndExit(error);
    } catch (const std::exception& error) {
        forms.reportAndExit(RuntimeError(Status::kFail, error.what()));
    } catch (...) {
        forms.reportAndExit(RuntimeError(Status::kFail, "Unknown error"));
    }
}

}  // namespace tessiva
