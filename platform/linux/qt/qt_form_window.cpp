#include "platform/linux/qt/qt_form_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "platform/error_boundary.h"
#include "platform/linux/qt/check_box.h"
#include "platform/linux/qt/clickable_label.h"
#include "platform/linux/qt/pictures.h"
#include "platform/shared/color.h"
#include "platform/shared/form_life.h"
#include "platform/shared/form_rules.h"

namespace tessiva {
namespace {

int toPixels(double twips) { return twipsToPixels(twips, pixelsPerTwip()); }
double toTwips(int pixels) { return pixelsToTwips(pixels, pixelsPerTwip()); }

Qt::CheckState checkState(std::int16_t value) {
    return value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

Status noSuchControl() { return Status::failure(Status::kInvalidArgument, "Qt: no such control"); }

}  // namespace

std::int16_t buttonCodeOf(Qt::MouseButtons buttons) {
    return buttonCode(buttons.testFlag(Qt::LeftButton), buttons.testFlag(Qt::RightButton),
                      buttons.testFlag(Qt::MiddleButton));
}

std::int16_t shiftCodeOf(Qt::KeyboardModifiers modifiers) {
    return shiftCode(modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
                     modifiers.testFlag(Qt::AltModifier));
}

QtFormWindow::QtFormWindow(FormHost& host, const FormDefinition& definition, FormEvents& events)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_host(host), m_events(events),
      m_definitions(definition.controls) {
    // The layer's default font for controls that name none: the desktop dialogs' small
    // sans serif, so that captions fit the places the layout gives them.
    QFont defaultFont(QStringLiteral("Arial"));
    defaultFont.setPointSizeF(8.25);
    setFont(defaultFont);
    setWindowTitle(QString::fromStdString(definition.caption));
    setWindowIcon(windowIcon());
    resize(toPixels(definition.clientWidth), toPixels(definition.clientHeight));
    // Mouse moves without a button held reach MouseMove only with tracking on.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    applyBackground();
    m_picture = picturePixmap(definition.picture);
    buildControls(definition);
    applyTabOrder(definition);
}

void QtFormWindow::buildControls(const FormDefinition& definition) {
    for (std::size_t i = 0; i < definition.controls.size(); ++i) {
        const ControlDefinition& def = definition.controls[i];
        const auto index = static_cast<ControlIndex>(i);
        const QString caption = QString::fromStdString(def.caption);
        auto click = [this, index] { guarded(m_host.forms(), [&] { m_events.Control_Click(index); }); };
        QWidget* widget = nullptr;
        switch (def.kind) {
        case ControlKind::CommandButton: {
            auto* button = new QPushButton(caption, this);
            // Neither button answers Enter or Esc.
            button->setAutoDefault(false);
            button->setDefault(false);
            QObject::connect(button, &QPushButton::clicked, this, click);
            widget = button;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new CheckBox(caption, this);
            box->setCheckState(checkState(def.value));
            widget = box;
            break;
        }
        case ControlKind::Label: {
            auto* label = new ClickableLabel(caption, this, click);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setFocusPolicy(Qt::NoFocus);
            widget = label;
            break;
        }
        case ControlKind::Image: {
            auto* image = new QLabel(this);
            image->setPixmap(picturePixmap(def.picture));
            image->setFocusPolicy(Qt::NoFocus);
            widget = image;
            break;
        }
        }
        widget->setGeometry(toPixels(def.left), toPixels(def.top), toPixels(def.width), toPixels(def.height));
        if (auto* image = qobject_cast<QLabel*>(widget); def.kind == ControlKind::Image && image != nullptr) {
            // Not stretched: the image control takes its picture's own size.
            if (const QPixmap pixmap = image->pixmap(); !pixmap.isNull()) image->resize(pixmap.size());
        }
        if (def.font) {
            QFont font(QString::fromStdString(def.font->name));
            font.setPointSizeF(def.font->points);
            font.setWeight(def.font->weight >= 700 ? QFont::Bold : QFont::Normal);
            font.setUnderline(def.font->underline);
            widget->setFont(font);
        }
        if (def.foreColor) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, QColor(redOf(*def.foreColor), greenOf(*def.foreColor), blueOf(*def.foreColor)));
            widget->setPalette(palette);
        }
        if (def.mouseIcon == PictureId::HandPointer) widget->setCursor(handCursor());
        widget->setVisible(def.visible);
        m_controls.push_back(widget);
    }
}

