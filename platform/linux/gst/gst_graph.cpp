// GstGraph: one playbin per clip, driven from the interface thread; the contract and the
// GStreamer facts it rests on are in gst_graph.h. Nothing here runs on GStreamer's threads:
// the bus is read by polling, and the graph connects no signal or probe of its own.
#include "platform/linux/gst/gst_graph.h"

#include <cmath>

#include "platform/shared/empty_graph.h"

namespace tessiva {
namespace {

constexpr double kNanosecondsPerSecond = 1e9;

// A graph not made with make_shared has no shares to hand out.
Status unshared() { return Status::failure("GStreamer: the graph is not shared; make it with std::make_shared"); }

}  // namespace

GstGraph::GstGraph(std::unique_ptr<VideoSurface> video, bool silent) : m_video(std::move(video)), m_audio(silent) {}

GstGraph::~GstGraph() { drop(); }

// ---- MediaControl ----

Status GstGraph::renderFile(const std::string& file) {
    drop();
    Status built = build(file);
    if (!built.ok()) {
        drop();
        return Status::failure(built.code(), "GStreamer: cannot play " + file + ": " + built.message());
    }
    return built;
}

Status GstGraph::build(const std::string& file) {
    ErrorRef error;
    GError* raw = nullptr;
    TextRef uri{gst_filename_to_uri(file.c_str(), &raw)};
    error.reset(raw);
    if (!uri) return Status::failure(error ? error->message : "not a file name");

    m_pipeline = adoptElement(gst_element_factory_make("playbin", nullptr));
    if (!m_pipeline) return Status::failure("the playbin element is missing");
    m_bus.reset(gst_element_get_bus(m_pipeline.get()));
    GPollFD busFd{-1, 0, 0};
    gst_bus_get_pollfd(m_bus.get(), &busFd);
    m_busWake.watch(busFd.fd);
    Status opened = m_video->open();
    if (!opened.ok()) return opened;
    if (m_video->fd() >= 0) m_windowWake.watch(m_video->fd(), [this] { return m_video->eventsQueued(); });

    g_object_set(m_pipeline.get(), "uri", uri.get(), "video-sink", m_video->element(), nullptr);
    m_audio.attach(m_pipeline.get());

    m_file = file;
    Status prerolled = preroll();
    if (!prerolled.ok()) return prerolled;

    m_tracker.reset(-1.0);
    m_playing = false;
    m_failed = false;
    m_seekAfterRestart.reset();
    pump();  // the preroll's own messages, so that none of them is taken for a later seek's
    queryDuration();
    return Status::success();
}

Status GstGraph::preroll() {
    const GstStateChangeReturn started = gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED);
    if (started == GST_STATE_CHANGE_FAILURE) return Status::failure(popError());
    if (started != GST_STATE_CHANGE_ASYNC) return Status::success();
    // Waiting on the state alone could take the whole time: a demuxer that gives up posts its
    // error and leaves the pipeline waiting for a preroll that never comes.
    const gint64 deadline = g_get_monotonic_time() + kPrerollSeconds * G_USEC_PER_SEC;
    for (;;) {
        const gint64 left = deadline - g_get_monotonic_time();
        if (left <= 0) break;
        const auto types = static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR);
        MessageRef message{gst_bus_timed_pop_filtered(m_bus.get(), left * GST_USECOND, types)};
        if (!message) break;
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) return Status::failure(errorText(message.get()));
        if (GST_MESSAGE_SRC(message.get()) == GST_OBJECT(m_pipeline.get())) return Status::success();
    }
    return Status::failure("it showed no picture within " + std::to_string(kPrerollSeconds) + " seconds");
}

std::string GstGraph::errorText(GstMessage* message) {
    GError* raw = nullptr;
    gst_message_parse_error(message, &raw, nullptr);
    ErrorRef error{raw};
    return error ? error->message : "unknown error";
}

std::string GstGraph::popError() {
    MessageRef message{gst_bus_pop_filtered(m_bus.get(), GST_MESSAGE_ERROR)};
    return message ? errorText(message.get()) : "the pipeline would not start";
}

void GstGraph::drop() {
    m_busWake.clear();
    m_windowWake.clear();
    if (m_pipeline) gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    m_bus.reset();
    m_audio.detach();
    m_pipeline.reset();
    m_video->close();
    m_tracker.reset(-1.0);
    m_playing = false;
    m_failed = false;
    m_pathChangePending = false;
    m_seekAfterRestart.reset();
}

// A graph without a clip answers as every layer's empty graph does
// (platform/shared/empty_graph.h).
Status GstGraph::run() {
    return empty_graph::control(holdsClip(), [&] {
        pump();
        m_playing = true;
        if (Status changed = changePathNow(); !changed.ok()) return changed;
        // Held still where every pass rewinds to (the loop runs the graph after each rewind):
        // running on from there is standing there.
        if (m_tracker.held()) return Status::success();
        if (gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            return Status::failure("GStreamer: cannot play: " + popError());
        }
        return Status::success();
    });
}

