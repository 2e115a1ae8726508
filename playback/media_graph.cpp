#include "playback/media_graph.h"

#include "playback/rewind_deadline.h"

#include "platform/convert.h"
#include "platform/desktop.h"
#include "platform/runtime_error.h"
#include "settings/ini.h"
#include "settings/settings_file.h"

namespace tessiva {
namespace {

// Runs one step and drops the run-time error it raises: the next step runs regardless.
template <class Step>
void step(Step&& action) {
    try {
        action();
    } catch (const RuntimeError&) {
    }
}

// A call through an unset reference fails like a failing call.
template <class Face>
Face& set(const std::shared_ptr<Face>& reference) {
    if (!reference) throw errors::objectNotSet();
    return *reference;
}

// Asking an unset graph for another face gives an unset reference without failing.
template <class Face>
std::shared_ptr<Face> queryFrom(const std::shared_ptr<MediaControl>& graph) {
    std::shared_ptr<Face> face;
    if (graph) check(graph->query(face));
    return face;
}

}  // namespace

void MediaGraph::OpenDShowFile(const std::string& Filename) {
    step([&] {
        std::shared_ptr<tessiva::MediaControl> graph;
        check(m_platform.media.createFilterGraph(graph));
        MediaControl = std::move(graph);
    });
    step([&] { check(set(MediaControl).renderFile(Filename)); });
    step([&] { BasicAudio = queryFrom<tessiva::BasicAudio>(MediaControl); });
    // A sound setting that can't be read as a number leaves the sound on.
    bool soundOn = true;
    step([&] {
        soundOn = toDouble(ReadIni(m_platform.profile, settingsFile(m_platform.forms), "config", "sound", "1")) == 1.0;
    });
    step([&] { check(set(BasicAudio).putVolume(soundOn ? 0 : -10000)); });
    step([&] { check(set(BasicAudio).putBalance(0)); });
    step([&] { VideoWindow = queryFrom<tessiva::VideoWindow>(MediaControl); });
    step([&] { check(set(VideoWindow).putWindowStyle(win::kWsVisible)); });
    step([&] { check(set(VideoWindow).putTop(0)); });
    step([&] { check(set(VideoWindow).putLeft(0)); });
    step([&] { check(set(VideoWindow).putWidth(roundToLong(window().scaleWidth()))); });
    step([&] { check(set(VideoWindow).putHeight(roundToLong(window().scaleHeight()))); });
    step([&] { check(set(VideoWindow).putOwner(window().hWnd())); });
    step([&] { check(set(VideoWindow).putFullScreenMode(1)); });
    step([&] { MediaPosition = queryFrom<tessiva::MediaPosition>(MediaControl); });
    step([&] { check(set(MediaPosition).putRate(1.0)); });
}

void MediaGraph::RemoveDShow() {
    try {
        if (MediaControl) check(MediaControl->stop());
        if (VideoWindow) check(VideoWindow->putOwner(0));
        BasicAudio.reset();
        MediaControl.reset();
        VideoWindow.reset();
        MediaPosition.reset();
    } catch (const RuntimeError&) {
    }
}

void MediaGraph::RunPlaybackLoop(const VBBool& running) {
    check(set(MediaControl).run());
    while (running != kFalse) {
        double position = 0;
        double duration = 0;
        check(set(MediaPosition).getCurrentPosition(position));
        check(set(MediaPosition).getDuration(duration));
        if (roundToLong(position) == roundToLong(duration)) {
            check(set(MediaPosition).putCurrentPosition(0.0));
            check(set(MediaControl).run());
            position = 0.0;
        }
        // Nothing this loop does can change before the next rewind can fall; input and the
        // media framework's messages end the wait sooner.
        m_platform.forms.yield(untilRewindCanFall(position, duration));
        // The window was unloaded inside the yield: the saver is over, even where the Unload
        // handler could not let the graph go, and nothing is left to play or to report.
        if (windowUnloaded()) return;
    }
}

}  // namespace tessiva
