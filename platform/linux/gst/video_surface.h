#pragma once
// What the video is drawn on, as the graph sees it: the sink element for playbin, and the
// video window's settings (owner, visibility, requested rectangle, full-screen mode), kept
// before there is anything to apply them to. The desktop makes them: an X window of our own
// that an X sink draws into (x11/video/x_video_surface.h), or pictures handed to the saver's
// surfaces (wayland/video/frame_video_surface.h). Interface thread only.
#include <functional>
#include <memory>

#include "platform/basic_types.h"
#include "platform/shared/video_placement.h"
#include "platform/status.h"

using GstElement = struct _GstElement;

namespace tessiva {

class VideoSurface {
public:
    virtual ~VideoSurface() = default;

    // Makes the sink, and whatever it draws into; a failure's message is the reason alone.
    virtual Status open() = 0;
    // Lets go of both; the settings stay for the next open().
    virtual void close() = 0;
    virtual GstElement* element() const = 0;  // what playbin gets as its video-sink
    virtual GstElement* sink() const = 0;     // the sink itself, for position queries

    // Fails when `owner` names no window.
    virtual Status setOwner(NativeHandle owner) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setRequest(const PixelRect& request) = 0;
    virtual void setFillOwner(bool fill) = 0;
    virtual const PixelRect& request() const = 0;

    // Follows whatever changed around the video since the last call (the owner's size).
    virtual void follow() = 0;
    // A descriptor that becomes readable when follow() has work (-1: none), and whether
    // work waits that the descriptor no longer shows.
    virtual int fd() const = 0;
    virtual bool eventsQueued() const = 0;
};

// Makes a new graph's surface: the desktop chooses the kind once, for every graph.
using VideoSurfaceMaker = std::function<std::unique_ptr<VideoSurface>()>;

}  // namespace tessiva
