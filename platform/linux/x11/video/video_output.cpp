// VideoOutput: the X video sink and, without XVideo, the scaler in front of it (see
// video_output.h for the GStreamer facts it rests on).
#include "platform/linux/x11/video/video_output.h"

#include <gst/video/videooverlay.h>

#include "platform/linux/gst/scaled_sink.h"

namespace tessiva {
namespace {

GstCaps* sizeCaps(int width, int height) {
    // Square pixels: the window's pixels are what the picture is scaled to.
    return gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                               "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
}

}  // namespace

VideoOutput::~VideoOutput() { release(); }

bool VideoOutput::xvideoAvailable() {
    static const bool available = [] {
        ElementRef probe = adoptElement(gst_element_factory_make("xvimagesink", nullptr));
        if (!probe) return false;
        const bool opened = gst_element_set_state(probe.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
        gst_element_set_state(probe.get(), GST_STATE_NULL);
        return opened;
    }();
    return available;
}

Status VideoOutput::create(unsigned long window, int width, int height) {
    release();
    m_width = width;
    m_height = height;
    if (xvideoAvailable()) {
        m_sink = adoptElement(gst_element_factory_make("xvimagesink", nullptr));
        if (!m_sink) return Status::failure("the xvimagesink element is missing");
        m_element.reset(GST_ELEMENT(gst_object_ref(m_sink.get())));
    } else {
        m_sink = adoptElement(gst_element_factory_make("ximagesink", nullptr));
        GstCaps* caps = sizeCaps(width, height);
        ScaledSink scaled;
        Status made = makeScaledSink(m_sink.get(), "ximagesink", caps, scaled);
        gst_caps_unref(caps);
        if (!made.ok()) {
            release();
            return made;
        }
        m_element = std::move(scaled.bin);
        m_filter = std::move(scaled.filter);
    }

    // The sink's own guess of the pixel shape comes from the screen's size in millimetres,
    // which some monitors report oddly; the window's pixels are square as far as we're
    // concerned, and the scaler above is told so.
    gst_util_set_object_arg(G_OBJECT(m_sink.get()), "pixel-aspect-ratio", "1/1");
    g_object_set(m_sink.get(), "force-aspect-ratio", TRUE, "handle-expose", FALSE, nullptr);
    GstVideoOverlay* overlay = GST_VIDEO_OVERLAY(m_sink.get());
    gst_video_overlay_handle_events(overlay, FALSE);
    gst_video_overlay_set_window_handle(overlay, static_cast<guintptr>(window));
    return Status::success();
}

void VideoOutput::resize(int width, int height) {
    if (width == m_width && height == m_height) return;
    m_width = width;
    m_height = height;
    if (!m_filter) return;
    GstCaps* caps = sizeCaps(width, height);
    g_object_set(m_filter.get(), "caps", caps, nullptr);
    gst_caps_unref(caps);
}

void VideoOutput::redraw() {
    if (m_sink) gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_sink.get()));
}

void VideoOutput::release() {
    m_filter.reset();
    m_sink.reset();
    m_element.reset();
}

}  // namespace tessiva
