#include "platform/linux/x11/qt/hosted_session.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <optional>

#include "platform/linux/mouse/buffered_mouse.h"
#include "platform/linux/qt/host_windows.h"
#include "platform/linux/qt/qt_desktop.h"
#include "platform/linux/qt/qt_environment.h"
#include "platform/linux/qt/session_bus.h"
#include "platform/linux/x11/desktop_watch.h"
#include "platform/linux/x11/open_display.h"
#include "platform/linux/x11/qt/hosted_presenter.h"
#include "platform/linux/x11/video/x_video_surface.h"
#include "platform/linux/x11/x_connection.h"

namespace tessiva {
namespace {

bool covers(const PixelRect& outer, const PixelRect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.left + outer.width >= inner.left + inner.width &&
           outer.top + outer.height >= inner.top + inner.height;
}

// Before any thread exists, so that every thread inherits it.
void endOnTheDaemonsSignals() {
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::signal(signal, SIG_DFL);
        sigaddset(&ending, signal);
    }
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    const pid_t daemon = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The daemon died before the signal was asked for: nobody would send it.
    if (getppid() != daemon) raise(SIGTERM);
}

// The daemon owns its window: the program asks nothing about other windows.
class NoHostWindows final : public HostWindows {
public:
    bool windowSize(NativeHandle, int&, int&) override { return false; }
    bool watchDestruction(NativeHandle) override { return false; }
    int fd() override { return -1; }
    bool watchedWindowDestroyed() override { return false; }
};

class HostedSession final : public DesktopSession {
public:
    explicit HostedSession(unsigned long host) : m_host(host) {}

    bool connect() {
        endOnTheDaemonsSignals();
        if (!openDisplay(m_x11)) return false;
        PixelRect at;
        if (!m_x11.rootGeometry(m_host, at)) {
            std::fprintf(stderr, "Tessiva: the screensaver daemon's window 0x%lx doesn't exist.\n", m_host);
            return false;
        }
        std::size_t primary = 0;
        std::vector<PixelRect> monitors = m_x11.monitors(&primary);
        if (monitors.empty()) monitors.push_back(m_x11.screen());
        m_playing = playingIn(at, monitors, primary);
        prepareQt("xcb");
        keepQtOffTheSessionBus();
        return true;
    }

    VideoSurfaceMaker videoSurfaces() override { return xWindowVideo(); }
    Playing playing() const override { return m_playing; }
    WindowPresenter& startQt() override {
        m_presenter = std::make_unique<HostedPresenter>(m_x11, m_watch, m_host, m_playing != Playing::Nothing);
        return *m_presenter;
    }
    void attach(QtForms& forms) override { m_desktop.emplace(forms, m_hosts, QtDesktop::Pointer::LeftAlone); }
    Desktop& desktop() override { return *m_desktop; }
    Input& input() override { return m_mouse; }

private:
    unsigned long m_host;
    Playing m_playing = Playing::AsSet;
    XConnection m_x11;
    DesktopWatch m_watch;
    NoHostWindows m_hosts;
    std::unique_ptr<WindowPresenter> m_presenter;
    std::optional<QtDesktop> m_desktop;
    // A mouse that is there and reports nothing: the daemon ends the saver, not the mouse.
    BufferedMouse m_mouse{[](MouseFeedListener&, std::shared_ptr<void>& keep) {
        keep.reset();
        return Status::success();
    }};
};

}  // namespace

Playing playingIn(const PixelRect& host, const std::vector<PixelRect>& monitors, std::size_t primary) {
    if (monitors.empty()) return Playing::AsSet;
    if (primary >= monitors.size()) primary = 0;
    if (covers(host, monitors[primary])) return Playing::AsSet;
    for (const PixelRect& monitor : monitors) {
        if (covers(host, monitor)) return Playing::Nothing;
    }
    return Playing::Silently;
}

std::unique_ptr<DesktopSession> connectHostedSession(unsigned long host) {
    auto session = std::make_unique<HostedSession>(host);
    if (!session->connect()) return nullptr;
    return session;
}

}  // namespace tessiva
