#pragma once
// The desktop's window calls and cursor count, for our own window (through Qt, so that Qt's
// idea of the window stays true) and for a preview host (through host_windows.h). Embedding
// in a host also starts watching it: when the host is destroyed, or never existed, the form
// is unloaded from the event loop, as the desktop would when a window's parent goes away.
//
// Style bits of our window are kept here: neither X11 nor Wayland has any. kWsChild makes the
// window one that is never activated; kWsVisible is read from the window.
//
// The cursor count hides the pointer over our windows while it is below zero, unless the
// program draws in another program's window (a screensaver daemon's), whose pointer is that
// program's: then the count is only counted.
#include <QSocketNotifier>
#include <memory>

#include "platform/desktop.h"

namespace tessiva {

class HostWindows;
class QtForms;

class QtDesktop final : public Desktop {
public:
    enum class Pointer { HidesWithCount, LeftAlone };
    QtDesktop(QtForms& forms, HostWindows& hosts, Pointer pointer = Pointer::HidesWithCount);
    ~QtDesktop() override;

    std::int32_t getClientRect(NativeHandle window, ClientRect& rect) override;
    std::int32_t getWindowLong(NativeHandle window, std::int32_t index) override;
    std::int32_t setWindowLong(NativeHandle window, std::int32_t index, std::int32_t value) override;
    NativeHandle setParent(NativeHandle child, NativeHandle newParent) override;
    std::int32_t setWindowPos(NativeHandle window, NativeHandle insertAfter, std::int32_t x, std::int32_t y,
                              std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
    std::int32_t showCursor(VBBool show) override;
    // Opens web addresses with xdg-open, started directly (no shell) and reaped by a waiting
    // thread, so it never blocks the dialog and leaves no zombie. The parameters, directory
    // and show command apply to programs, not documents, and are not used.
    std::intptr_t shellExecute(NativeHandle owner, const std::string& operation, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               std::int32_t showCommand) override;

private:
    bool isOurs(NativeHandle window);
    void watchHost(NativeHandle host);
    void hostGone();

    QtForms& m_forms;
    HostWindows& m_hosts;
    std::int32_t m_style;
    NativeHandle m_parent = 0;
    NativeHandle m_owner = 0;
    std::int32_t m_cursorCount = 0;
    Pointer m_pointer;
    std::unique_ptr<QSocketNotifier> m_hostNotifier;
};

}  // namespace tessiva