void QtFormWindow::applyTabOrder(const FormDefinition& definition) {
    const std::vector<std::size_t> order =
        tabOrder(definition.controls, [&](std::size_t i) { return m_controls[i]->focusPolicy() != Qt::NoFocus; });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(m_controls[order[i - 1]], m_controls[order[i]]);
}

QWidget* QtFormWindow::control(ControlIndex index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_controls.size()) return nullptr;
    return m_controls[static_cast<std::size_t>(index)];
}

Status QtFormWindow::show() {
    // Once unloaded, the window stays gone: nothing brings the program's one window back.
    return unlessGone(gone(), [&] { return m_host.presenter().show(*this); });
}

void QtFormWindow::focusFirstControl() {
    // The first control in the tab order that can take the focus starts with it.
    if (focusWidget() == nullptr) focusNextChild();
}

bool QtFormWindow::gone() const { return !m_host.loaded(); }

NativeHandle QtFormWindow::hWnd() { return m_host.presenter().handle(*this); }

Status QtFormWindow::setTop(double twips) {
    return unlessGone(gone(), [&] {
        move(frameGeometry().x(), toPixels(twips));
        m_host.presenter().placed(*this);
    });
}

Status QtFormWindow::setLeft(double twips) {
    return unlessGone(gone(), [&] {
        move(toPixels(twips), frameGeometry().y());
        m_host.presenter().placed(*this);
    });
}

// Width and Height are the outer size; the frame, if any, comes off the client area.
Status QtFormWindow::setWidth(double twips) {
    return unlessGone(gone(), [&] {
        const int frame = frameGeometry().width() - width();
        resize(std::max(1, toPixels(twips) - frame), height());
        m_host.presenter().placed(*this);
    });
}

Status QtFormWindow::setHeight(double twips) {
    return unlessGone(gone(), [&] {
        const int frame = frameGeometry().height() - height();
        resize(width(), std::max(1, toPixels(twips) - frame));
        m_host.presenter().placed(*this);
    });
}

void QtFormWindow::applyBackground() {
    // The saver and the preview sit on black; the dialog looks like the desktop's dialogs.
    QPalette palette;
    if (m_borderStyle == 0) palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
}

bool QtFormWindow::coveredByNativeChild(QPoint at) const { return m_host.presenter().videoCovers(*this, at); }

bool QtFormWindow::focusNextPrevChild(bool next) {
    // With no control to move to, Tab is a key like any other and reaches KeyPress.
    for (QWidget* control : m_controls) {
        if (control->isVisible() && control->isEnabled() && control->focusPolicy() & Qt::TabFocus) {
            return QWidget::focusNextPrevChild(next);
        }
    }
    return false;
}

double QtFormWindow::scaleWidth() { return toTwips(width()); }
double QtFormWindow::scaleHeight() { return toTwips(height()); }

Status QtFormWindow::setWindowState(std::int16_t state) {
    return unlessGone(gone(), [&]() -> Status {
        switch (state) {
        case 0: QWidget::setWindowState(Qt::WindowNoState); return Status::success();
        case 1: QWidget::setWindowState(Qt::WindowMinimized); return Status::success();
        case 2: QWidget::setWindowState(Qt::WindowMaximized); return Status::success();
        default: return Status::failure(Status::kInvalidArgument, "Qt: invalid window state");
        }
    });
}

Status QtFormWindow::setBorderStyle(std::int16_t style) {
    return unlessGone(gone(), [&]() -> Status {
        const QSize client = size();
        switch (style) {
        case 0:
            setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            break;
        case 3:
            // A fixed dialog frame: title and close button, no resizing.
            setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint);
            setFixedSize(client);
            break;
        default: return Status::failure(Status::kInvalidArgument, "Qt: border style not supported");
        }
        m_borderStyle = style;
        applyBackground();
        return Status::success();
    });
}

