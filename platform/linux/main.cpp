// The Linux composition root: builds the real platform on Qt, GStreamer, X11 or Wayland and
// POSIX, and hands it to the program, which never returns.
//
// Which desktop: in a Wayland session (WAYLAND_DISPLAY set, even beside DISPLAY) the saver
// runs natively on layer surfaces of its own and the dialog on Qt's Wayland platform. The
// preview names an X window, and Wayland lets no program draw into another's window, so it
// stays on X11 (XWayland), as everything does outside a Wayland session.
#include <QApplication>
#include <optional>
#include <string>

#include "platform/linux/gst/frame_target.h"
#include "platform/linux/gst/gst_media.h"
#include "platform/linux/posix/private_profile.h"
#include "platform/linux/posix/standard_streams.h"
#include "platform/linux/qt/layer_saver.h"
#include "platform/linux/qt/qt_desktop.h"
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/qt/qt_on_wayland.h"
#include "platform/linux/qt/qt_on_x11.h"
#include "platform/linux/qt/xdg_saver.h"
#include "platform/linux/wayland/relative_mouse.h"
#include "platform/linux/wayland/wayland_client.h"
#include "platform/linux/wayland/wayland_seat.h"
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
    const tessiva::DisplayMode mode = tessiva::displayModeOf(commandLine);

    const bool onWayland = tessiva::WaylandClient::sessionIsWayland() && mode != tessiva::DisplayMode::Preview;
    tessiva::WaylandClient wayland;
    tessiva::XConnection x11;
    if (onWayland) {
        if (!tessiva::connectWayland(wayland)) return 1;
        tessiva::prepareQtForWayland();
    } else {
        if (!tessiva::openDisplay(x11)) return 1;
        tessiva::prepareQtEnvironment();
    }

    // Where the compositor offers wlr-layer-shell, the saver's surfaces are ours; elsewhere
    // (GNOME) they are Qt's full-screen windows.
    const bool waylandSaver = onWayland && mode == tessiva::DisplayMode::Saver;
    const bool layerSaver = waylandSaver && wayland.layerShell() != nullptr;

    // The saver's clip starts playing only once GStreamer is up: let it come up while Qt and
    // the window do.
    tessiva::FrameTargets frameTargets;
    tessiva::GstMedia media(waylandSaver ? &frameTargets : nullptr);
    if (mode == tessiva::DisplayMode::Saver) media.startEarly();

    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    tessiva::x11::treatLibraryExitAsDisplayLost();

    tessiva::QtForms forms(commandLine);
    tessiva::XConnection screenWatch;
    std::optional<tessiva::WaylandSeat> seat;
    std::optional<tessiva::LayerSaver> saver;
    std::optional<tessiva::XdgSaver> xdgSaver;
    std::optional<tessiva::XInputMouse> input;
    if (onWayland) {
        // The buffered mouse reads our connection's seat in every mode: the program sets it
        // up before it knows what the window is for.
        wayland.joinMainContext();
        seat.emplace(wayland);
        input.emplace(tessiva::relativeMouseFeed(*seat));
        if (layerSaver) {
            saver.emplace(wayland, *seat, frameTargets);
            forms.setPresenter(&*saver);
        } else if (waylandSaver) {
            xdgSaver.emplace(frameTargets);
            forms.setPresenter(&*xdgSaver);
        }
    } else {
        tessiva::attachX11Probes(forms, x11, screenWatch);
        input.emplace();
    }
    tessiva::QtDesktop desktop(forms, x11);
    tessiva::PosixProfile profile;
    tessiva::Platform platform{forms, desktop, profile, media, *input};
    tessiva::runProgram(platform);
}
