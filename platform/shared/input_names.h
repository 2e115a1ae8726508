#pragma once
// Device and property names at the input seam ("guid_SysMouse", "DIPROP_BUFFERSIZE") are
// compared as the DirectX 8 object model always has, ignoring case, by every input layer.
#include <algorithm>
#include <cctype>
#include <string_view>

namespace tessiva {

inline bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace tessiva
