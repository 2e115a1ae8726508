#pragma once
// Window style bits, as the desktop's window calls and the media framework's video window
// both take them. The values are the desktop's own; the names are ours, so that they don't
// collide with the system headers' macros of the same meaning.
#include <cstdint>

namespace tessiva::win {

inline constexpr std::int32_t kWsChild = 0x40000000;
inline constexpr std::int32_t kWsVisible = 0x10000000;

}  // namespace tessiva::win
