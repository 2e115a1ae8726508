#include "platform/linux/qt/qt_on_x11.h"

#include <QApplication>
#include <optional>

namespace tessiva {

void prepareQtEnvironment() {
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

void attachX11Probes(QtForms& forms, XConnection& x11, XConnection& screenWatch) {
    forms.setNativeChildProbe(
        [&x11](NativeHandle window, int x, int y) { return x11.mappedChildAt(static_cast<unsigned long>(window), x, y); });
    forms.setMonitorProbe([&x11] { return x11.monitors(); });
    forms.setScreenWatch({[&screenWatch] { return screenWatch.open() && screenWatch.watchScreen() ? screenWatch.fd() : -1; },
                          [&screenWatch] { return screenWatch.screenChanged(); }});
    forms.setShownWait([&x11](NativeHandle window) -> std::optional<QPoint> {
        // Qt's requests go out first, then ours wait for the window manager to answer them.
        if (auto* qtX11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            XConnection::flush(qtX11->display());
        }
        const auto id = static_cast<unsigned long>(window);
        int x = 0, y = 0;
        if (!x11.waitUntilViewable(id, 500) || !x11.rootPosition(id, x, y)) return std::nullopt;
        return QPoint(x, y);
    });
}

}  // namespace tessiva
