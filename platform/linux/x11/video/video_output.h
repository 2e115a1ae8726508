#pragma once
// The video end of the pipeline: a sink that draws into our overlay window, chosen by what
// the X server offers. With XVideo adaptors, xvimagesink, which scales in the adaptor. Without
// (Xvfb, many virtual machines), ximagesink, which can't scale: a videoscale in front of it
// scales to the window's size, keeping the clip's aspect ratio with black borders, and
// follows the window when it changes size. GL sinks are left alone: a software GL on a plain
// X server costs several times the CPU of either.
//
// Facts relied on (GStreamer 1.22 X sinks):
// - gst_video_overlay_set_window_handle may be called before the sink's first state change;
//   the sink then draws into that window instead of creating a top-level one.
// - With gst_video_overlay_handle_events(FALSE) set before the handle, the sink selects no
//   events on the window, so pointer and key events go to the window's parent.
// - gst_video_overlay_expose makes the sink read the window's size anew and put its last
//   picture back, centred, with the borders drawn black.
// - xvimagesink can't leave the NULL state when the server has no XVideo port.
// - A capsfilter's caps may be replaced while playing; the scaler renegotiates on its next
//   buffer.
#include "platform/linux/gst/gst_ref.h"
#include "platform/status.h"

namespace tessiva {

class VideoOutput {
public:
    VideoOutput() = default;
    VideoOutput(const VideoOutput&) = delete;
    VideoOutput& operator=(const VideoOutput&) = delete;
    ~VideoOutput();

    // Builds the sink drawing into `window` (`width` x `height` pixels). A failure's message
    // is the reason alone, for the render that needed the sink.
    Status create(unsigned long window, int width, int height);
    GstElement* element() const { return m_element.get(); }
    // The X sink itself, which answers position queries without a walk over the pipeline.
    GstElement* sink() const { return m_sink.get(); }

    // The window has a new size.
    void resize(int width, int height);
    // Puts the last picture back into the window (after it was mapped, moved or exposed).
    void redraw();
    void release();

    // Whether the server offers an XVideo port; asked once per process.
    static bool xvideoAvailable();

private:
    ElementRef m_element;  // what playbin gets as its video-sink
    ElementRef m_sink;     // the X sink inside it
    ElementRef m_filter;   // the size the scaler produces; none with xvimagesink
    int m_width = 0;
    int m_height = 0;
};

}  // namespace tessiva
