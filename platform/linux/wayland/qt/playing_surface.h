#pragma once
// The surface the saver plays on, on Wayland, and what it shows: the form as its definition
// draws it, and the video's frames over it (a frame target, frame_target.h). A frame that
// covers the whole surface goes to the compositor as it is, from the media layer's shared
// memory (a lent buffer); any other is composed in a buffer of ours, at the frame's scale
// where the compositor scales, the form drawn around it. The form's picture is let go of
// while the video covers all of it (form_picture.h).
//
// Threads: the interface thread makes, places and closes the surface and draws the form;
// showFrame comes from GStreamer's streaming thread; one lock guards the surface and the
// form's picture between them. The compositor's giving buffers back comes on the
// connection's reader thread, which never waits for the lock.
#include <QImage>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/linux/qt/form_picture.h"
#include "platform/linux/wayland/saver_surface.h"
#include "platform/linux/wayland/video/frame_target.h"
#include "platform/shared/video_placement.h"

struct wl_output;

namespace tessiva {

class QtFormWindow;
class WaylandClient;

class PlayingSurface final : public FrameTarget {
public:
    // `ask` is how the surface asks the interface thread, from any thread, to draw the form
    // again (`redraw`: render it first) once it may.
    using Ask = std::function<void(bool redraw)>;
    PlayingSurface(WaylandClient& client, SurfaceKind kind, Ask ask);
    ~PlayingSurface() override;

    // Interface thread. Makes the surface where the compositor puts new ones, unless it is
    // there; see SaverSurface for the callbacks.
    void open(SaverSurface::Callback configured, SaverSurface::Callback closed);
    void close();
    // The compositor has sized it and said which output shows it.
    bool placed() const;
    wl_output* shownOn() const;
    // The form to draw, and drawing it: `render` draws the form's picture anew first.
    void setForm(QtFormWindow* form) { m_form = form; }
    void drawForm(bool render);

    // FrameTarget
    bool scalesFrames() const override { return m_kind.scaled; }
    void ownerSize(int& width, int& height) override;
    void showFrame(const FrameView& frame, const PixelRect& place) override;
    void hideVideo() override;

private:
    void renderForm();
    void repaint();
    void drawFormAround(Canvas& canvas, const ScaledPicture& picture);

    WaylandClient& m_client;
    const SurfaceKind m_kind;
    Ask m_ask;
    QtFormWindow* m_form = nullptr;  // interface thread
    // The form changed, and no buffer was free to show it. Read without the lock by the
    // connection's reader thread, which must never wait for the lock: the interface thread
    // holds it while it destroys a surface, and that waits for the reader.
    std::atomic<bool> m_formUnshown{false};

    mutable std::mutex m_mutex;  // below: what the streaming thread shares
    std::unique_ptr<SaverSurface> m_surface;
    QImage m_picture;        // the form as drawn, the surface's size
    QImage m_pictureScaled;  // m_picture at the scale of the video's frames, for the borders
    FormPicture m_formPicture;
    PixelRect m_videoPlace;  // empty: no video over the form
};

}  // namespace tessiva
