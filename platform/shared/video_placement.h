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
#include <string>
#include <string_view>

#include "platform/status.h"

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

// The program moves and sizes the video window one number at a time (putTop, putLeft,
// putWidth, putHeight), and every media layer keeps the rectangle those numbers make alike:
// `number` names the one a call changes (&PixelRect::top, ...).
using RequestNumber = std::int64_t PixelRect::*;

// `request` with its `number` set to `value`. A negative width or height is refused with
// kInvalidArgument, the message led by `layer` ("DirectShow", "GStreamer"), and `request`
// stays as it was.
[[nodiscard]] inline Status changeRequest(PixelRect& request, RequestNumber number, std::int32_t value,
                                          std::string_view layer) {
    const bool size = number == &PixelRect::width || number == &PixelRect::height;
    if (size && value < 0) {
        return Status::failure(Status::kInvalidArgument,
                               std::string(layer) + ": the video window can't have a negative size");
    }
    request.*number = value;
    return Status::success();
}

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

// A picture for a compositor that scales (Wayland's viewporter): instead of scaling each
// frame to the screen, the layer hands over a buffer at the frame's own scale, which the
// compositor stretches over the whole owner. The frame keeps its aspect inside `place` (the
// video's rectangle in the owner), centred, as a video window shows it.
struct ScaledPicture {
    int width = 0;    // the buffer, covering the whole owner; 0: nothing to show
    int height = 0;
    PixelRect room;   // `place` in the buffer: black where the frame doesn't cover it
    PixelRect frame;  // the frame in the buffer, at its own size
};

inline ScaledPicture scalePicture(int ownerWidth, int ownerHeight, const PixelRect& place, int frameWidth,
                                  int frameHeight) {
    if (ownerWidth <= 0 || ownerHeight <= 0 || place.empty() || frameWidth <= 0 || frameHeight <= 0) return {};
    // How many owner pixels a frame pixel takes.
    const double scale = (std::min)(static_cast<double>(place.width) / frameWidth,
                                    static_cast<double>(place.height) / frameHeight);
    const auto toBuffer = [scale](double ownerPixels) { return static_cast<std::int64_t>(ownerPixels / scale + 0.5); };
    ScaledPicture picture;
    picture.width = static_cast<int>((std::max<std::int64_t>)(toBuffer(ownerWidth), 1));
    picture.height = static_cast<int>((std::max<std::int64_t>)(toBuffer(ownerHeight), 1));
    picture.room = PixelRect{toBuffer(static_cast<double>(place.left)), toBuffer(static_cast<double>(place.top)),
                             toBuffer(static_cast<double>(place.width)), toBuffer(static_cast<double>(place.height))};
    // Centred in its room, and never past the buffer's edge, whatever the rounding did.
    const std::int64_t left = picture.room.left + (picture.room.width - frameWidth) / 2;
    const std::int64_t top = picture.room.top + (picture.room.height - frameHeight) / 2;
    picture.frame = PixelRect{(std::clamp<std::int64_t>)(left, 0, (std::max<std::int64_t>)(picture.width - frameWidth, 0)),
                              (std::clamp<std::int64_t>)(top, 0, (std::max<std::int64_t>)(picture.height - frameHeight, 0)),
                              frameWidth, frameHeight};
    picture.width = static_cast<int>((std::max<std::int64_t>)(picture.width, picture.frame.left + frameWidth));
    picture.height = static_cast<int>((std::max<std::int64_t>)(picture.height, picture.frame.top + frameHeight));
    return picture;
}

}  // namespace tessiva
