#pragma once
// Where the video window sits inside its owner, the same for every media layer.
//
// The program passes the owner's inner size in twips, as its forms measure it, and the video
// window takes those numbers as pixels: a rectangle about fifteen times the owner's size. A
// layer that placed the video there would show a magnified top-left corner of the frame. So
// every media layer gives its video window the requested rectangle clipped to the owner's
// client area (in device pixels), and with full-screen mode on, the whole client area: the
// whole frame shows, scaled to the owner. An empty result means that nothing of the video
// window is visible; a layer keeps it hidden then (an X window can't be 0 pixels wide).
// (std::max) and the like in parentheses: <windows.h> defines min and max as macros unless a
// file asks it not to, and this header must compile beside it either way.
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
inline constexpr std::int64_t kUnbounded = (std::numeric_limits<std::int32_t>::max)();
inline constexpr PixelRect kWholeOwner{0, 0, kUnbounded, kUnbounded};

// The requested rectangle clipped to the owner's client area (0, 0, ownerWidth, ownerHeight);
// with `fillOwner` the whole client area. An empty result means nothing of it is visible.
inline PixelRect placeVideo(const PixelRect& request, int ownerWidth, int ownerHeight, bool fillOwner) {
    const PixelRect owner{0, 0, (std::max)(ownerWidth, 0), (std::max)(ownerHeight, 0)};
    if (fillOwner) return owner;
    const std::int64_t left = (std::max)(request.left, owner.left);
    const std::int64_t top = (std::max)(request.top, owner.top);
    const std::int64_t right = (std::min)(request.left + request.width, owner.width);
    const std::int64_t bottom = (std::min)(request.top + request.height, owner.height);
    if (right <= left || bottom <= top) return PixelRect{left, top, 0, 0};
    return PixelRect{left, top, right - left, bottom - top};
}

}  // namespace tessiva
