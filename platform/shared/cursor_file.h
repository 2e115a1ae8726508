#pragma once
// Reads the hot spot of the first image of a Windows cursor (.cur) file: a 6-byte header
// (reserved 0, type 2, count) followed by 16-byte directory entries whose bytes 4..7 hold
// the hot spot's x and y as little-endian 16-bit numbers.
#include <optional>
#include <string_view>

namespace tessiva {

struct HotSpot {
    int x = 0;
    int y = 0;
};

std::optional<HotSpot> cursorHotSpot(std::string_view fileBytes);

}  // namespace tessiva
