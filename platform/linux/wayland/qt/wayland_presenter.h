#pragma once
// The saver's window on a Wayland compositor, as surfaces of our own (saver_surface.h: overlay
// layer surfaces where the compositor offers wlr-layer-shell, full-screen toplevels where it
// doesn't): the one the compositor places (on the focused output) plays (playing_surface.h);
// every other output gets a black one, and outputs that come while it runs get one too, those
// that go take theirs along. The surfaces take the keyboard and hide the pointer; keys,
// clicks and moves over any of them reach the form through its plain input calls.
//
// What changes (an output, the form, a surface the compositor closed) is collected as flags
// and handled in one place, on the interface thread, outside whatever listener noticed it.
// Interface thread; the flags may be raised from any thread.
#include <QPointF>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/linux/qt/window_presenter.h"
#include "platform/linux/wayland/qt/playing_surface.h"

struct wl_surface;

namespace tessiva {

class FrameTargetRegistry;
class SaverSurface;
class WaylandClient;
class WaylandSeat;

class WaylandPresenter final : public WindowPresenter {
public:
    WaylandPresenter(WaylandClient& client, WaylandSeat& seat, FrameTargetRegistry& targets, SurfaceKind kind);
    ~WaylandPresenter() override;

    Status show(QtFormWindow& window) override;
    NativeHandle handle(QtFormWindow&) override { return handle(); }
    Status coverOtherMonitors(QtFormWindow& window) override;
    void changed(QtFormWindow& window) override;
    void hide() override;

private:
    enum Change : unsigned {
        kReshow = 1,   // the playing surface's output went: show it again where the compositor puts it
        kRedraw = 2,   // draw the form's picture anew, and show it
        kRepaint = 4,  // show the form's picture again
        kCovers = 8,   // bring the covers in step with the outputs
    };
    // Raises `changes`; the interface thread handles them once the running listener is done.
    void ask(unsigned changes);
    void handleChanges();
    NativeHandle handle() const;
    void syncCovers();
    // Runs `input` now, or once show() has stopped waiting for the compositor: no handler may
    // run inside another (the Load handler shows the form).
    void input(std::function<void()> input);
    QPointF onSaver(wl_surface* surface, double x, double y) const;

    WaylandClient& m_client;
    FrameTargetRegistry& m_targets;
    const SurfaceKind m_kind;
    QtFormWindow* m_window = nullptr;
    bool m_wantCovers = false;
    bool m_hidden = false;
    bool m_placing = false;  // inside show(), waiting for the compositor
    std::atomic<unsigned> m_changes{0};
    PlayingSurface m_playing;
    std::vector<std::unique_ptr<SaverSurface>> m_covers;
};

}  // namespace tessiva
