#include "platform/shared/process_end.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tessiva {

void ProcessEnd::endProgramNow() {
    if (m_reportShowing.load()) waitForTheReport();
    terminateProcess(0);
    std::abort();  // not reached: the compiler doesn't carry [[noreturn]] through a virtual call
}

void ProcessEnd::reportAndExitNow(const RuntimeError& error) {
    if (m_reportShowing.exchange(true)) waitForTheReport();
    m_reportThread.store(std::this_thread::get_id());
    const std::string text = reportText(error);
    std::fprintf(stderr, "Tessiva: %s\n", text.c_str());
    std::fflush(stderr);
    showReportBox(text);
    terminateProcess(1);
    std::abort();  // not reached
}

void ProcessEnd::waitForTheReport() {
    if (m_reportThread.load() == std::this_thread::get_id()) terminateProcess(1);
    // The thread that shows the report ends the process once the box is dismissed.
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace tessiva
