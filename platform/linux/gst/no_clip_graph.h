#pragma once
// A filter graph that never holds a clip: where the program's window shows on a monitor on
// which nothing plays (a screensaver daemon's window over a monitor that isn't the primary
// one), the program still opens its clip, and this graph takes every call without opening
// the file, decoding or drawing anything. It answers as every empty graph does
// (platform/shared/empty_graph.h): position and duration 0, and Run, Stop and rewinds succeed,
// so the program's loop runs on over a black window. Interface thread.
#include <memory>
#include <string>

#include "platform/media.h"

namespace tessiva {

class NoClipGraph final : public MediaControl,
                          public BasicAudio,
                          public VideoWindow,
                          public MediaPosition,
                          public std::enable_shared_from_this<NoClipGraph> {
public:
    // Nothing to render here: the graph stays empty, and that is no failure.
    Status renderFile(const std::string&) override { return Status::success(); }
    Status run() override { return Status::success(); }
    Status stop() override { return Status::success(); }
    Status query(std::shared_ptr<BasicAudio>& out) override { return face(out); }
    Status query(std::shared_ptr<VideoWindow>& out) override { return face(out); }
    Status query(std::shared_ptr<MediaPosition>& out) override { return face(out); }

    Status putVolume(std::int32_t) override { return Status::success(); }
    Status putBalance(std::int32_t) override { return Status::success(); }

    Status putWindowStyle(std::int32_t) override { return Status::success(); }
    Status putTop(std::int32_t) override { return Status::success(); }
    Status putLeft(std::int32_t) override { return Status::success(); }
    Status putWidth(std::int32_t) override { return Status::success(); }
    Status putHeight(std::int32_t) override { return Status::success(); }
    Status putOwner(NativeHandle) override { return Status::success(); }
    Status putFullScreenMode(std::int32_t) override { return Status::success(); }

    Status putRate(double) override { return Status::success(); }
    Status getCurrentPosition(double& seconds) override { return zero(seconds); }
    Status getDuration(double& seconds) override { return zero(seconds); }
    Status putCurrentPosition(double) override { return Status::success(); }

private:
    static Status zero(double& seconds) {
        seconds = 0.0;
        return Status::success();
    }
    template <class Face>
    Status face(std::shared_ptr<Face>& out) {
        out = shared_from_this();
        return Status::success();
    }
};

}  // namespace tessiva
