#pragma once
// The media seam on GStreamer: each filter graph is a GstGraph (playbin drawing on the video
// surface the desktop chose). Construct one GstMedia for the program's life, on the
// interface thread:
//     tessiva::GstMedia media(tessiva::xWindowVideo());
// It initialises GStreamer on first use; creating a graph fails if that is impossible.
//
// Facts relied on: gst_init_check may be called any number of times, from any thread (it
// holds a lock of its own, so a second caller waits for the first); it loads the plugin
// registry only once.
#include "platform/linux/gst/video_surface.h"
#include "platform/media.h"

namespace tessiva {

// What the program's graphs may do. A screensaver daemon's window decides it: one over the
// primary monitor plays the clip as the settings say, a settings preview plays it without
// sound whatever they say, and one over another monitor plays nothing (as the saver's own
// covers there show nothing): its graphs never open the clip (no_clip_graph.h).
enum class Playing { AsSet, Silently, Nothing };

class GstMedia final : public Media {
public:
    // Each graph draws on a surface that `surfaces` makes (x_video_surface.h on X11,
    // frame_video_surface.h where the forms layer takes pictures).
    explicit GstMedia(VideoSurfaceMaker surfaces, Playing playing = Playing::AsSet)
        : m_surfaces(std::move(surfaces)), m_playing(playing) {}

    // Starts GStreamer (the plugin registry, and the plugins that the first graph and the
    // sample's kind of clip need) on a thread of its own, so that the saver's first graph
    // needn't wait for them while the window comes up. Call at most once; the thread is never
    // joined and ends by itself. Nothing starts where nothing plays.
    void startEarly();

    Status createFilterGraph(std::shared_ptr<MediaControl>& out) override;

private:
    VideoSurfaceMaker m_surfaces;
    Playing m_playing;
};

}  // namespace tessiva
