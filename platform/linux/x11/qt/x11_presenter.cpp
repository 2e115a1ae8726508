#include "platform/linux/x11/qt/x11_presenter.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/x11/desktop_watch.h"
#include "platform/linux/x11/qt/monitor_cover.h"
#include "platform/linux/x11/x_connection.h"
#include "platform/shared/cover_plan.h"
#include "platform/shared/follow_screen.h"

namespace tessiva {
namespace {

QRect qRectOf(const PixelRect& rect) {
    return QRect(static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.width),
                 static_cast<int>(rect.height));
}

// Qt's requests go out first, then ours wait for the window manager to answer them.
void flushQt() {
    if (auto* qtX11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) XConnection::flush(qtX11->display());
}

}  // namespace

X11Presenter::X11Presenter(XConnection& x11, DesktopWatch& watch)
    : m_x11(x11), m_watch(watch), m_looks([this](const QWidget& window, QPoint at) {
          return videoCovers(static_cast<const QtFormWindow&>(window), at);
      }) {}

X11Presenter::~X11Presenter() { dropCovers(); }

// The saver places its window right after showing it. Until Qt hears where a window manager
// put the window, it takes the window to be where it asked, and a move to there would send
// nothing: learn the real place first, so that the move goes out.
void X11Presenter::shown(QtFormWindow& window) {
    flushQt();
    const auto id = static_cast<unsigned long>(window.winId());
    int x = 0, y = 0;
    if (!m_x11.waitUntilViewable(id, 500) || !m_x11.rootPosition(id, x, y)) return;
    if (QPoint(x, y) != window.pos()) window.move(x, y);
}

// The saver's window, frameless, covering a whole screen is a full-screen window, as on a
// desktop that treats such a window as full-screen: it goes above panels, tells the window
// manager so, and takes the focus.
void X11Presenter::placed(QtFormWindow& window) {
    if (!window.isVisible()) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || window.frameGeometry() != screen->geometry() || (window.windowState() & Qt::WindowFullScreen)) {
        return;
    }
    // Flags on the QWindow change in place; the widget's own setter would recreate the X
    // window and change the handle the program already knows.
    window.windowHandle()->setFlag(Qt::WindowStaysOnTopHint, true);
    window.QWidget::setWindowState(window.windowState() | Qt::WindowFullScreen);
    window.raise();
    window.activateWindow();
}

bool X11Presenter::videoCovers(const QtFormWindow& window, QPoint at) const {
    if (!window.testAttribute(Qt::WA_WState_Created)) return false;
    return m_x11.mappedChildAt(static_cast<unsigned long>(window.winId()), at.x(), at.y());
}

// RandR's monitors; without RandR 1.5, the screens Qt knows.
std::vector<PixelRect> X11Presenter::monitors() const {
    std::vector<PixelRect> found = m_x11.monitors();
    if (found.empty()) {
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect g = screen->geometry();
            found.push_back(PixelRect{g.x(), g.y(), g.width(), g.height()});
        }
    }
    return found;
}

// Where the saver's window plays: the monitor the window manager made it full screen on, the
// primary one but for a tiling window manager, which puts it on the focused monitor (i3);
// until it has, where the program put it.
PixelRect X11Presenter::playing(QtFormWindow& window, const std::vector<PixelRect>& all) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const PixelRect asked{0, 0, primary != nullptr ? primary->geometry().width() : window.width(),
                          primary != nullptr ? primary->geometry().height() : window.height()};
    flushQt();
    const auto id = static_cast<unsigned long>(window.winId());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    PixelRect at;
    while (m_x11.rootGeometry(id, at)) {
        if (at == asked || std::find(all.begin(), all.end(), at) != all.end()) return at;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return asked;
}

Status X11Presenter::coverOtherMonitors(QtFormWindow& window) {
    m_saver = &window;
    followScreen();
    watchDesktop(window);
    m_looks.lookFrom(window);
    dropCovers();
    const std::vector<PixelRect> all = monitors();
    for (const std::size_t index : coverPlan(all, playing(window, all))) {
        const QRect monitor = qRectOf(all[index]);
        auto* cover = new MonitorCover(window, monitor);
        cover->show();
        m_covers.emplace_back(cover);
    }
    if (!m_covers.empty()) {
        window.raise();
        window.activateWindow();
    }
    return Status::success();
}

void X11Presenter::hide() { dropCovers(); }

void X11Presenter::dropCovers() {
    for (const QPointer<QWidget>& cover : m_covers) {
        if (cover != nullptr) cover->deleteLater();
    }
    m_covers.clear();
}

// Only the saver asks for covers, so only the saver watches the screen's monitors (which
// RandR 1.5 alone tells of) and its own keyboard focus.
void X11Presenter::watchDesktop(QtFormWindow& window) {
    if (std::exchange(m_watching, true)) return;
    const bool screen = m_watch.watchScreen();
    const bool focus = m_watch.watchSaver(static_cast<unsigned long>(window.winId()));
    if (!screen && !focus) return;
    m_watchNotifier = std::make_unique<QSocketNotifier>(m_watch.fd(), QSocketNotifier::Read);
    QObject::connect(m_watchNotifier.get(), &QSocketNotifier::activated, m_watchNotifier.get(), [this] {
        const bool changed = m_watch.screenChanged();
        if (m_watch.saverLost() && m_saver != nullptr) {
            m_saver->host().forms().endProgram();
        } else if (changed) {
            m_screenSettled.start();
        }
    });
}

// From the first covers on, the window covers the screen again whenever it changes: Qt hears
// of a new size or screen, and our own connection (watchDesktop) of a monitor RandR 1.5 alone
// adds.
void X11Presenter::followScreen() {
    if (m_screenSettled.interval() > 0) return;  // already following
    // Long enough for Qt to take in a new screen before the window asks for its size, and
    // for a burst of changes (a monitor going, another taking its place) to end.
    m_screenSettled.setSingleShot(true);
    m_screenSettled.setInterval(150);
    QObject::connect(&m_screenSettled, &QTimer::timeout, [this] {
        if (m_saver != nullptr && m_saver->host().loaded()) coverScreenAgain(m_saver->host().forms(), *m_saver);
    });
    const auto changed = [this] { m_screenSettled.start(); };
    const auto watchScreen = [this, changed](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, &m_screenSettled, changed);
    };
    for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::screenAdded, &m_screenSettled, [watchScreen, changed](QScreen* screen) {
            watchScreen(screen);
            changed();
        });
        QObject::connect(app, &QGuiApplication::screenRemoved, &m_screenSettled, changed);
        QObject::connect(app, &QGuiApplication::primaryScreenChanged, &m_screenSettled, changed);
    }
}

}  // namespace tessiva