Status GstGraph::stop() {
    return empty_graph::control(holdsClip(), [&] {
        m_playing = false;
        // Paused, not stopped: the last frame stays up, and Run carries on from here.
        if (gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
            return Status::failure("GStreamer: cannot stop: " + popError());
        }
        return Status::success();
    });
}

Status GstGraph::query(std::shared_ptr<BasicAudio>& out) {
    out = weak_from_this().lock();
    return out ? Status::success() : unshared();
}

Status GstGraph::query(std::shared_ptr<VideoWindow>& out) {
    out = weak_from_this().lock();
    return out ? Status::success() : unshared();
}

Status GstGraph::query(std::shared_ptr<MediaPosition>& out) {
    out = weak_from_this().lock();
    return out ? Status::success() : unshared();
}

// ---- Bus and window events ----

void GstGraph::pump() {
    if (m_bus) {
        while (MessageRef message{gst_bus_pop(m_bus.get())}) handle(message.get());
    }
    // The loop reads the position and the duration one after the other on every pass; the
    // window's connection is asked once for both.
    const gint64 now = g_get_monotonic_time();
    if (now - m_windowPolledAt < kWindowPollMicroseconds) return;
    m_windowPolledAt = now;
    if (m_pipeline) m_video->follow();
}

void GstGraph::handle(GstMessage* message) {
    // End of stream and preroll count when the whole pipeline says so; errors and a new
    // duration come from the element concerned.
    const bool fromPipeline = GST_MESSAGE_SRC(message) == GST_OBJECT(m_pipeline.get());
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        if (fromPipeline) m_tracker.ended();
        break;
    case GST_MESSAGE_ERROR:
        m_failed = true;
        m_seekAfterRestart.reset();
        m_tracker.ended();
        break;
    case GST_MESSAGE_ASYNC_DONE:
        if (!fromPipeline) break;
        if (m_seekAfterRestart) {
            const double target = *m_seekAfterRestart;
            m_seekAfterRestart.reset();
            if (seek(target)) break;
        }
        m_tracker.seekDone();
        break;
    case GST_MESSAGE_DURATION_CHANGED: queryDuration(); break;
    default: break;
    }
}

// ---- BasicAudio ----

Status GstGraph::putVolume(std::int32_t volume) {
    if (Status taken = m_audio.putVolume(volume); !taken.ok()) return taken;
    // Sound that needs the balance's filter needs a fresh playbin, as the balance does.
    if (m_audio.filterDue()) return reopen();
    if (!m_audio.pathDue()) return Status::success();
    m_audio.switchPath();
    // Playsink changes its sound path when data next flows: at the next seek, or at the
    // flush that run() makes for it where the clip stands.
    m_pathChangePending = true;
    return m_playing ? changePathNow() : Status::success();
}

// A flush where the clip stands: a new sound sink prerolls with the picture (which stays up),
// and no sound is lost to a sink joining late. An ended, failed or held clip changes on its rewind.
Status GstGraph::changePathNow() {
    if (!m_pathChangePending) return Status::success();
    m_pathChangePending = false;
    if (!m_pipeline || m_failed || m_tracker.hasEnded() || m_tracker.held() || m_tracker.seeking()) return Status::success();
    double position = 0.0;
    (void)getCurrentPosition(position);
    return seek(position) ? Status::success() : Status::failure("GStreamer: cannot change the sound path");
}

Status GstGraph::putBalance(std::int32_t balance) {
    if (Status taken = m_audio.putBalance(balance); !taken.ok()) return taken;
    // The open playbin can't take the filter the balance now needs: a fresh one can.
    return m_audio.filterDue() ? reopen() : Status::success();
}

Status GstGraph::reopen() {
    double position = 0.0;
    (void)getCurrentPosition(position);
    const bool playing = m_playing;
    const std::string file = m_file;
    Status reopened = renderFile(file);
    if (!reopened.ok()) return reopened;
    if (position > 0.0) {
        if (Status placed = putCurrentPosition(position); !placed.ok()) return placed;
    }
    return playing ? run() : Status::success();
}

// ---- VideoWindow ----

Status GstGraph::putWindowStyle(std::int32_t style) {
    m_video->setVisible((style & win::kWsVisible) != 0);
    return Status::success();
}

// Only kept here: the video surface places it in its owner (platform/shared/video_placement.h).
Status GstGraph::requestPlace(RequestNumber number, std::int32_t value) {
    PixelRect request = m_video->request();
    const Status changed = changeRequest(request, number, value, "GStreamer");
    if (changed.ok()) m_video->setRequest(request);
    return changed;
}

Status GstGraph::putTop(std::int32_t top) { return requestPlace(&PixelRect::top, top); }
Status GstGraph::putLeft(std::int32_t left) { return requestPlace(&PixelRect::left, left); }
Status GstGraph::putWidth(std::int32_t width) { return requestPlace(&PixelRect::width, width); }
Status GstGraph::putHeight(std::int32_t height) { return requestPlace(&PixelRect::height, height); }

