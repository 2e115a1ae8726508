#pragma once
// The desktop's window calls on user32 and shell32, passed through with the program's own
// arguments. Only three things are added: a parent that names no window unloads the form (a
// host already gone), a style that makes a window a child loses WS_POPUP, and texts are
// converted to the ANSI code page for ShellExecuteA.
//
// Facts relied on:
// - Wine activates a window whose style holds both WS_POPUP and WS_CHILD when it is shown,
//   whatever SWP_NOACTIVATE says: a preview would take the focus from the Display settings.
// - On Win64, mingw defines no GWL_HWNDPARENT, and Wine refuses index -8 with
//   SetWindowLongA: the parent link goes through SetWindowLongPtrA(GWLP_HWNDPARENT).
// - HWNDs are valid across processes, so a preview host's handle from the command line can
//   be used as it is.
#include "platform/desktop.h"

namespace tessiva {

class Win32Forms;

class Win32Desktop final : public Desktop {
public:
    explicit Win32Desktop(Win32Forms& forms) : m_forms(forms) {}

    std::int32_t getClientRect(NativeHandle window, ClientRect& rect) override;
    std::int32_t getWindowLong(NativeHandle window, std::int32_t index) override;
    std::int32_t setWindowLong(NativeHandle window, std::int32_t index, std::int32_t value) override;
    NativeHandle setParent(NativeHandle child, NativeHandle newParent) override;
    std::int32_t setWindowPos(NativeHandle window, NativeHandle insertAfter, std::int32_t x, std::int32_t y,
                              std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
    std::int32_t showCursor(VBBool show) override;
    std::intptr_t shellExecute(NativeHandle owner, const std::string& operation, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               std::int32_t showCommand) override;

private:
    Win32Forms& m_forms;
};

}  // namespace tessiva
