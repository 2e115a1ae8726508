#include "platform/linux/wayland/qt/wayland_session.h"

#include <cstdio>
#include <optional>

#include "platform/linux/gnome/gnome_shell.h"
#include "platform/linux/mouse/buffered_mouse.h"
#include "platform/linux/qt/host_windows.h"
#include "platform/linux/qt/qt_desktop.h"
#include "platform/linux/qt/qt_environment.h"
#include "platform/linux/qt/qt_window_presenter.h"
#include "platform/linux/qt/session_bus.h"
#include "platform/linux/wayland/qt/wayland_presenter.h"
#include "platform/linux/wayland/relative_mouse.h"
#include "platform/linux/wayland/saver_surface.h"
#include "platform/linux/wayland/video/frame_target.h"
#include "platform/linux/wayland/video/frame_video_surface.h"
#include "platform/linux/wayland/wayland_client.h"
#include "platform/linux/wayland/wayland_seat.h"

namespace tessiva {
namespace {

// No program can name another's window on Wayland: every host the program names is gone.
class NoHostWindows final : public HostWindows {
public:
    bool windowSize(NativeHandle, int&, int&) override { return false; }
    bool watchDestruction(NativeHandle) override { return false; }
    int fd() override { return -1; }
    bool watchedWindowDestroyed() override { return true; }
};

class WaylandSession final : public DesktopSession {
public:
    explicit WaylandSession(SessionUse use) : m_saver(use == SessionUse::Saver) {}

    bool connect() {
        if (const Status connected = m_client.connect(); !connected.ok()) {
            std::fprintf(stderr, "Tessiva: %s\n", connected.message().c_str());
            return false;
        }
        if (m_saver && !surfaceKindOffered(m_client, m_kind)) {
            std::fprintf(stderr, "Tessiva: Wayland: the compositor offers neither wlr-layer-shell nor xdg-shell\n");
            return false;
        }
        // The saver's own D-Bus call (GNOME's overview) reads the address itself.
        keepQtFromStartingABus();
        prepareQt("wayland");
        return true;
    }

    VideoSurfaceMaker videoSurfaces() override { return pictureVideo(m_frames); }

    WindowPresenter& startQt() override {
        // The buffered mouse reads our connection's seat in every mode: the program sets it
        // up before it knows what the window is for.
        m_client.joinMainContext();
        m_seat.emplace(m_client);
        m_mouse.emplace(relativeMouseFeed(*m_seat));
        if (m_saver) {
            // Where the saver's windows are toplevels, GNOME's overview would hold them.
            if (!m_kind.layer) closeGnomeOverview();
            m_presenter = std::make_unique<WaylandPresenter>(m_client, *m_seat, m_frames, m_kind);
        } else {
            m_presenter = std::make_unique<QtWindowPresenter>();
        }
        return *m_presenter;
    }

    void attach(QtForms& forms) override { m_desktop.emplace(forms, m_hosts); }
    Desktop& desktop() override { return *m_desktop; }
    Input& input() override { return *m_mouse; }

private:
    bool m_saver;
    WaylandClient m_client;
    SurfaceKind m_kind;  // the saver's surfaces, decided once
    FrameTargetRegistry m_frames;
    NoHostWindows m_hosts;
    std::optional<WaylandSeat> m_seat;
    std::optional<BufferedMouse> m_mouse;
    std::unique_ptr<WindowPresenter> m_presenter;
    std::optional<QtDesktop> m_desktop;
};

}  // namespace

std::unique_ptr<DesktopSession> connectWaylandSession(SessionUse use) {
    auto session = std::make_unique<WaylandSession>(use);
    if (!session->connect()) return nullptr;
    return session;
}

}  // namespace tessiva
