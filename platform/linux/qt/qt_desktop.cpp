#include "platform/linux/qt/qt_desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <thread>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/qt/host_windows.h"

extern char** environ;

namespace tessiva {
namespace {

// What a frameless top-level window of ours starts with.
constexpr std::int32_t kClipSiblingsAndChildren = 0x06000000;
constexpr std::int32_t kCaptionAndSystemMenu = 0x00C80000;

}  // namespace

QtDesktop::QtDesktop(QtForms& forms, HostWindows& hosts, Pointer pointer)
    : m_forms(forms), m_hosts(hosts), m_style(kClipSiblingsAndChildren), m_pointer(pointer) {}

QtDesktop::~QtDesktop() = default;

bool QtDesktop::isOurs(NativeHandle window) {
    QtFormWindow* form = m_forms.window();
    return form != nullptr && window != 0 && form->hWnd() == window;
}

std::int32_t QtDesktop::getClientRect(NativeHandle window, ClientRect& rect) {
    int width = 0;
    int height = 0;
    if (isOurs(window)) {
        width = m_forms.window()->width();
        height = m_forms.window()->height();
    } else if (!m_hosts.windowSize(window, width, height)) {
        return 0;
    }
    rect = ClientRect{0, 0, width, height};
    return 1;
}

std::int32_t QtDesktop::getWindowLong(NativeHandle window, std::int32_t index) {
    if (!isOurs(window)) return 0;
    switch (index) {
    case win::kGwlStyle: {
        std::int32_t style = m_style;
        if (m_forms.window()->borderStyle() == 3) style |= kCaptionAndSystemMenu;
        if (m_forms.window()->isVisible()) style |= win::kWsVisible;
        return style;
    }
    case win::kGwlHwndParent: return static_cast<std::int32_t>(m_owner);
    default: return 0;
    }
}

std::int32_t QtDesktop::setWindowLong(NativeHandle window, std::int32_t index, std::int32_t value) {
    if (!isOurs(window)) return 0;
    const std::int32_t previous = getWindowLong(window, index);
    QtFormWindow* form = m_forms.window();
    switch (index) {
    case win::kGwlStyle:
        m_style = value & ~win::kWsVisible;
        if ((value & win::kWsChild) != 0) {
            // A child window is never activated and never takes the focus by itself.
            // Attributes only: changing window flags would recreate the X window and its id.
            form->setAttribute(Qt::WA_ShowWithoutActivating, true);
            form->setAttribute(Qt::WA_X11DoNotAcceptFocus, true);
        }
        return previous;
    case win::kGwlHwndParent:
        m_owner = value;
        return previous;
    default: return 0;
    }
}

NativeHandle QtDesktop::setParent(NativeHandle child, NativeHandle newParent) {
    if (!isOurs(child)) return 0;
    const NativeHandle previous = m_parent;
    QWindow* window = m_forms.window()->windowHandle();
    if (newParent == 0) {
        // 0 names no window: a host that is gone before we could join it.
        window->setParent(nullptr);
        m_parent = 0;
        hostGone();
        return previous;
    }
    window->setParent(QWindow::fromWinId(static_cast<WId>(newParent)));
    m_parent = newParent;
    watchHost(newParent);
    return previous;
}

std::int32_t QtDesktop::setWindowPos(NativeHandle window, NativeHandle /*insertAfter*/, std::int32_t x, std::int32_t y,
                                     std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
    if (!isOurs(window)) return 0;
    QtFormWindow* form = m_forms.window();
    // Device pixels are Qt's pixels here: the program runs without Qt's high-DPI scaling.
    form->setGeometry(x, y, std::max(cx, 1), std::max(cy, 1));
    if ((flags & win::kSwpShowWindow) != 0) {
        if ((flags & win::kSwpNoActivate) != 0) form->setAttribute(Qt::WA_ShowWithoutActivating, true);
        form->QWidget::show();
    }
    if ((flags & win::kSwpNoZOrder) == 0) form->raise();
    return 1;
}

std::int32_t QtDesktop::showCursor(VBBool show) {
    const std::int32_t before = m_cursorCount;
    m_cursorCount += show != kFalse ? 1 : -1;
    if (m_pointer == Pointer::LeftAlone) return m_cursorCount;
    if (before >= 0 && m_cursorCount < 0) QGuiApplication::setOverrideCursor(Qt::BlankCursor);
    if (before < 0 && m_cursorCount >= 0) QGuiApplication::restoreOverrideCursor();
    return m_cursorCount;
}

std::intptr_t QtDesktop::shellExecute(NativeHandle /*owner*/, const std::string& operation, const std::string& file,
                                      const std::string& /*parameters*/, const std::string& /*directory*/,
                                      std::int32_t /*showCommand*/) {
    constexpr std::intptr_t kFileNotFound = 2;
    constexpr std::intptr_t kNoAssociation = 31;
    constexpr std::intptr_t kStarted = 42;
    if (operation != "open" || file.empty()) return kNoAssociation;
    std::string program = "xdg-open";
    std::string address = file;
    char* argv[] = {program.data(), address.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return kFileNotFound;
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return kStarted;
}

void QtDesktop::watchHost(NativeHandle host) {
    m_hostNotifier.reset();
    if (!m_hosts.watchDestruction(host)) {
        hostGone();
        return;
    }
    m_hostNotifier = std::make_unique<QSocketNotifier>(m_hosts.fd(), QSocketNotifier::Read);
    QObject::connect(m_hostNotifier.get(), &QSocketNotifier::activated, [this] {
        if (m_hosts.watchedWindowDestroyed()) hostGone();
    });
    // Events read while the selection was being made wait in Xlib's queue, not on the socket.
    if (m_hosts.watchedWindowDestroyed()) hostGone();
}

void QtDesktop::hostGone() {
    if (m_hostNotifier) m_hostNotifier->setEnabled(false);
    // Unloading runs a handler, so it waits for the event loop rather than running inside
    // whatever call noticed the loss.
    QTimer::singleShot(0, [this] { m_forms.unload(); });
}

}  // namespace tessiva
