#pragma once
// A recording fake of the media framework. One FakeGraph object is every face of a graph;
// calls are written to the shared log, and any call named in `failing` answers a failure.
#include <deque>
#include <memory>
#include <set>
#include <string>

#include "fakes/call_log.h"
#include "platform/media.h"

namespace tessiva::fakes {

struct MediaScript {
    std::set<std::string> failing;  // "CreateGraph", "Render", "Run", "Volume", "QueryAudio", ...
    double duration = 10.0;
    std::deque<double> positions;   // one per getCurrentPosition; the last one repeats
};

class FakeGraph final : public MediaControl,
                        public BasicAudio,
                        public VideoWindow,
                        public MediaPosition,
                        public std::enable_shared_from_this<FakeGraph> {
public:
    FakeGraph(CallLog& log, MediaScript& script) : m_log(log), m_script(script) {}

    Status renderFile(const std::string& file) override { return call("Render " + file, "Render"); }
    Status run() override { return call("Run", "Run"); }
    Status stop() override { return call("Stop", "Stop"); }
    Status query(std::shared_ptr<BasicAudio>& out) override { return face(out, "QueryAudio"); }
    Status query(std::shared_ptr<VideoWindow>& out) override { return face(out, "QueryVideo"); }
    Status query(std::shared_ptr<MediaPosition>& out) override { return face(out, "QueryPosition"); }

    Status putVolume(std::int32_t v) override { return call("Volume " + std::to_string(v), "Volume"); }
    Status putBalance(std::int32_t v) override { return call("Balance " + std::to_string(v), "Balance"); }

    Status putWindowStyle(std::int32_t v) override { return call("WindowStyle " + std::to_string(v), "WindowStyle"); }
    Status putTop(std::int32_t v) override { return call("VideoTop " + std::to_string(v), "VideoTop"); }
    Status putLeft(std::int32_t v) override { return call("VideoLeft " + std::to_string(v), "VideoLeft"); }
    Status putWidth(std::int32_t v) override { return call("VideoWidth " + std::to_string(v), "VideoWidth"); }
    Status putHeight(std::int32_t v) override { return call("VideoHeight " + std::to_string(v), "VideoHeight"); }
    Status putOwner(NativeHandle v) override { return call("Owner " + std::to_string(v), "Owner"); }
    Status putFullScreenMode(std::int32_t v) override { return call("FullScreen " + std::to_string(v), "FullScreen"); }

    Status putRate(double v) override { return call("Rate " + std::to_string(v), "Rate"); }
    Status getCurrentPosition(double& seconds) override {
        if (!m_script.positions.empty()) {
            seconds = m_script.positions.front();
            if (m_script.positions.size() > 1) m_script.positions.pop_front();
        }
        return call("", "Position");
    }
    Status getDuration(double& seconds) override {
        seconds = m_script.duration;
        return call("", "Duration");
    }
    Status putCurrentPosition(double v) override { return call("Seek " + std::to_string(v), "Seek"); }

private:
    Status call(const std::string& line, const std::string& name) {
        if (!line.empty()) m_log.push_back(line);
        if (m_script.failing.count(name) != 0) return Status::failure("fake: " + name + " failed");
        return Status::success();
    }
    template <class Face>
    Status face(std::shared_ptr<Face>& out, const std::string& name) {
        m_log.push_back(name);
        if (m_script.failing.count(name) != 0) return Status::failure(Status::kNotImplemented, "fake: no " + name);
        out = std::shared_ptr<Face>(shared_from_this(), static_cast<Face*>(this));
        return Status::success();
    }
    CallLog& m_log;
    MediaScript& m_script;
};

class FakeMedia final : public Media {
public:
    explicit FakeMedia(CallLog& log) : m_log(log) {}
    MediaScript script;
    std::weak_ptr<FakeGraph> lastGraph;  // expires once nobody holds the graph

    Status createFilterGraph(std::shared_ptr<MediaControl>& out) override {
        m_log.push_back("CreateGraph");
        if (script.failing.count("CreateGraph") != 0) return Status::failure("fake: no graph");
        auto graph = std::make_shared<FakeGraph>(m_log, script);
        lastGraph = graph;
        out = graph;
        return Status::success();
    }

private:
    CallLog& m_log;
};

}  // namespace tessiva::fakes
