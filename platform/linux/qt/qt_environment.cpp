#include "platform/linux/qt/qt_environment.h"

#include <QByteArray>

namespace tessiva {

void prepareQt(const char* platform) {
    qputenv("QT_QPA_PLATFORM", platform);
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

}  // namespace tessiva
