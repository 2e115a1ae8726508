#pragma once
// The program's own scalar vocabulary, shared by the core and every platform layer.
#include <cstdint>

namespace tessiva {

// Booleans are 16-bit: true is -1, false is 0, and any value other than 0 counts as true.
using VBBool = std::int16_t;
inline constexpr VBBool kTrue = -1;
inline constexpr VBBool kFalse = 0;

// A native window handle, whatever the desktop calls a window: an X11 window id, an HWND, or
// on Wayland, where windows have no ids, the address of the surface set that shows the form.
// All fit.
using NativeHandle = std::intptr_t;

}  // namespace tessiva
