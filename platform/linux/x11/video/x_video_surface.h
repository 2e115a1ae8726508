#pragma once
// The video on X11: an X window of our own (overlay_window.h) with an X sink drawing into it
// (video_output.h), the sink scaled to the window and told to redraw as the window changes.
#include "platform/linux/gst/video_surface.h"
#include "platform/linux/x11/video/overlay_window.h"
#include "platform/linux/x11/video/video_output.h"

namespace tessiva {

class XVideoSurface final : public VideoSurface {
public:
    Status open() override;
    void close() override;
    GstElement* element() const override { return m_output.element(); }
    GstElement* sink() const override { return m_output.sink(); }
    Status setOwner(NativeHandle owner) override;
    void setVisible(bool visible) override { apply(m_window.setVisible(visible)); }
    void setRequest(const PixelRect& request) override { apply(m_window.setRequest(request)); }
    void setFillOwner(bool fill) override { apply(m_window.setFillOwner(fill)); }
    const PixelRect& request() const override { return m_window.request(); }
    void follow() override { apply(m_window.pollEvents()); }
    int fd() const override { return m_window.fd(); }
    bool eventsQueued() const override { return m_window.eventsQueued(); }

private:
    void apply(const WindowChange& change);

    OverlayWindow m_window;  // outlives the sink drawing into it
    VideoOutput m_output;
};

// Each graph draws into an X window of its own.
inline VideoSurfaceMaker xWindowVideo() {
    return [] { return std::make_unique<XVideoSurface>(); };
}

}  // namespace tessiva
