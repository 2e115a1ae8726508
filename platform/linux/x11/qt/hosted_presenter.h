#pragma once
// The saver's window inside a screensaver daemon's window: a child of the daemon's window,
// covering it and following its size. The daemon owns the screen, the input and the end:
// the window makes no top-level window and no covers, goes to no full screen, takes no focus
// and grabs nothing, and lets every key, click and move through to the daemon's window (an
// empty input shape), so the program's own input rules never hear of them. The daemon's
// window destroyed ends the program with 0. Where nothing plays (the daemon's window over a
// monitor that isn't the primary one), the window joins the daemon's unmapped: the daemon's
// own black shows, and none of the form's controls. Interface thread.
//
// Facts relied on:
// - Qt makes a widget's window a child of a foreign window (QWindow::fromWinId) without
//   selecting any event on that window; ButtonPress, which only one client may select on a
//   window, stays the daemon's.
// - A window's input shape doesn't reach its children's own, but the server looks for the
//   pointer in children only where their parent holds it: our video's window inside ours
//   passes input through too.
// - A window made on one connection exists for another only once the server has done the
//   request: Qt's connection is synced before ours names the window.
#include <QSocketNotifier>
#include <memory>

#include "platform/linux/qt/window_presenter.h"

namespace tessiva {

class DesktopWatch;
class XConnection;

class HostedPresenter final : public WindowPresenter {
public:
    // `x11` and `watch` must outlive the presenter; `host` is the daemon's window; `shows`
    // false where nothing plays.
    HostedPresenter(XConnection& x11, DesktopWatch& watch, unsigned long host, bool shows);

    Status show(QtFormWindow& window) override;
    NativeHandle handle(QtFormWindow& window) override;
    // The daemon covers every monitor itself.
    Status coverOtherMonitors(QtFormWindow&) override { return Status::success(); }
    // Wherever the program puts the window, it covers the daemon's window.
    void placed(QtFormWindow& window) override { fitHost(window); }
    void hide() override {}
    // The daemon's window lies over everything, a box too: nothing of ours hides it.
    void giveWayToReport() override {}

private:
    void fitHost(QtFormWindow& window);
    void watchHost(QtFormWindow& window);

    XConnection& m_x11;
    DesktopWatch& m_watch;
    unsigned long m_host;
    bool m_shows;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tessiva
