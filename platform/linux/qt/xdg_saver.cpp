#include "platform/linux/qt/xdg_saver.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/qt/qt_frame_picture.h"
#include "platform/linux/qt/qt_monitor_cover.h"
#include "platform/shared/cover_plan.h"

namespace tessiva {
namespace {

// A window shows full screen on `screen`: the screen is chosen before the window maps.
void fullScreenOn(QWidget& window, QScreen* screen) {
    window.winId();  // the native window must exist to be given a screen
    if (screen != nullptr && window.windowHandle() != nullptr) window.windowHandle()->setScreen(screen);
    window.showFullScreen();
}

PixelRect rectOf(const QRect& r) { return PixelRect{r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

XdgSaver::XdgSaver(FrameTargets& targets) : m_targets(targets) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr) return;
    QObject::connect(app, &QGuiApplication::screenAdded, app, [this](QScreen*) { syncCovers(); });
    QObject::connect(app, &QGuiApplication::screenRemoved, app, [this](QScreen*) { syncCovers(); });
}

XdgSaver::~XdgSaver() { m_targets.remove(handle()); }

NativeHandle XdgSaver::handle() const { return reinterpret_cast<NativeHandle>(this); }

Status XdgSaver::show(QtFormWindow& window) {
    m_window = &window;
    if (m_picture == nullptr) {
        m_picture = new QtFramePicture(window);
        m_targets.add(handle(), *m_picture);
    }
    fullScreenOn(window, QGuiApplication::primaryScreen());
    window.raise();
    window.activateWindow();
    syncCovers();
    return Status::success();
}

Status XdgSaver::coverOtherMonitors(QtFormWindow&) {
    m_wantCovers = true;
    syncCovers();
    return Status::success();
}

void XdgSaver::syncCovers() {
    for (const QPointer<QWidget>& cover : m_covers) {
        if (cover != nullptr) cover->deleteLater();
    }
    m_covers.clear();
    if (!m_wantCovers || m_window == nullptr || !m_window->isVisible()) return;
    const QScreen* playing = m_window->screen();
    if (playing == nullptr) return;
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<PixelRect> rects;
    for (const QScreen* screen : screens) rects.push_back(rectOf(screen->geometry()));
    for (const std::size_t i : coverPlan(rects, rectOf(playing->geometry()))) {
        QScreen* screen = screens[static_cast<qsizetype>(i)];
        auto* cover = new QtMonitorCover(*m_window, screen->geometry());
        fullScreenOn(*cover, screen);
        m_covers.emplace_back(cover);
    }
}

void XdgSaver::hide() {
    m_wantCovers = false;
    syncCovers();
    if (m_window != nullptr) m_window->hide();
}

}  // namespace tessiva
