#include "platform/linux/qt/clickable_label.h"

#include <QMouseEvent>

#include "platform/linux/qt/qt_form_window.h"

namespace tessiva {

ClickableLabel::ClickableLabel(const QString& text, QtFormWindow* form, std::function<void()> onClick)
    : QLabel(text, form), m_form(form), m_onClick(std::move(onClick)) {}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    m_pressed = !m_form->coveredByNativeChild(mapTo(m_form, event->position().toPoint()));
    if (m_pressed) event->accept();
    else event->ignore();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressed) {
        event->ignore();
        return;
    }
    m_pressed = false;
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) m_onClick();
    event->accept();
}

}  // namespace tessiva
