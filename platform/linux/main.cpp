// The Linux composition root: builds the real platform on Qt, GStreamer, X11 and POSIX and
// hands it to the program, which never returns.
#include <QApplication>
#include <string>

#include "platform/linux/gst/gst_media.h"
#include "platform/linux/posix/private_profile.h"
#include "platform/linux/posix/standard_streams.h"
#include "platform/linux/qt/qt_desktop.h"
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/qt/qt_on_x11.h"
#include "platform/linux/x11/display_check.h"
#include "platform/linux/x11/x_connection.h"
#include "platform/linux/x11/x_errors.h"
#include "platform/linux/x11/xinput/xinput_mouse.h"
#include "startup/run_program.h"
#include "startup/switches.h"

int main(int argc, char** argv) {
    tessiva::openMissingStandardStreams();
    // Qt would take options such as -reverse or -platform out of argv: the program's own
    // command line is read before Qt sees it, and Qt gets only the program's name.
    const std::string commandLine = tessiva::joinArguments(argc, argv);

    tessiva::XConnection x11;
    if (!tessiva::openDisplay(x11)) return 1;
    tessiva::prepareQtEnvironment();

    // The saver's clip starts playing only once GStreamer is up: let it come up while Qt and
    // the window do.
    tessiva::GstMedia media;
    if (tessiva::displayModeOf(commandLine) == tessiva::DisplayMode::Saver) media.startEarly();

    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    tessiva::x11::treatLibraryExitAsDisplayLost();

    tessiva::QtForms forms(commandLine);
    tessiva::XConnection screenWatch;
    tessiva::attachX11Probes(forms, x11, screenWatch);
    tessiva::QtDesktop desktop(forms, x11);
    tessiva::PosixProfile profile;
    tessiva::XInputMouse input;
    tessiva::Platform platform{forms, desktop, profile, media, input};
    tessiva::runProgram(platform);
}
