#include "platform/linux/session/x11_session.h"

#include <optional>

#include "platform/linux/gst/x_video_surface.h"
#include "platform/linux/mouse/buffered_mouse.h"
#include "platform/linux/qt/host_windows.h"
#include "platform/linux/qt/qt_desktop.h"
#include "platform/linux/qt/x11_presenter.h"
#include "platform/linux/session/qt_environment.h"
#include "platform/linux/session/session_bus.h"
#include "platform/linux/x11/display_check.h"
#include "platform/linux/x11/x_connection.h"
#include "platform/linux/x11/xinput/raw_mouse_watcher.h"

namespace tessiva {
namespace {

// A preview host is an X window: our own connection answers for it.
class XHostWindows final : public HostWindows {
public:
    explicit XHostWindows(XConnection& x11) : m_x11(x11) {}
    bool windowSize(NativeHandle window, int& width, int& height) override {
        return m_x11.windowSize(static_cast<unsigned long>(window), width, height);
    }
    bool watchDestruction(NativeHandle window) override { return m_x11.watchDestruction(static_cast<unsigned long>(window)); }
    int fd() override { return m_x11.fd(); }
    bool watchedWindowDestroyed() override { return m_x11.watchedWindowDestroyed(); }

private:
    XConnection& m_x11;
};

class X11Session final : public DesktopSession {
public:
    explicit X11Session(SessionUse use) : m_use(use) {}

    bool connect() {
        if (!openDisplay(m_x11)) return false;
        // Window ids are X11 window ids, and preview hosts hand us device pixels: the program
        // runs on the xcb plugin, without Qt's own scaling.
        prepareQt("xcb");
        if (m_use == SessionUse::Other) {
            keepQtFromStartingABus();
        } else {
            keepQtOffTheSessionBus();
        }
        return true;
    }

    VideoSurfaceMaker videoSurfaces() override { return xWindowVideo(); }
    WindowPresenter& startQt() override { return m_presenter.emplace(m_x11); }
    void attach(QtForms& forms) override { m_desktop.emplace(forms, m_hosts); }
    Desktop& desktop() override { return *m_desktop; }
    Input& input() override { return m_mouse; }

private:
    SessionUse m_use;
    XConnection m_x11;
    XHostWindows m_hosts{m_x11};
    std::optional<X11Presenter> m_presenter;
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
