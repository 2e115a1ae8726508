#include "platform/linux/session/connect_session.h"

#include "platform/linux/wayland/qt/wayland_session.h"
#include "platform/linux/wayland/wayland_client.h"
#include "platform/linux/x11/qt/hosted_session.h"
#include "platform/linux/x11/qt/x11_session.h"

namespace tessiva {
namespace {

struct SessionKind {
    bool (*fits)(const SessionRequest& request);
    std::unique_ptr<DesktopSession> (*connect)(const SessionRequest& request);
};

// In order: the first that fits is the one. A screensaver daemon's window is an X window, as
// is the preview's host, and Wayland lets no program draw into another's window, so both
// stay on X11 (XWayland) in any session.
constexpr SessionKind kSessions[] = {
    {[](const SessionRequest& r) { return r.host != 0; },
     [](const SessionRequest& r) { return connectHostedSession(r.host); }},
    {[](const SessionRequest& r) { return r.use != SessionUse::Preview && WaylandClient::sessionIsWayland(); },
     [](const SessionRequest& r) { return connectWaylandSession(r.use); }},
    {[](const SessionRequest&) { return true; }, [](const SessionRequest& r) { return connectX11Session(r.use); }},
};

}  // namespace

std::unique_ptr<DesktopSession> connectSession(const SessionRequest& request) {
    for (const SessionKind& kind : kSessions) {
        if (kind.fits(request)) return kind.connect(request);
    }
    return nullptr;
}

}  // namespace tessiva
