#include "platform/linux/x11/qt/hosted_presenter.h"

#include <QGuiApplication>
#include <QWindow>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/x11/desktop_watch.h"
#include "platform/linux/x11/x_connection.h"

namespace tessiva {

HostedPresenter::HostedPresenter(XConnection& x11, DesktopWatch& watch, unsigned long host, bool shows)
    : m_x11(x11), m_watch(watch), m_host(host), m_shows(shows) {}

Status HostedPresenter::show(QtFormWindow& window) {
    // Attributes only: flags would make Qt recreate the window and change its id.
    window.setAttribute(Qt::WA_ShowWithoutActivating, true);
    window.setAttribute(Qt::WA_X11DoNotAcceptFocus, true);
    const auto id = static_cast<unsigned long>(window.winId());
    window.windowHandle()->setParent(QWindow::fromWinId(static_cast<WId>(m_host)));
    if (auto* qtX11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) XConnection::sync(qtX11->display());
    if (!m_x11.passInputThrough(id)) {
        return Status::failure("X11: cannot let input through to the screensaver daemon's window (no XFixes 2?)");
    }
    fitHost(window);
    if (m_shows) window.QWidget::show();
    watchHost(window);
    return Status::success();
}

NativeHandle HostedPresenter::handle(QtFormWindow& window) { return static_cast<NativeHandle>(window.winId()); }

void HostedPresenter::fitHost(QtFormWindow& window) {
    int width = 0, height = 0;
    if (!m_x11.windowSize(m_host, width, height)) return;
    const QRect whole(0, 0, width, height);
    if (window.geometry() != whole) window.setGeometry(whole);
}

// The daemon's window gone, the saver is over; changed in size, the window follows.
void HostedPresenter::watchHost(QtFormWindow& window) {
    if (m_notifier) return;
    if (!m_watch.watchDestruction(m_host)) window.host().forms().endProgram();
    m_notifier = std::make_unique<QSocketNotifier>(m_watch.fd(), QSocketNotifier::Read);
    const auto look = [this, &window] {
        if (m_watch.destroyed()) window.host().forms().endProgram();
        if (m_watch.hostResized()) fitHost(window);
    };
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), look);
    // Events read while the selection was being made wait in Xlib's queue, not on the socket.
    look();
}

}  // namespace tessiva
