#include "platform/linux/qt/qt_monitor_cover.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/linux/qt/qt_form_window.h"

namespace tessiva {

QtMonitorCover::QtMonitorCover(QtFormWindow& form, const QRect& monitor)
    : QWidget(&form, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_form(form) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowTitle(form.windowTitle());
    setGeometry(monitor);
}

void QtMonitorCover::keyPressEvent(QKeyEvent* event) {
    if (!m_form.routeKeyPress(event)) QWidget::keyPressEvent(event);
}

void QtMonitorCover::mousePressEvent(QMouseEvent* event) { m_form.routeMousePress(event); }

void QtMonitorCover::mouseMoveEvent(QMouseEvent* event) { m_form.routeMouseMove(event); }

void QtMonitorCover::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace tessiva
