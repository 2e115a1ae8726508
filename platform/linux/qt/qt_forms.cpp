#include "platform/linux/qt/qt_forms.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/linux/qt/qt_form_window.h"

#include <glib.h>

namespace tessiva {

QtForms::QtForms(std::string commandLine, WindowPresenter& presenter)
    : m_commandLine(std::move(commandLine)), m_presenter(presenter) {
    // Without GLib's context to poll, the timer's firing is what ends a yield's wait.
    m_wakeUp.setSingleShot(true);
    m_wakeUp.setTimerType(Qt::PreciseTimer);
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    m_onMainContext = dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib");
    m_pollFds.resize(8);
}

QtForms::~QtForms() = default;

void QtForms::load(const FormDefinition& definition, FormEvents& events) {
    m_window = std::make_unique<QtFormWindow>(*this, definition, events);
    m_life.load();
    events.attach(*m_window);
    events.Form_Load();
}

double pixelsPerTwip() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    return dpi / 1440.0;
}

double QtForms::screenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().width() / pixelsPerTwip() : 0.0;
}

double QtForms::screenHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().height() / pixelsPerTwip() : 0.0;
}

std::string QtForms::appPath() { return QCoreApplication::applicationDirPath().toStdString(); }

void QtForms::messageBox(const std::string& text) {
    std::fprintf(stderr, "Tessiva: %s\n", text.c_str());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessiva"), QString::fromStdString(text), QMessageBox::Ok,
                    m_window.get());
    box.exec();
}

// Qt's dispatcher on Linux is GLib's default main context. Driving one iteration of that
// context by hand gives exactly the yield's shape: whatever is ready is dispatched (Qt's
// posted events, the X events its reader thread queued, timers), and the wait for more is
// bounded by the poll's own timeout. processEvents could bound it only with a timer started
// and stopped on every pass, which cost more than everything else the loop does.
bool QtForms::iterateMainContext(int limitMs) {
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context)) return false;
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    gint timeout = 0;
    gint count = 0;
    while ((count = g_main_context_query(context, priority, &timeout, m_pollFds.data(),
                                         static_cast<gint>(m_pollFds.size()))) > static_cast<gint>(m_pollFds.size())) {
        m_pollFds.resize(static_cast<std::size_t>(count));
    }
    if (timeout < 0 || timeout > limitMs) timeout = limitMs;
    g_main_context_get_poll_func(context)(m_pollFds.data(), static_cast<guint>(count), timeout);
    if (g_main_context_check(context, priority, m_pollFds.data(), count)) g_main_context_dispatch(context);
    g_main_context_release(context);
    return true;
}

void QtForms::yield(std::chrono::milliseconds longestWait) {
    const int limit = static_cast<int>(std::min<std::chrono::milliseconds::rep>(longestWait.count(), INT_MAX));
    if (m_onMainContext && iterateMainContext(std::max(limit, 0))) return;
    // Another dispatcher (QT_NO_GLIB): a timer ends the wait.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (limit <= 0) return;
    m_wakeUp.start(limit);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_wakeUp.stop();
}

void QtForms::showReportBox(const std::string& text) {
    if (QApplication::instance() == nullptr) return;
    // Surfaces of ours over everything would hide the box.
    m_presenter.giveWayToReport();
    // Over a hidden pointer the box would be unusable; an override on top of the stack wins
    // until the process ends.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tessiva"), QString::fromStdString(text), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

// _Exit ends the process from any thread while Qt and GStreamer run, without their teardown.
void QtForms::terminateProcess(int status) { std::_Exit(status); }

void QtForms::unload() {
    if (m_window == nullptr || !m_life.unload(*this, m_window->events())) return;
    m_presenter.hide();
    m_window->hide();
    if (m_running) QCoreApplication::exit(0);
}

void QtForms::runUntilUnloaded() {
    if (!loaded()) return;
    m_running = true;
    QApplication::exec();
    m_running = false;
}

}  // namespace tessiva
