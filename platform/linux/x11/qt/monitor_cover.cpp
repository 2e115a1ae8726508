#include "platform/linux/x11/qt/monitor_cover.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/shared/cover_plan.h"

namespace tessiva {
namespace {

PixelRect onScreen(const QWidget& window) {
    const QPoint corner = window.mapToGlobal(QPoint(0, 0));
    return PixelRect{corner.x(), corner.y(), window.width(), window.height()};
}

}  // namespace

MonitorCover::MonitorCover(QtFormWindow& form, const QRect& monitor)
    : QWidget(&form, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint), m_form(form) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowTitle(form.windowTitle());
    setGeometry(monitor);
}

QPointF MonitorCover::onSaver(QPointF at) const {
    const PointOnSaver point = pointOnSaver(onScreen(*this), onScreen(m_form), at.x(), at.y());
    return QPointF(point.x, point.y);
}

void MonitorCover::keyPressEvent(QKeyEvent* event) {
    if (!m_form.keyTyped(event->text())) QWidget::keyPressEvent(event);
}

void MonitorCover::mousePressEvent(QMouseEvent* event) {
    m_form.buttonPressed(onSaver(event->position()), buttonCodeOf(event->button()), shiftCodeOf(event->modifiers()));
}

void MonitorCover::mouseMoveEvent(QMouseEvent* event) {
    m_form.pointerMoved(onSaver(event->position()), buttonCodeOf(event->buttons()), shiftCodeOf(event->modifiers()));
}

void MonitorCover::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace tessiva
