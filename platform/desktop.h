#pragma once
// The desktop's window-management calls and cursor count, shaped after user32. Results
// follow the desktop's conventions (0 for failure where it has one); callers that don't look
// at them needn't. Implementations never throw.
//
// What every desktop layer guarantees, beyond the signatures:
// - Handles are the desktop's own (an X window id, an HWND), in a NativeHandle.
// - Geometry is in device pixels.
// - Making our window the child of a handle that names no window (0 included) is a host
//   that is already gone: the layer unloads the form from the event loop, as it does when the
//   host is destroyed later, so "/P" with a stale handle ends instead of living on unseen.
// - Text (operation, file, ...) is UTF-8; a layer whose calls take the ANSI code page
//   (ShellExecuteA) converts it.
#include <cstdint>
#include <string>

#include "platform/basic_types.h"
#include "platform/window_style.h"

namespace tessiva {

struct ClientRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

namespace win {
inline constexpr std::int32_t kGwlStyle = -16;
inline constexpr std::int32_t kGwlHwndParent = -8;
inline constexpr std::uint32_t kSwpNoZOrder = 0x04;
inline constexpr std::uint32_t kSwpNoActivate = 0x10;
inline constexpr std::uint32_t kSwpShowWindow = 0x40;
inline constexpr std::int32_t kSwHide = 0;
}  // namespace win

class Desktop {
public:
    virtual ~Desktop() = default;
    // Right and Bottom receive the client area's size in device pixels; the rectangle is left
    // as it was when the window doesn't exist.
    virtual std::int32_t getClientRect(NativeHandle window, ClientRect& rect) = 0;
    virtual std::int32_t getWindowLong(NativeHandle window, std::int32_t index) = 0;
    virtual std::int32_t setWindowLong(NativeHandle window, std::int32_t index, std::int32_t value) = 0;
    virtual NativeHandle setParent(NativeHandle child, NativeHandle newParent) = 0;
    virtual std::int32_t setWindowPos(NativeHandle window, NativeHandle insertAfter, std::int32_t x, std::int32_t y,
                                      std::int32_t cx, std::int32_t cy, std::uint32_t flags) = 0;
    // Moves the display count one step up (show != 0) or down; the cursor is hidden over our
    // windows while the count is below zero. Returns the new count.
    virtual std::int32_t showCursor(VBBool show) = 0;
    // Opens `file` (a web address) with the desktop's default handler, without waiting for
    // it. Returns a value above 32 on success, as the shell does; nothing visible happens
    // when the address can't be opened.
    virtual std::intptr_t shellExecute(NativeHandle owner, const std::string& operation, const std::string& file,
                                       const std::string& parameters, const std::string& directory,
                                       std::int32_t showCommand) = 0;
};

}  // namespace tessiva
