#pragma once
// Where the video window sits inside its owner. The program asks for a rectangle in the units
// of its forms (twips), which as pixels names an area far larger than the owner; showing the
// part that lies inside the owner keeps the whole picture visible instead of a magnified corner.
//
// Facts relied on: X window geometry is in device pixels; an X window can't be 0 pixels wide
// or high, so an empty placement means "keep the window unmapped".
#include <algorithm>
#include <cstdint>
#include <limits>

namespace tessiva {

struct PixelRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};

// Until the program names a rectangle, the video may take all of its owner.
inline constexpr std::int64_t kUnbounded = std::numeric_limits<std::int32_t>::max();
inline constexpr PixelRect kWholeOwner{0, 0, kUnbounded, kUnbounded};

// The requested rectangle clipped to the owner's client area (0, 0, ownerWidth, ownerHeight);
// with `fillOwner` the whole client area. An empty result means nothing of it is visible.
inline PixelRect placeVideo(const PixelRect& request, int ownerWidth, int ownerHeight, bool fillOwner) {
    const PixelRect owner{0, 0, std::max(ownerWidth, 0), std::max(ownerHeight, 0)};
    if (fillOwner) return owner;
    const std::int64_t left = std::max(request.left, owner.left);
    const std::int64_t top = std::max(request.top, owner.top);
    const std::int64_t right = std::min(request.left + request.width, owner.width);
    const std::int64_t bottom = std::min(request.top + request.height, owner.height);
    if (right <= left || bottom <= top) return PixelRect{left, top, 0, 0};
    return PixelRect{left, top, right - left, bottom - top};
}

}  // namespace tessiva
