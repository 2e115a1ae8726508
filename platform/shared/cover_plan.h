#pragma once
// Which monitors the saver blacks out beside the one it plays on, the same for every desktop:
// X11's RandR monitors, Windows' display monitors, and a Wayland compositor's outputs.
//
// `playing` is what the saver's own window or surface shows: on X11 and Windows its window at
// 0, 0 with the primary screen's size, on Wayland the output its surface was put on. Every
// monitor that this rectangle doesn't already hold whole gets a black cover of its own: the
// monitors beside it, and on a desktop whose primary monitor isn't at the origin, the primary
// too (the saver's window then covers whatever lies at the origin instead). Mirrored monitors
// (the same rectangle twice) get one cover, the first; a monitor of no size gets none.
#include <cstddef>
#include <vector>

#include "platform/shared/video_placement.h"

namespace tessiva {

inline bool holdsWhole(const PixelRect& outer, const PixelRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

// The indices of the monitors that get a cover, in the monitors' order.
inline std::vector<std::size_t> coverPlan(const std::vector<PixelRect>& monitors, const PixelRect& playing) {
    std::vector<std::size_t> covers;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const PixelRect& monitor = monitors[i];
        if (monitor.empty() || holdsWhole(playing, monitor)) continue;
        bool seen = false;
        for (const std::size_t earlier : covers) seen = seen || monitors[earlier] == monitor;
        if (!seen) covers.push_back(i);
    }
    return covers;
}

// A point on a cover, in pixels of the cover, as the saver's window measures it: from the
// playing rectangle's corner, as it would measure a point beside it.
struct PointOnSaver {
    double x = 0;
    double y = 0;
};
inline PointOnSaver pointOnSaver(const PixelRect& cover, const PixelRect& playing, double x, double y) {
    return PointOnSaver{static_cast<double>(cover.left - playing.left) + x, static_cast<double>(cover.top - playing.top) + y};
}

}  // namespace tessiva