Status GstGraph::putOwner(NativeHandle owner) {
    return m_video->setOwner(owner);
}

Status GstGraph::putFullScreenMode(std::int32_t mode) {
    m_video->setFillOwner(mode != 0);
    return Status::success();
}

// ---- MediaPosition ----

Status GstGraph::putRate(double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate)) {
        return Status::failure(Status::kInvalidArgument, "GStreamer: a playback rate must be positive");
    }
    if (rate != 1.0) return Status::failure(Status::kNotImplemented, "GStreamer: only normal speed is supported");
    return Status::success();
}

Status GstGraph::getCurrentPosition(double& seconds) {
    pump();
    return empty_graph::seconds(holdsClip(), seconds, [&](double& answer) {
        std::optional<double> queried;
        if (m_tracker.wantsQuery()) {
            // The loop asks on every pass: the video sink answers from the clock, where the
            // pipeline would walk all of playbin's bins to ask each sink in turn.
            gint64 position = 0;
            GstElement* sink = m_video->sink();
            if ((sink != nullptr && queryPosition(sink, position)) || queryPosition(m_pipeline.get(), position)) {
                queried = static_cast<double>(position) / kNanosecondsPerSecond;
            }
        }
        answer = m_tracker.position(queried);
        return Status::success();
    });
}

bool GstGraph::queryPosition(GstElement* element, gint64& position) {
    GstQuery* query = m_positionQuery.get();
    if (query == nullptr || !gst_element_query(element, query)) return false;
    GstFormat format = GST_FORMAT_UNDEFINED;
    gst_query_parse_position(query, &format, &position);
    return format == GST_FORMAT_TIME && position >= 0;
}

Status GstGraph::getDuration(double& seconds) {
    pump();
    return empty_graph::seconds(holdsClip(), seconds, [&](double& answer) {
        if (!m_tracker.durationKnown()) queryDuration();
        answer = m_tracker.duration();
        return Status::success();
    });
}

void GstGraph::queryDuration() {
    gint64 duration = 0;
    if (m_pipeline && gst_element_query_duration(m_pipeline.get(), GST_FORMAT_TIME, &duration) && duration >= 0) {
        m_tracker.setDuration(static_cast<double>(duration) / kNanosecondsPerSecond);
    }
}

Status GstGraph::putCurrentPosition(double seconds) {
    if (!(seconds >= 0.0) || !std::isfinite(seconds)) {
        return Status::failure(Status::kInvalidArgument, "GStreamer: cannot seek to a negative position");
    }
    return empty_graph::control(holdsClip(), [&] {
        pump();  // anything the pipeline said before this seek is not about it
        if (m_failed) {
            // The pipeline stopped on an error: start it afresh, from the beginning, and seek
            // once it has prerolled if need be.
            m_failed = false;
            gst_element_set_state(m_pipeline.get(), GST_STATE_READY);
            gst_bus_set_flushing(m_bus.get(), TRUE);
            gst_bus_set_flushing(m_bus.get(), FALSE);
            if (seconds > 0.0) m_seekAfterRestart = seconds;
            m_tracker.seekStarted(seconds);
            if (gst_element_set_state(m_pipeline.get(), m_playing ? GST_STATE_PLAYING : GST_STATE_PAUSED) ==
                GST_STATE_CHANGE_FAILURE) {
                m_seekAfterRestart.reset();
                m_tracker.ended();
                return Status::failure("GStreamer: cannot restart the clip: " + popError());
            }
            return Status::success();
        }
        // Asked for where it already stands: another flush would only decode the same frame
        // again. Asked once more after that seek has shown its frame, the program rewinds on
        // every pass (a clip so short that its rounded position always equals its rounded
        // duration): all it can show is that frame, so the graph holds still on it, paused,
        // and the rewinds and runs that follow cost nothing. A seek elsewhere lets it go.
        if (m_tracker.heldAt(seconds)) return Status::success();
        if (m_tracker.standsAt(seconds, kStandingSeconds)) {
            if (m_playing && !m_tracker.seeking()) {
                gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED);
                m_tracker.holdAt(seconds);
            }
            return Status::success();
        }
        const bool wasHeld = m_tracker.held();
        if (!seek(seconds)) return Status::failure("GStreamer: cannot seek to " + std::to_string(seconds) + " s");
        if (wasHeld && m_playing && gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            return Status::failure("GStreamer: cannot play: " + popError());
        }
        return Status::success();
    });
}

bool GstGraph::seek(double seconds) {
    m_pathChangePending = false;  // data flows again from here: playsink takes the new path
    const auto target = static_cast<gint64>(std::llround(seconds * kNanosecondsPerSecond));
    // Flushing, so the new position shows at once; accurate, so it is the one asked for. The
    // sink keeps the last frame up meanwhile.
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek_simple(m_pipeline.get(), GST_FORMAT_TIME, flags, target)) return false;
    m_tracker.seekStarted(seconds);
    return true;
}

}  // namespace tessiva
