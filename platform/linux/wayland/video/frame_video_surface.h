#pragma once
// The video as pictures for the saver's surface on Wayland (frame_target.h): playbin's video
// goes through a converter and a scaler into an appsink whose pictures we hand to the
// owner's target, in BGRx. A target that has its compositor scale them gets them at the
// clip's own size (square pixels): the converter only converts the colour, on the streaming
// thread, and the compositor does the scaling, on the GPU on a desktop. Any other target gets
// them scaled to exactly the size the video takes in its owner (the clip's aspect kept, with
// black borders).
//
// Why pictures and not waylandsink in a subsurface of ours: sway 1.7 doesn't repaint a
// subsurface nested under a layer surface, and forcing it (committing the parent 30 times a
// second) cost sway 16 % of a core. One buffer of ours over the whole surface, replaced each
// frame, is what a compositor shows most cheaply.
//
// Facts relied on (GStreamer 1.22):
// - appsink's callbacks run on the streaming thread; new_preroll brings the picture of a
//   paused pipeline (the first one, and the one after each flushing seek), new_sample each
//   picture while playing.
// - A capsfilter's caps may be replaced while playing; the scaler renegotiates on its next
//   buffer.
// - appsink with sync keeps the pictures to the clock, as a display sink does, and answers
//   position queries.
#include <mutex>

#include "platform/linux/gst/gst_ref.h"
#include "platform/linux/gst/video_surface.h"
#include "platform/linux/wayland/video/frame_target.h"

using GstAppSink = struct _GstAppSink;

namespace tessiva {

class FrameVideoSurface final : public VideoSurface {
public:
    explicit FrameVideoSurface(const FrameTargetRegistry& targets) : m_targets(targets) {}
    ~FrameVideoSurface() override;

    Status open() override;
    void close() override;
    GstElement* element() const override { return m_element.get(); }
    GstElement* sink() const override { return m_sink.get(); }
    Status setOwner(NativeHandle owner) override;
    void setVisible(bool visible) override;
    void setRequest(const PixelRect& request) override;
    void setFillOwner(bool fill) override;
    const PixelRect& request() const override { return m_request; }
    void follow() override { place(); }
    int fd() const override { return -1; }
    bool eventsQueued() const override { return false; }

    // The streaming thread's entry; not for the program.
    void picture(GstAppSink* sink, bool preroll);

private:
    // Works out where the video goes, and tells the scaler and the target.
    void place();

    const FrameTargetRegistry& m_targets;
    ElementRef m_element;
    ElementRef m_sink;
    ElementRef m_filter;
    PixelRect m_request = kWholeOwner;
    bool m_visible = false;
    bool m_fill = false;
    PixelRect m_asked;  // the size the filter's caps ask for; empty: the pictures' own

    // What the streaming thread reads: below. Written on the interface thread only, under the
    // lock; read there without it.
    std::mutex m_mutex;
    FrameTarget* m_target = nullptr;
    PixelRect m_placed;  // empty: nothing shows
};

// Each graph hands its pictures to the surface of the forms layer registered in `targets`,
// which outlives the graphs.
inline VideoSurfaceMaker pictureVideo(const FrameTargetRegistry& targets) {
    return [&targets] { return std::make_unique<FrameVideoSurface>(targets); };
}

}  // namespace tessiva
