#pragma once
// The saver's window on a Wayland compositor, as surfaces of our own (saver_surface.h: overlay
// layer surfaces where the compositor offers wlr-layer-shell, full-screen toplevels where it
// doesn't): one that the compositor places (on the focused output) shows the form as its
// definition draws it, with the video over it; every other output gets a black one. The surfaces take the
// keyboard and hide the pointer; keys, clicks and moves over any of them reach the form as
// its own. Outputs that come while it runs get a black surface too; those that go take
// theirs along.
//
// Threads: the interface thread for all but showFrame, which GStreamer's streaming thread
// calls; one lock guards the playing surface and the form's picture between them.
#include <QImage>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/linux/gst/frame_target.h"
#include "platform/linux/qt/window_presenter.h"

struct wl_output;
struct wl_surface;

namespace tessiva {

class SaverSurface;
class WaylandClient;
class WaylandSeat;

class WaylandSaver final : public WindowPresenter, public FrameTarget {
public:
    WaylandSaver(WaylandClient& client, WaylandSeat& seat, FrameTargets& targets);
    ~WaylandSaver() override;

    // WindowPresenter
    Status show(QtFormWindow& window) override;
    NativeHandle handle(QtFormWindow&) override { return handle(); }
    Status coverOtherMonitors(QtFormWindow& window) override;
    void changed(QtFormWindow& window) override;
    void hide() override;

    // FrameTarget
    void ownerSize(int& width, int& height) override;
    void showFrame(const FrameView& frame, const PixelRect& place) override;
    void hideVideo() override;

private:
    NativeHandle handle() const;
    void outputsChanged();
    void playingConfigured();
    void renderForm();
    void repaint();
    void syncCovers();
    QPointF positionOn(wl_surface* surface, double x, double y) const;
    void keyPressed(const std::string& text);
    void moved(wl_surface* surface, double x, double y, int buttons);
    void pressed(wl_surface* surface, double x, double y, int button);

    WaylandClient& m_client;
    WaylandSeat& m_seat;
    FrameTargets& m_targets;
    QtFormWindow* m_window = nullptr;
    bool m_wantCovers = false;
    bool m_hidden = false;
    bool m_redrawQueued = false;
    // Inside show(), waiting for the compositor: input that comes meanwhile waits for the
    // event loop, since no handler may run inside another (the Load handler shows the form).
    bool m_placing = false;
    std::vector<std::unique_ptr<SaverSurface>> m_covers;

    mutable std::mutex m_mutex;  // below: what the streaming thread shares
    std::unique_ptr<SaverSurface> m_playing;
    QImage m_form;              // the form as drawn, the playing surface's size
    PixelRect m_videoPlace;     // empty: no video over the form
    bool m_formUnshown = false; // the form changed, and no buffer was free to show it
};

}  // namespace tessiva
