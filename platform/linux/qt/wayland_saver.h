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
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/linux/gst/frame_target.h"
#include "platform/linux/qt/window_presenter.h"
#include "platform/shared/video_placement.h"

struct wl_output;
struct wl_surface;

namespace tessiva {

class SaverSurface;
class WaylandClient;
struct Canvas;
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
    bool scalesFrames() const override;
    void ownerSize(int& width, int& height) override;
    void showFrame(const FrameView& frame, const PixelRect& place) override;
    void hideVideo() override;

private:
    NativeHandle handle() const;
    void outputsChanged();
    void playingConfigured();
    void renderForm();
    void repaint();
    void drawFormAround(Canvas& canvas, const ScaledPicture& picture);
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

    // The form changed, and no buffer was free to show it. Read without the lock by the
    // connection's reader thread, which must never wait for the lock: the interface thread
    // holds it while it destroys a surface, and that waits for the reader.
    std::atomic<bool> m_formUnshown{false};

    mutable std::mutex m_mutex;  // below: what the streaming thread shares
    std::unique_ptr<SaverSurface> m_playing;
    // The form as drawn, the playing surface's size. Let go of while the video covers all of
    // it (at 3840x2160 it takes 33 MB); drawn again when it shows.
    QImage m_form;
    QImage m_formScaled;     // m_form at the scale of the video's pictures, for the borders
    bool m_formAsked = false;  // the interface thread is to draw the form again
    PixelRect m_videoPlace;  // empty: no video over the form
};

}  // namespace tessiva
