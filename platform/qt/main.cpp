// The Linux composition root: builds the real platform on Qt, GStreamer, X11 and POSIX and
// hands it to the program, which never returns.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gst/gst_media.h"
#include "platform/posix/private_profile.h"
#include "platform/posix/standard_streams.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_forms.h"
#include "platform/x11/x_connection.h"
#include "platform/x11/x_errors.h"
#include "platform/xinput/xinput_mouse.h"
#include "startup/run_program.h"
#include "startup/switches.h"

int main(int argc, char** argv) {
    tessiva::openMissingStandardStreams();
    // Qt would take options such as -reverse or -platform out of argv: the program's own
    // command line is read before Qt sees it, and Qt gets only the program's name.
    const std::string commandLine = tessiva::joinArguments(argc, argv);

    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fprintf(stderr, "Tessiva: no X display to show on (DISPLAY is not set).\n");
        return 1;
    }
    tessiva::XConnection x11;
    if (!x11.open()) {
        std::fprintf(stderr, "Tessiva: cannot open the X display \"%s\".\n", display);
        return 1;
    }
    // Window ids are X11 window ids, and preview hosts hand us device pixels: the program
    // runs on the xcb plugin, without Qt's own scaling.
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");

    // The saver's clip starts playing only once GStreamer is up: let it come up while Qt and
    // the window do.
    tessiva::GstMedia media;
    if (tessiva::chooseMode(tessiva::switchText(commandLine)) == tessiva::DisplayMode::Saver) media.startEarly();

    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    tessiva::x11::treatLibraryExitAsDisplayLost();

    tessiva::QtForms forms(commandLine);
    forms.setNativeChildProbe(
        [&x11](tessiva::NativeHandle window, int x, int y) { return x11.mappedChildAt(static_cast<unsigned long>(window), x, y); });
    forms.setMonitorProbe([&x11] { return x11.monitors(); });
    tessiva::XConnection screenWatch;
    forms.setScreenWatch({[&screenWatch] { return screenWatch.open() && screenWatch.watchScreen() ? screenWatch.fd() : -1; },
                          [&screenWatch] { return screenWatch.screenChanged(); }});
    forms.setShownWait([&x11](tessiva::NativeHandle window) -> std::optional<QPoint> {
        // Qt's requests go out first, then ours wait for the window manager to answer them.
        if (auto* qtX11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            tessiva::XConnection::flush(qtX11->display());
        }
        const auto id = static_cast<unsigned long>(window);
        int x = 0, y = 0;
        if (!x11.waitUntilViewable(id, 500) || !x11.rootPosition(id, x, y)) return std::nullopt;
        return QPoint(x, y);
    });
    tessiva::QtDesktop desktop(forms, x11);
    tessiva::PosixProfile profile;
    tessiva::XInputMouse input;
    tessiva::Platform platform{forms, desktop, profile, media, input};
    tessiva::runProgram(platform);
}
