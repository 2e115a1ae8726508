#pragma once
// The forms layer on Win32: owns the one window and the interface thread's message loop.
// Twips convert to pixels at the screen's logical DPI; the program declares itself DPI-aware
// in its manifest, so that DPI is the real one and the pixels are device pixels.
//
// Facts relied on:
// - MsgWaitForMultipleObjectsEx with QS_ALLINPUT and MWMO_INPUTAVAILABLE returns as soon as a
//   message is waiting, even one that an earlier peek saw, or after the timeout.
// - TerminateProcess on the current process ends it at once, from any thread, without the
//   DLL notifications that ExitProcess sends.
// - MessageBoxW runs a modal loop of its own; our handlers can still run inside it for
//   messages sent to our window.
// - Under Wine, a process that ends itself while DirectShow plays sometimes dies of SIGSEGV
//   on the Unix side after Windows has taken its exit code: GStreamer's own threads still
//   run while Wine's process goes. The exit code that a host reads is the one asked for.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/forms.h"
#include "platform/shared/form_life.h"
#include "platform/shared/process_end.h"

namespace tessiva {

class Win32FormWindow;

class Win32Forms final : public Forms, public ProcessEnd {
public:
    Win32Forms();
    ~Win32Forms();

    std::string commandLine() override;
    void load(const FormDefinition& definition, FormEvents& events) override;
    double screenWidth() override;
    double screenHeight() override;
    std::string appPath() override;
    void messageBox(const std::string& text) override;
    void yield(std::chrono::milliseconds longestWait) override;
    void runUntilUnloaded() override;
    [[noreturn]] void endProgram() override { endProgramNow(); }
    [[noreturn]] void reportAndExit(const RuntimeError& error) override { reportAndExitNow(error); }

    static double pixelsPerTwip();

    Win32FormWindow* window() { return m_window.get(); }
    bool loaded() const { return m_life.loaded(); }
    // The window layer's unload: runs the Unload handler; the window goes unless cancelled.
    void unload();
    // The same, from the message loop rather than inside whatever call noticed the reason.
    void unloadLater();
    // An event whose signal ends a yield's wait as a message does: the media graph's, while
    // it has events to read. `on` false lets go of it again, if it is still the one.
    void wakeOn(HANDLE event, bool on) {
        if (on) m_wakeEvent = event;
        else if (m_wakeEvent == event) m_wakeEvent = nullptr;
    }

protected:
    void showReportBox(const std::string& text) override;
    [[noreturn]] void terminateProcess(int status) override;

private:
    // Handles every message that is waiting; false once WM_QUIT came.
    void pump();
    void dispatch(MSG& message);

    std::unique_ptr<Win32FormWindow> m_window;
    FormLife m_life;
    HANDLE m_wakeEvent = nullptr;
};

}  // namespace tessiva
