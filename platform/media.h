#pragma once
// The media framework as the program sees it: a filter-graph factory, and graphs that answer
// interface queries for control, audio, video window and position. Shared ownership stands in
// for counted references: the graph goes away with the last reference to any of its faces.
// Every call answers a Status; failures name the layer ("GStreamer: ...", "DirectShow: ...").
//
// What every media layer guarantees, beyond the signatures:
// - Threads. All calls come from the interface thread. Whatever threads the framework plays
//   on are its own; no callback of the program runs on them.
// - Video placement. putTop/Left/Width/Height take the numbers the program passes (its inner
//   size in twips) and place the video window as platform/shared/video_placement.h says:
//   clipped to the owner's client area, or all of it in full-screen mode, so the whole frame
//   shows.
// - The empty graph. After a failed render, or before any, the graph answers as
//   platform/shared/empty_graph.h says: position 0 and duration 0, and Run, Stop and rewinds
//   succeed. A bad clip gives a black saver that still ends on input.
// - Text. renderFile() takes a UTF-8 path; a layer whose framework takes UTF-16 (DirectShow's
//   RenderFile) converts it.
// - COM. A layer on COM relies on the composition root having initialised it on the
//   interface thread (platform/platform.h); it never initialises or uninitialises COM itself.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/basic_types.h"
#include "platform/status.h"
#include "platform/window_style.h"

namespace tessiva {

class BasicAudio {
public:
    virtual ~BasicAudio() = default;
    // Attenuation in hundredths of a decibel: 0 is full level, -10000 is silence.
    virtual Status putVolume(std::int32_t volume) = 0;
    // -10000 (left only) .. 0 (both equal) .. 10000 (right only), in the same units.
    virtual Status putBalance(std::int32_t balance) = 0;
};

class VideoWindow {
public:
    virtual ~VideoWindow() = default;
    virtual Status putWindowStyle(std::int32_t style) = 0;  // win::kWsVisible shows the video window
    virtual Status putTop(std::int32_t top) = 0;
    virtual Status putLeft(std::int32_t left) = 0;
    virtual Status putWidth(std::int32_t width) = 0;
    virtual Status putHeight(std::int32_t height) = 0;
    // The video window becomes a child of `owner` and shows inside it; 0 takes it out again.
    virtual Status putOwner(NativeHandle owner) = 0;
    virtual Status putFullScreenMode(std::int32_t mode) = 0;
};

class MediaPosition {
public:
    virtual ~MediaPosition() = default;
    virtual Status putRate(double rate) = 0;
    virtual Status getCurrentPosition(double& seconds) = 0;
    virtual Status getDuration(double& seconds) = 0;
    virtual Status putCurrentPosition(double seconds) = 0;
};

class MediaControl {
public:
    virtual ~MediaControl() = default;
    // Builds the graph that plays `file`: afterwards Run plays it and the position face
    // reports on it. A file that is missing or can't be decoded fails and leaves the graph empty.
    virtual Status renderFile(const std::string& file) = 0;
    virtual Status run() = 0;
    virtual Status stop() = 0;
    // Other faces of the same graph; a query fails when the graph doesn't offer the face.
    virtual Status query(std::shared_ptr<BasicAudio>& out) = 0;
    virtual Status query(std::shared_ptr<VideoWindow>& out) = 0;
    virtual Status query(std::shared_ptr<MediaPosition>& out) = 0;
};

class Media {
public:
    virtual ~Media() = default;
    // A new, empty filter graph.
    virtual Status createFilterGraph(std::shared_ptr<MediaControl>& out) = 0;
};

}  // namespace tessiva
