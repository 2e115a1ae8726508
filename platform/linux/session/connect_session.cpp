#include "platform/linux/session/connect_session.h"

#include "platform/linux/wayland/qt/wayland_session.h"
#include "platform/linux/wayland/wayland_client.h"
#include "platform/linux/x11/qt/x11_session.h"

namespace tessiva {
namespace {

struct SessionKind {
    bool (*fits)(SessionUse use);
    std::unique_ptr<DesktopSession> (*connect)(SessionUse use);
};

// In order: the first that fits is the one. The preview names an X window, and Wayland lets
// no program draw into another's window, so it stays on X11 (XWayland) in any session.
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
