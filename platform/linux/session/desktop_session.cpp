// connectSession: the one place where the desktop is chosen.
#include "platform/linux/session/desktop_session.h"

#include "platform/linux/session/wayland_session.h"
#include "platform/linux/session/x11_session.h"
#include "platform/linux/wayland/wayland_client.h"

namespace tessiva {
namespace {

struct SessionKind {
    bool (*fits)(SessionUse use);
    std::unique_ptr<DesktopSession> (*connect)(SessionUse use);
};

// In order: the first that fits is the one.
constexpr SessionKind kSessions[] = {
    {[](SessionUse use) { return use != SessionUse::Preview && WaylandClient::sessionIsWayland(); }, connectWaylandSession},
    {[](SessionUse) { return true; }, connectX11Session},
};

}  // namespace

std::unique_ptr<DesktopSession> connectSession(SessionUse use) {
    for (const SessionKind& kind : kSessions) {
        if (kind.fits(use)) return kind.connect(use);
    }
    return nullptr;
}

}  // namespace tessiva
