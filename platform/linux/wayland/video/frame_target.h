#pragma once
// Where the video goes on Wayland, where it has no window of its own to draw into (one
// program can't draw into another's window): the saver's playing surface takes decoded
// pictures from us, as pixels. The saver's presenter registers it under the handle it gives
// the program; the video window's owner names it.
//
// Threads: showFrame comes from GStreamer's streaming thread, the rest from the interface
// thread; a target must take both, and the registry locks for itself.
#include <cstdint>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>

#include "platform/basic_types.h"
#include "platform/shared/video_placement.h"

namespace tessiva {

// Where a picture lies in memory that another process can map (a memfd of ours), when it
// does: a target can hand it to its compositor as it is.
struct SharedPixels {
    int fd = -1;              // -1: the picture is in memory of the process's own
    std::size_t size = 0;     // the whole memory's size
    std::size_t offset = 0;   // the picture's first pixel in it
    // Keeps the pixels from being written again while the target holds a copy of it.
    std::shared_ptr<const void> hold;
    // The target's own object for this memory (its buffer for the compositor), which lives
    // as long as the memory. Streaming thread only.
    std::shared_ptr<void>* attachment = nullptr;
};

// One decoded picture, 32 bits a pixel in BGRx order (XRGB in a little-endian word). Valid
// for the call only, but for what `shared` holds.
struct FrameView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    SharedPixels shared;
};

class FrameTarget {
public:
    virtual ~FrameTarget() = default;
    // The owner's inner size in device pixels: the room the video is placed in.
    virtual void ownerSize(int& width, int& height) = 0;
    // Whether the target takes frames of any size and has them scaled (a compositor with
    // wp_viewporter): then the frames come at the clip's own size. Otherwise they come
    // scaled to the place they take, black borders included.
    virtual bool scalesFrames() const = 0;
    // Shows `frame` in `place` (already clipped to the owner), its aspect kept; the rest of
    // the owner keeps its own picture.
    virtual void showFrame(const FrameView& frame, const PixelRect& place) = 0;
    // Nothing of the video shows any more: the owner's own picture comes back.
    virtual void hideVideo() = 0;
};

class FrameTargetRegistry {
public:
    void add(NativeHandle owner, FrameTarget& target) {
        std::lock_guard lock(m_mutex);
        m_targets[owner] = &target;
    }
    void remove(NativeHandle owner) {
        std::lock_guard lock(m_mutex);
        m_targets.erase(owner);
    }
    FrameTarget* find(NativeHandle owner) const {
        std::lock_guard lock(m_mutex);
        const auto found = m_targets.find(owner);
        return found == m_targets.end() ? nullptr : found->second;
    }

private:
    mutable std::mutex m_mutex;
    std::map<NativeHandle, FrameTarget*> m_targets;
};

}  // namespace tessiva
