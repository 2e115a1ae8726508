// FrameVideoSurface: the video as pictures for a surface of the forms layer (see
// frame_video_surface.h).
#include "platform/linux/wayland/video/frame_video_surface.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "platform/linux/gst/scaled_sink.h"
#include "platform/linux/wayland/video/shared_frames.h"

namespace tessiva {
namespace {

GstFlowReturn onPreroll(GstAppSink* sink, gpointer self) {
    static_cast<FrameVideoSurface*>(self)->picture(sink, true);
    return GST_FLOW_OK;
}

GstFlowReturn onSample(GstAppSink* sink, gpointer self) {
    static_cast<FrameVideoSurface*>(self)->picture(sink, false);
    return GST_FLOW_OK;
}

GstCaps* pictureCaps(const PixelRect& place) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "pixel-aspect-ratio",
                                        GST_TYPE_FRACTION, 1, 1, nullptr);
    // Nothing shows: the pictures may keep their own size, nobody looks at them.
    if (!place.empty()) {
        gst_caps_set_simple(caps, "width", G_TYPE_INT, static_cast<gint>(place.width), "height", G_TYPE_INT,
                            static_cast<gint>(place.height), nullptr);
    }
    return caps;
}

}  // namespace

FrameVideoSurface::~FrameVideoSurface() { close(); }

Status FrameVideoSurface::open() {
    close();
    m_sink = adoptElement(gst_element_factory_make("appsink", nullptr));
    if (m_sink) {
        g_object_set(m_sink.get(), "sync", TRUE, "max-buffers", 1, "drop", TRUE, "enable-last-sample", FALSE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_preroll = onPreroll;
        callbacks.new_sample = onSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(m_sink.get()), &callbacks, this, nullptr);
        offerSharedFrames(m_sink.get());
    }
    GstCaps* caps = pictureCaps(PixelRect{});
    ScaledSink scaled;
    Status made = makeScaledSink(m_sink.get(), "appsink", caps, scaled);
    gst_caps_unref(caps);
    if (!made.ok()) {
        close();
        return made;
    }
    m_element = std::move(scaled.bin);
    m_filter = std::move(scaled.filter);
    m_asked = PixelRect{};
    place();
    return Status::success();
}

void FrameVideoSurface::close() {
    if (m_sink) {
        // No picture of ours may arrive once the sink is let go of.
        GstAppSinkCallbacks none{};
        gst_app_sink_set_callbacks(GST_APP_SINK(m_sink.get()), &none, nullptr, nullptr);
    }
    m_filter.reset();
    m_sink.reset();
    m_element.reset();
}

Status FrameVideoSurface::setOwner(NativeHandle owner) {
    FrameTarget* target = owner == 0 ? nullptr : m_targets.find(owner);
    if (owner != 0 && target == nullptr) {
        return Status::failure("GStreamer: window " + std::to_string(owner) + " is not one of the program's windows");
    }
    if (m_target != nullptr && m_target != target) m_target->hideVideo();
    {
        std::lock_guard lock(m_mutex);
        m_target = target;
    }
    place();
    return Status::success();
}

void FrameVideoSurface::setVisible(bool visible) {
    m_visible = visible;
    place();
}

void FrameVideoSurface::setRequest(const PixelRect& request) {
    m_request = request;
    place();
}

void FrameVideoSurface::setFillOwner(bool fill) {
    m_fill = fill;
    place();
}

void FrameVideoSurface::place() {
    FrameTarget* target = m_target;
    PixelRect placed;
    if (target != nullptr && m_visible) {
        int width = 0, height = 0;
        target->ownerSize(width, height);
        placed = placeVideo(m_request, width, height, m_fill);
    }
    const PixelRect before = m_placed;
    {
        std::lock_guard lock(m_mutex);
        m_placed = placed;
    }
    if (placed.empty() && !before.empty() && target != nullptr) target->hideVideo();
    // A target that scales takes the clip's own size, whatever the place: no new size to
    // negotiate, and no picture dropped, when the place changes. Nothing showing: the pictures
    // may keep their own size too.
    const bool scaled = target != nullptr && target->scalesFrames();
    const PixelRect size = scaled || placed.empty() ? PixelRect{} : PixelRect{0, 0, placed.width, placed.height};
    if (m_filter && size != m_asked) {
        m_asked = size;
        GstCaps* caps = pictureCaps(size);
        g_object_set(m_filter.get(), "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
}

void FrameVideoSurface::picture(GstAppSink* sink, bool preroll) {
    GstSample* sample = preroll ? gst_app_sink_pull_preroll(sink) : gst_app_sink_pull_sample(sink);
    if (sample == nullptr) return;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoFrame frame;
    if (buffer != nullptr && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        std::lock_guard lock(m_mutex);
        FrameView view{static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                       GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                       GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), SharedPixels{}};
        if (m_target != nullptr && m_target->scalesFrames()) sharedPixels(buffer, frame, view.shared);
        // A picture of the size before a change is dropped: the scaler's next one fits.
        if (m_target != nullptr && !m_placed.empty() &&
            (m_target->scalesFrames() || (view.width == m_placed.width && view.height == m_placed.height))) {
            m_target->showFrame(view, m_placed);
        }
        gst_video_frame_unmap(&frame);
    }
    gst_sample_unref(sample);
}

}  // namespace tessiva
