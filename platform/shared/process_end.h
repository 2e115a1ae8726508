#pragma once
// How the process ends, the same on every desktop: at once with status 0 (End program), or
// through the run-time error report with status 1 once the user has dismissed it. Each forms
// layer derives from this and supplies the two desktop-specific pieces: the report's box and
// the immediate end of the process.
//
// While the report is up, input must not end the program: the user moves the mouse to reach
// the box's button, and the watcher of the buffered mouse sees that too. So endProgram() on
// any thread then waits for the report's own end instead, and reportShowing() tells the
// window's input routing to drop what it would deliver. A second error while the report is up
// joins the first one's end. On the thread that shows the box, whatever runs nested inside
// its modal loop can't wait for it; an end requested there ends at once with the first
// error's status 1.
//
// Thread-safe: endProgram() may come from the input framework's thread.
#include <atomic>
#include <thread>
#include <string>

#include "platform/runtime_error.h"

namespace tessiva {

class ProcessEnd {
public:
    ProcessEnd() = default;
    ProcessEnd(const ProcessEnd&) = delete;
    ProcessEnd& operator=(const ProcessEnd&) = delete;

    // End program: status 0, no handler runs, nothing is torn down.
    [[noreturn]] void endProgramNow();
    // The report on stderr and in a modal box; status 1 once it is dismissed.
    [[noreturn]] void reportAndExitNow(const RuntimeError& error);
    bool reportShowing() const { return m_reportShowing.load(); }

protected:
    ~ProcessEnd() = default;
    // A modal box with the report's text, above the program's windows and with a visible
    // pointer; returns once the user has dismissed it.
    virtual void showReportBox(const std::string& text) = 0;
    // Ends the process at once with `status`, from any thread, without running destructors,
    // exit handlers or the desktop's library notifications.
    [[noreturn]] virtual void terminateProcess(int status) = 0;

private:
    [[noreturn]] void waitForTheReport();
    std::atomic<bool> m_reportShowing{false};
    std::atomic<std::thread::id> m_reportThread{};
};

}  // namespace tessiva
