#include "platform/linux/qt/qt_on_wayland.h"

#include <QByteArray>
#include <cstdio>

namespace tessiva {

void prepareQtForWayland() {
    qputenv("QT_QPA_PLATFORM", "wayland");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

bool connectWayland(WaylandClient& client, bool layerShell) {
    Status connected = client.connect();
    if (!connected.ok()) {
        std::fprintf(stderr, "Tessiva: %s\n", connected.message().c_str());
        return false;
    }
    if (layerShell && client.layerShell() == nullptr) {
        std::fprintf(stderr, "Tessiva: Wayland: the compositor offers no wlr-layer-shell, which the saver needs\n");
        return false;
    }
    return true;
}

}  // namespace tessiva
