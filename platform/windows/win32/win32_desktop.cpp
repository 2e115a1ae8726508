#include "platform/windows/win32/win32_desktop.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/windows/com/text.h"
#include "platform/windows/win32/win32_forms.h"

namespace tessiva {
namespace {

HWND hwndOf(NativeHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

std::int32_t Win32Desktop::getClientRect(NativeHandle window, ClientRect& rect) {
    RECT r{};
    if (GetClientRect(hwndOf(window), &r) == 0) return 0;
    rect = ClientRect{r.left, r.top, r.right, r.bottom};
    return 1;
}

std::int32_t Win32Desktop::getWindowLong(NativeHandle window, std::int32_t index) {
    if (index == win::kGwlHwndParent) {
        return static_cast<std::int32_t>(GetWindowLongPtrA(hwndOf(window), GWLP_HWNDPARENT));
    }
    return GetWindowLongA(hwndOf(window), index);
}

std::int32_t Win32Desktop::setWindowLong(NativeHandle window, std::int32_t index, std::int32_t value) {
    if (index == win::kGwlHwndParent) {
        return static_cast<std::int32_t>(SetWindowLongPtrA(hwndOf(window), GWLP_HWNDPARENT, value));
    }
    if (index == win::kGwlStyle && (value & WS_CHILD) != 0) {
        // A child can't also be a pop-up: Wine activates a window that holds both when it is
        // shown, whatever SWP_NOACTIVATE says, and the preview would take the focus from
        // the Display settings. The other bits stay as they were.
        value &= ~static_cast<std::int32_t>(WS_POPUP);
    }
    return SetWindowLongA(hwndOf(window), index, value);
}

NativeHandle Win32Desktop::setParent(NativeHandle child, NativeHandle newParent) {
    const HWND previous = SetParent(hwndOf(child), hwndOf(newParent));
    // 0, or a handle that names no window: the host is gone before we could join it.
    if (newParent == 0 || IsWindow(hwndOf(newParent)) == 0) m_forms.unloadLater();
    return reinterpret_cast<NativeHandle>(previous);
}

std::int32_t Win32Desktop::setWindowPos(NativeHandle window, NativeHandle insertAfter, std::int32_t x, std::int32_t y,
                                        std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
    return SetWindowPos(hwndOf(window), hwndOf(insertAfter), x, y, cx, cy, flags);
}

std::int32_t Win32Desktop::showCursor(VBBool show) { return ShowCursor(show != kFalse ? TRUE : FALSE); }

std::intptr_t Win32Desktop::shellExecute(NativeHandle owner, const std::string& operation, const std::string& file,
                                         const std::string& parameters, const std::string& directory,
                                         std::int32_t showCommand) {
    HINSTANCE result = ShellExecuteA(hwndOf(owner), win32::ansiFromUtf8(operation).c_str(),
                                     win32::ansiFromUtf8(file).c_str(), win32::ansiFromUtf8(parameters).c_str(),
                                     win32::ansiFromUtf8(directory).c_str(), showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace tessiva
