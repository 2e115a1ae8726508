#pragma once
// Colours cross the seam as 0xRRGGBB, as a person writes them. Win32's COLORREF is
// 0x00BBGGRR; the layers convert here, in one place.
#include <cstdint>

namespace tessiva {

constexpr std::uint8_t redOf(std::uint32_t rgb) { return static_cast<std::uint8_t>(rgb >> 16); }
constexpr std::uint8_t greenOf(std::uint32_t rgb) { return static_cast<std::uint8_t>(rgb >> 8); }
constexpr std::uint8_t blueOf(std::uint32_t rgb) { return static_cast<std::uint8_t>(rgb); }

// 0xRRGGBB to the desktop's 0x00BBGGRR.
constexpr std::uint32_t colorRefFromRgb(std::uint32_t rgb) {
    return static_cast<std::uint32_t>(redOf(rgb)) | static_cast<std::uint32_t>(greenOf(rgb)) << 8 |
           static_cast<std::uint32_t>(blueOf(rgb)) << 16;
}

}  // namespace tessiva
