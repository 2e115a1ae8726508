#include "platform/linux/x11/qt/x11_session.h"

#include <optional>

#include "platform/linux/gnome/gnome_shell.h"
#include "platform/linux/mouse/buffered_mouse.h"
#include "platform/linux/qt/host_windows.h"
#include "platform/linux/qt/qt_desktop.h"
#include "platform/linux/qt/qt_environment.h"
#include "platform/linux/qt/session_bus.h"
#include "platform/linux/x11/desktop_watch.h"
#include "platform/linux/x11/open_display.h"
#include "platform/linux/x11/qt/x11_presenter.h"
#include "platform/linux/x11/video/x_video_surface.h"
#include "platform/linux/x11/x_connection.h"
#include "platform/linux/x11/xinput/raw_mouse_watcher.h"

namespace tessiva {
namespace {

// A preview host is an X window: our own connections answer for it, its destruction comes
// with the desktop's other changes.
class XHostWindows final : public HostWindows {
public:
    XHostWindows(XConnection& x11, DesktopWatch& watch) : m_x11(x11), m_watch(watch) {}
    bool windowSize(NativeHandle window, int& width, int& height) override {
        return m_x11.windowSize(static_cast<unsigned long>(window), width, height);
    }
    bool watchDestruction(NativeHandle window) override {
        return m_watch.watchDestruction(static_cast<unsigned long>(window));
    }
    int fd() override { return m_watch.fd(); }
    bool watchedWindowDestroyed() override { return m_watch.destroyed(); }

private:
    XConnection& m_x11;
    DesktopWatch& m_watch;
};

class X11Session final : public DesktopSession {
public:
    explicit X11Session(SessionUse use) : m_use(use) {}

    bool connect() {
        if (!openDisplay(m_x11)) return false;
        // Window ids are X11 window ids, and preview hosts hand us device pixels: the program
        // runs on the xcb plugin, without Qt's own scaling.
        prepareQt("xcb");
        // GNOME's overview would hold the saver's window as a thumbnail; the call reads the
        // bus's address before Qt is kept off the bus.
        if (m_use == SessionUse::Saver) closeGnomeOverview();
        if (m_use == SessionUse::Other) {
            keepQtFromStartingABus();
        } else {
            keepQtOffTheSessionBus();
        }
        return true;
    }

    VideoSurfaceMaker videoSurfaces() override { return xWindowVideo(); }
    WindowPresenter& startQt() override {
        if (m_use == SessionUse::Saver) {
            m_presenter = std::make_unique<X11Presenter>(m_x11, m_watch);
        } else {
            m_presenter = std::make_unique<QtWindowPresenter>();
        }
        return *m_presenter;
    }
    void attach(QtForms& forms) override { m_desktop.emplace(forms, m_hosts); }
    Desktop& desktop() override { return *m_desktop; }
    Input& input() override { return m_mouse; }

private:
    SessionUse m_use;
    XConnection m_x11;
    DesktopWatch m_watch;
    XHostWindows m_hosts{m_x11, m_watch};
    std::unique_ptr<WindowPresenter> m_presenter;
    std::optional<QtDesktop> m_desktop;
    BufferedMouse m_mouse{xinputMouseFeed()};
};

}  // namespace

std::unique_ptr<DesktopSession> connectX11Session(SessionUse use) {
    auto session = std::make_unique<X11Session>(use);
    if (!session->connect()) return nullptr;
    return session;
}

}  // namespace tessiva
