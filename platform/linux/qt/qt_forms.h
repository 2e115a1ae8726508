#pragma once
// The forms layer on Qt 6 Widgets (xcb platform). Owns the one window and the interface
// thread's event processing. Twips convert to pixels at the primary screen's logical DPI;
// the program disables Qt's own high-DPI scaling, so Qt's pixels are the server's pixels and
// X geometry needs no second conversion.
#include <QPoint>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/shared/form_life.h"
#include "platform/shared/process_end.h"
#include "platform/shared/video_placement.h"
#include "platform/linux/qt/window_presenter.h"

class QApplication;
struct _GPollFD;  // GLib's GPollFD

namespace tessiva {

class QtFormWindow;

class QtForms final : public Forms, public ProcessEnd {
public:
    explicit QtForms(std::string commandLine);
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

    // Pixels per twip at the screen's logical DPI.
    static double pixelsPerTwip();

    QtFormWindow* window() { return m_window.get(); }
    bool loaded() const { return m_life.loaded(); }

    // The window layer's unload: runs the Unload handler; the window goes unless cancelled.
    void unload();

    // Asks the windowing system whether a native child window covers a point of the window.
    using NativeChildProbe = std::function<bool(NativeHandle window, int x, int y)>;
    void setNativeChildProbe(NativeChildProbe probe) { m_nativeChildProbe = std::move(probe); }
    bool nativeChildAt(const QWidget& window, QPoint at) const;

    // Waits until a window just shown is on the screen, placed by the window manager if
    // there is one, and answers where it is on the root window (nothing when unknown).
    using ShownWait = std::function<std::optional<QPoint>(NativeHandle window)>;
    void setShownWait(ShownWait wait) { m_shownWait = std::move(wait); }
    std::optional<QPoint> waitUntilShown(NativeHandle window) const {
        return m_shownWait ? m_shownWait(window) : std::nullopt;
    }

    // The desktop's monitors in device pixels; without a probe, or when it finds none, the
    // screens Qt knows.
    using MonitorProbe = std::function<std::vector<PixelRect>()>;
    void setMonitorProbe(MonitorProbe probe) { m_monitorProbe = std::move(probe); }
    std::vector<PixelRect> monitors() const;

    // Tells of changes of the screen that Qt may not hear of (a monitor added by RandR 1.5
    // alone): `start` answers a file descriptor that becomes readable when something may have
    // changed, or -1; `changed` reads it and says whether the screen did change.
    struct ScreenWatch {
        std::function<int()> start;
        std::function<bool()> changed;
    };
    void setScreenWatch(ScreenWatch watch) { m_screenWatch = std::move(watch); }
    // From now on the window covers the screen again whenever it changes (the saver).
    void followScreen();

    // Shows the window through `presenter` instead of as a Qt window of its own (the saver on
    // Wayland); it outlives the forms.
    void setPresenter(WindowPresenter* presenter) { m_presenter = presenter; }
    WindowPresenter* presenter() const { return m_presenter; }

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
    NativeChildProbe m_nativeChildProbe;
    MonitorProbe m_monitorProbe;
    ShownWait m_shownWait;
    ScreenWatch m_screenWatch;
    WindowPresenter* m_presenter = nullptr;
    // Restarted by every change; the window follows once the changes have settled.
    QTimer m_screenSettled;
    std::unique_ptr<QSocketNotifier> m_screenNotifier;
};

}  // namespace tessiva
