#pragma once
// Which monitors the saver blacks out beside its own window, the same for every desktop.
//
// The saver's window sits at 0, 0 with the primary screen's size. Every monitor that this
// rectangle doesn't already hold whole gets a black window of its own: the monitors beside
// the primary, and on a desktop whose primary monitor isn't at the origin, the primary too
// (the saver's window then covers whatever lies at the origin instead). Mirrored monitors
// come once; a monitor of no size gets nothing.
#include <vector>

#include "platform/shared/video_placement.h"

namespace tessiva {

inline bool holdsWhole(const PixelRect& outer, const PixelRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

inline std::vector<PixelRect> monitorsToCover(const std::vector<PixelRect>& monitors, const PixelRect& saver) {
    std::vector<PixelRect> covers;
    for (const PixelRect& monitor : monitors) {
        if (monitor.empty() || holdsWhole(saver, monitor)) continue;
        bool seen = false;
        for (const PixelRect& cover : covers) seen = seen || cover == monitor;
        if (!seen) covers.push_back(monitor);
    }
    return covers;
}

}  // namespace tessiva