Status QtFormWindow::setCaption(const std::string& caption) {
    return unlessGone(gone(), [&] {
        setWindowTitle(QString::fromStdString(caption));
    });
}

PictureId QtFormWindow::picture(ControlIndex index) {
    if (control(index) == nullptr) return PictureId::None;
    return m_definitions[static_cast<std::size_t>(index)].picture;
}

Status QtFormWindow::setPicture(PictureId picture) {
    return unlessGone(gone(), [&] {
        m_picture = picturePixmap(picture);
        update();
        m_host.presenter().changed(*this);
    });
}

Status QtFormWindow::setVisible(ControlIndex index, bool visible) {
    return unlessGone(gone(), [&]() -> Status {
        QWidget* widget = control(index);
        if (widget == nullptr) return noSuchControl();
        widget->setVisible(visible);
        m_host.presenter().changed(*this);
        return Status::success();
    });
}

Status QtFormWindow::setValue(ControlIndex index, std::int16_t value) {
    return unlessGone(gone(), [&]() -> Status {
        auto* box = qobject_cast<QCheckBox*>(control(index));
        if (box == nullptr) return noSuchControl();
        if (const Status allowed = checkBoxValueAllowed(value); !allowed.ok()) return allowed;
        box->setCheckState(checkState(value));
        return Status::success();
    });
}

std::int16_t QtFormWindow::value(ControlIndex index) {
    auto* box = qobject_cast<QCheckBox*>(control(index));
    if (box == nullptr) return 0;
    switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void QtFormWindow::closeEvent(QCloseEvent* event) {
    // The window layer's close command unloads the form; QtForms hides the window itself.
    event->ignore();
    m_host.unload();
}

void QtFormWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void QtFormWindow::keyPressEvent(QKeyEvent* event) {
    if (!keyTyped(event->text())) QWidget::keyPressEvent(event);
}

bool QtFormWindow::keyTyped(const QString& text) {
    // KeyPress is for keys that produce a character, control characters included.
    if (text.isEmpty()) return false;
    if (m_host.reportShowing()) return true;
    std::int16_t keyAscii = static_cast<std::int16_t>(text.at(0).unicode());
    guarded(m_host.forms(), [&] { m_events.Form_KeyPress(keyAscii); });
    return true;
}

// Mouse events reach the program with the button, the shift state and a place in twips,
// measured from the window's corner.
template <class Handler>
void QtFormWindow::forwardMouse(QPointF at, std::int16_t buttons, std::int16_t shift, Handler handler) {
    // Under a run-time error report, input belongs to the report's box.
    if (m_host.reportShowing()) return;
    const double twipsPerPixel = toTwips(1);
    const float x = static_cast<float>(twipsPerPixel * at.x());
    const float y = static_cast<float>(twipsPerPixel * at.y());
    guarded(m_host.forms(), [&] { (m_events.*handler)(buttons, shift, x, y); });
}

void QtFormWindow::mousePressEvent(QMouseEvent* event) {
    buttonPressed(event->position(), buttonCodeOf(event->button()), shiftCodeOf(event->modifiers()));
}

void QtFormWindow::mouseMoveEvent(QMouseEvent* event) {
    pointerMoved(event->position(), buttonCodeOf(event->buttons()), shiftCodeOf(event->modifiers()));
}

void QtFormWindow::buttonPressed(QPointF at, std::int16_t button, std::int16_t shift) {
    forwardMouse(at, button, shift, &FormEvents::Form_MouseDown);
}

void QtFormWindow::pointerMoved(QPointF at, std::int16_t buttons, std::int16_t shift) {
    forwardMouse(at, buttons, shift, &FormEvents::Form_MouseMove);
}

Status QtFormWindow::coverOtherMonitors() {
    return unlessGone(gone(), [&] { return m_host.presenter().coverOtherMonitors(*this); });
}

}  // namespace tessiva
