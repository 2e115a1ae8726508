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

bool connectWayland(WaylandClient& client) {
    Status connected = client.connect();
    if (!connected.ok()) {
        std::fprintf(stderr, "Tessiva: %s\n", connected.message().c_str());
        return false;
    }
    return true;
}

}  // namespace tessiva
