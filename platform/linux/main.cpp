// The Linux composition root: chooses the desktop once (session/connect_session.h), builds
// the real platform on it with Qt, GStreamer and POSIX, and hands it to the program, which
// never returns. A screensaver daemon's command line (session/daemon_switches.h) runs the
// saver, "/S", in the daemon's window.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/gst/gst_media.h"
#include "platform/linux/posix/display_lost.h"
#include "platform/linux/posix/private_profile.h"
#include "platform/linux/posix/standard_streams.h"
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/session/connect_session.h"
#include "platform/linux/session/daemon_switches.h"
#include "startup/run_program.h"
#include "startup/switches.h"

namespace {

tessiva::SessionUse useOf(tessiva::DisplayMode mode) {
    switch (mode) {
    case tessiva::DisplayMode::Saver: return tessiva::SessionUse::Saver;
    case tessiva::DisplayMode::Preview: return tessiva::SessionUse::Preview;
    default: return tessiva::SessionUse::Other;
    }
}

}  // namespace

int main(int argc, char** argv) {
    tessiva::openMissingStandardStreams();
    // Qt would take options such as -reverse or -platform out of argv: the program's own
    // command line is read before Qt sees it, and Qt gets only the program's name.
    const std::optional<tessiva::DaemonHost> daemon = tessiva::daemonHost(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    if (daemon && !daemon->error.empty()) {
        std::fprintf(stderr, "Tessiva: %s\n", daemon->error.c_str());
        return 2;
    }
    const std::string commandLine = daemon ? std::string("/S") : tessiva::joinArguments(argc, argv);
    const tessiva::DisplayMode mode = tessiva::displayModeOf(commandLine);

    const std::unique_ptr<tessiva::DesktopSession> session =
        tessiva::connectSession({useOf(mode), daemon ? daemon->window : 0});
    if (session == nullptr) return daemon ? 2 : 1;

    // The saver's clip starts playing only once GStreamer is up: let it come up while Qt and
    // the window do.
    tessiva::GstMedia media(session->videoSurfaces(), session->playing());
    if (mode == tessiva::DisplayMode::Saver) media.startEarly();

    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    tessiva::treatLibraryExitAsDisplayLost();

    tessiva::QtForms forms(commandLine, session->startQt());
    session->attach(forms);
    tessiva::PosixProfile profile;
    tessiva::Platform platform{forms, session->desktop(), profile, media, session->input()};
    tessiva::runProgram(platform);
}
