#pragma once
// The forms layer on Qt 6 Widgets. Owns the one window and the interface thread's event
// processing; the desktop's presenter (window_presenter.h) puts the window on the screen.
// Twips convert to pixels at the primary screen's logical DPI; the program disables Qt's own
// high-DPI scaling, so Qt's pixels are the display's pixels and native geometry needs no
// second conversion.
#include <QTimer>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/linux/qt/form_host.h"
#include "platform/shared/form_life.h"
#include "platform/shared/process_end.h"

class QApplication;
struct _GPollFD;  // GLib's GPollFD

namespace tessiva {

class QtFormWindow;

class QtForms final : public Forms, public ProcessEnd, public FormHost {
public:
    // `presenter` outlives the forms.
    QtForms(std::string commandLine, WindowPresenter& presenter);
    ~QtForms() override;

    std::string commandLine() override { return m_commandLine; }
    void load(const FormDefinition& definition, FormEvents& events) override;
    double screenWidth() override;
    double screenHeight() override;
    std::string appPath() override;
    void messageBox(const std::string& text) override;
    void yield(std::chrono::milliseconds longestWait) override;
    void runUntilUnloaded() override;
    [[noreturn]] void endProgram() override { endProgramNow(); }
    [[noreturn]] void reportAndExit(const RuntimeError& error) override { reportAndExitNow(error); }

    QtFormWindow* window() { return m_window.get(); }

    // FormHost
    Forms& forms() override { return *this; }
    WindowPresenter& presenter() override { return m_presenter; }
    bool loaded() const override { return m_life.loaded(); }
    bool reportShowing() const override { return ProcessEnd::reportShowing(); }
    void unload() override;

protected:
    void showReportBox(const std::string& text) override;
    [[noreturn]] void terminateProcess(int status) override;

private:
    // One iteration of GLib's default main context, waiting at most limitMs; false when the
    // context belongs to another thread.
    bool iterateMainContext(int limitMs);

    std::string m_commandLine;
    std::unique_ptr<QtFormWindow> m_window;
    FormLife m_life;
    bool m_running = false;
    QTimer m_wakeUp;
    bool m_onMainContext = false;  // Qt dispatches through GLib's default main context
    std::vector<_GPollFD> m_pollFds;
    WindowPresenter& m_presenter;
};

}  // namespace tessiva
