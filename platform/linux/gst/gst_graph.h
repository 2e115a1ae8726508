#pragma once
// One filter graph on GStreamer: a playbin for one clip, drawing on the video surface the
// desktop makes (an X window of ours on X11, pictures for the saver's surfaces on Wayland).
// A single object answers all four faces (control, audio, video window, position); the faces
// handed out by query() share its ownership, so the graph lives until the last of them goes.
// Then the pipeline is stopped and freed, and the video window destroyed.
//
// Contract, beyond the seam's: the position and duration getters never fail. An empty graph
// (nothing rendered, or the render failed) answers as platform/shared/empty_graph.h says.
// Settings given before a clip is rendered (owner, placement, volume, ...) are kept and take
// effect when it is.
//
// Facts relied on (GStreamer 1.22):
// - playbin picks the demuxer by the content, whatever the file's extension.
// - Preroll ends with ASYNC_DONE from the pipeline, or with an ERROR message saying why it
//   can't; a demuxer that gives up may leave the state change pending for ever, so the wait is
//   on the bus, and bounded.
// - Nobody runs a GLib main loop for us: the bus is read with gst_bus_pop from the getters,
//   which the program's loop calls constantly. No bus watch or sync handler is installed: the
//   graph itself runs nothing on GStreamer's threads (a video surface may: the pictures for
//   Wayland come through appsink's callbacks and an allocation probe).
// - After a flushing seek the pipeline prerolls again and posts ASYNC_DONE; until then the
//   position query fails or answers stale values.
// - The last frame stays on screen through a flushing seek: no video surface clears its
//   picture on flush.
// - playbin takes an audio filter only while stopped (NULL): a balance that leaves the centre
//   after the clip is open reopens the clip where it stood, the video window included (the
//   sound side and its facts are in playbin_audio.h).
// - A graph is silent until given a volume above silence, and silence is no sound path: no
//   sound sink, no device. A volume that crosses the silent level on an open clip gives it
//   its sound path or takes it away, through a flushing seek where the clip stands: at once
//   while it runs, else when it is next run, so that the clip's first picture doesn't wait
//   for it.
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/gst/gst_ref.h"
#include "platform/linux/gst/main_context_wake.h"
#include "platform/linux/gst/playbin_audio.h"
#include "platform/linux/gst/position_tracker.h"
#include "platform/linux/gst/video_surface.h"
#include "platform/media.h"

namespace tessiva {

class GstGraph final : public MediaControl,
                       public BasicAudio,
                       public VideoWindow,
                       public MediaPosition,
                       public std::enable_shared_from_this<GstGraph> {
public:
    // How long a clip may take to show its first frame before we give up on it.
    static constexpr int kPrerollSeconds = 5;

    // Make it with std::make_shared: query() hands out shares of it. The video goes to
    // `video`, whichever kind the desktop chose. A `silent` graph takes every volume and
    // balance and never sounds (playbin_audio.h).
    explicit GstGraph(std::unique_ptr<VideoSurface> video, bool silent = false);
    GstGraph(const GstGraph&) = delete;
    GstGraph& operator=(const GstGraph&) = delete;
    ~GstGraph() override;

    // MediaControl
    Status renderFile(const std::string& file) override;
    Status run() override;
    Status stop() override;
    Status query(std::shared_ptr<BasicAudio>& out) override;
    Status query(std::shared_ptr<VideoWindow>& out) override;
    Status query(std::shared_ptr<MediaPosition>& out) override;

    // BasicAudio
    Status putVolume(std::int32_t volume) override;
    Status putBalance(std::int32_t balance) override;

    // VideoWindow
    Status putWindowStyle(std::int32_t style) override;
    Status putTop(std::int32_t top) override;
    Status putLeft(std::int32_t left) override;
    Status putWidth(std::int32_t width) override;
    Status putHeight(std::int32_t height) override;
    Status putOwner(NativeHandle owner) override;
    Status putFullScreenMode(std::int32_t mode) override;

    // MediaPosition
    Status putRate(double rate) override;
    Status getCurrentPosition(double& seconds) override;
    Status getDuration(double& seconds) override;
    Status putCurrentPosition(double seconds) override;

private:
    // A clip rendered into a pipeline; without one the graph answers as an empty graph.
    bool holdsClip() const { return static_cast<bool>(m_pipeline); }
    Status build(const std::string& file);
    Status preroll();
    void drop();
    void pump();
    void handle(GstMessage* message);
    Status requestPlace(RequestNumber number, std::int32_t value);
    // The clip again, where it stood and as it ran, with the pipeline made afresh.
    Status reopen();
    Status changePathNow();
    void queryDuration();
    bool queryPosition(GstElement* element, gint64& position);
    bool seek(double seconds);
    std::string popError();
    static std::string errorText(GstMessage* error);

    std::unique_ptr<VideoSurface> m_video;  // outlives the pipeline drawing on it
    ElementRef m_pipeline;
    PlaybinAudio m_audio;    // the levels, kept from clip to clip, and the sound elements
    std::string m_file;      // the clip the pipeline plays
    BusRef m_bus;
    // The bus's messages and the video window's events end the interface thread's wait.
    MainContextWake m_busWake;
    MainContextWake m_windowWake;
    // Asked again on every pass of the playback loop; made once, since a query that nobody
    // else holds can be answered again.
    QueryRef m_positionQuery{gst_query_new_position(GST_FORMAT_TIME)};
    PositionTracker m_tracker;
    static constexpr gint64 kWindowPollMicroseconds = 2000;
    // Less than this past a position, the picture is still that position's frame (a frame at
    // 20 frames a second or more).
    static constexpr double kStandingSeconds = 0.05;
    gint64 m_windowPolledAt = 0;  // g_get_monotonic_time() of the last look at the window
    bool m_playing = false;  // what run/stop asked for
    bool m_failed = false;   // the pipeline reported an error after it had prerolled
    bool m_pathChangePending = false;  // the sound path changed, and no data has flowed since
    std::optional<double> m_seekAfterRestart;
};

}  // namespace tessiva
