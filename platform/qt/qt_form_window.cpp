#include "platform/qt/qt_form_window.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/color.h"
#include "platform/error_boundary.h"
#include "platform/monitor_cover.h"
#include "platform/qt/pictures.h"
#include "platform/qt/qt_forms.h"
#include "platform/runtime_error.h"

namespace tessiva {
namespace {

int toPixels(double twips) { return static_cast<int>(std::lround(twips * QtForms::pixelsPerTwip())); }
double toTwips(int pixels) { return pixels / QtForms::pixelsPerTwip(); }

// A label that reports a click (press and release over it), as the program's labels do.
// Our controls are painted on the window's own X window, so a native child window laid over
// it (the video) doesn't hide them from Qt's event routing; a press there belongs to the
// window underneath, as it would on a desktop where the label lies beneath that child.
class ClickableLabel final : public QLabel {
public:
    ClickableLabel(const QString& text, QtFormWindow* form, std::function<void()> onClick)
        : QLabel(text, form), m_form(form), m_onClick(std::move(onClick)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        m_pressed = !m_form->coveredByNativeChild(mapTo(m_form, event->position().toPoint()));
        if (m_pressed) event->accept();
        else event->ignore();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (!m_pressed) {
            event->ignore();
            return;
        }
        m_pressed = false;
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) m_onClick();
        event->accept();
    }

private:
    QtFormWindow* m_form;
    std::function<void()> m_onClick;
    bool m_pressed = false;
};

// A check box that shows a grayed state when the program sets one, while a user's click or
// Space only ever ticks or clears it.
class CheckBox final : public QCheckBox {
public:
    CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) { setTristate(true); }

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

std::int16_t buttonCode(Qt::MouseButtons buttons) {
    std::int16_t code = 0;
    if (buttons & Qt::LeftButton) code |= 1;
    if (buttons & Qt::RightButton) code |= 2;
    if (buttons & Qt::MiddleButton) code |= 4;
    return code;
}

std::int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    std::int16_t code = 0;
    if (modifiers & Qt::ShiftModifier) code |= 1;
    if (modifiers & Qt::ControlModifier) code |= 2;
    if (modifiers & Qt::AltModifier) code |= 4;
    return code;
}

Qt::CheckState checkState(std::int16_t value) {
    return value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

Status noSuchControl() { return Status::failure(Status::kInvalidArgument, "Qt: no such control"); }

}  // namespace

QtFormWindow::QtFormWindow(QtForms& forms, const FormDefinition& definition, FormEvents& events)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_forms(forms), m_events(events),
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
        auto click = [this, index] { guarded(m_forms, [&] { m_events.Control_Click(index); }); };
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
    std::vector<std::pair<int, QWidget*>> order;
    for (std::size_t i = 0; i < definition.controls.size(); ++i) {
        if (definition.controls[i].tabIndex >= 0 && m_controls[i]->focusPolicy() != Qt::NoFocus) {
            order.emplace_back(definition.controls[i].tabIndex, m_controls[i]);
        }
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1].second, order[i].second);
}

QWidget* QtFormWindow::control(ControlIndex index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_controls.size()) return nullptr;
    return m_controls[static_cast<std::size_t>(index)];
}

Status QtFormWindow::show() {
    // Once unloaded, the window stays gone: nothing brings the program's one window back.
    if (!m_forms.loaded()) return Status::success();
    QWidget::show();
    if (m_borderStyle == 0 && windowHandle() != nullptr && windowHandle()->parent() == nullptr) {
        // The saver places its window right after showing it. Until Qt hears where a window
        // manager put the window, it takes the window to be where it asked, and a move to
        // there would send nothing: learn the real place first, so that the move goes out.
        if (const auto placed = m_forms.waitUntilShown(hWnd()); placed && *placed != pos()) move(*placed);
    }
    raise();
    activateWindow();
    // The first control in the tab order that can take the focus starts with it.
    if (focusWidget() == nullptr) focusNextChild();
    return Status::success();
}

NativeHandle QtFormWindow::hWnd() { return static_cast<NativeHandle>(winId()); }

Status QtFormWindow::setTop(double twips) {
    if (!m_forms.loaded()) return Status::success();
    move(frameGeometry().x(), toPixels(twips));
    followScreenCover();
    return Status::success();
}

Status QtFormWindow::setLeft(double twips) {
    if (!m_forms.loaded()) return Status::success();
    move(toPixels(twips), frameGeometry().y());
    followScreenCover();
    return Status::success();
}

// Width and Height are the outer size; the frame, if any, comes off the client area.
Status QtFormWindow::setWidth(double twips) {
    if (!m_forms.loaded()) return Status::success();
    const int frame = frameGeometry().width() - width();
    resize(std::max(1, toPixels(twips) - frame), height());
    followScreenCover();
    return Status::success();
}

Status QtFormWindow::setHeight(double twips) {
    if (!m_forms.loaded()) return Status::success();
    const int frame = frameGeometry().height() - height();
    resize(width(), std::max(1, toPixels(twips) - frame));
    followScreenCover();
    return Status::success();
}

// A frameless top-level window that covers a whole screen is a full-screen window, as on a
// desktop that treats such a window as full-screen: it goes above panels, tells the window
// manager so, and takes the focus.
void QtFormWindow::followScreenCover() {
    if (m_borderStyle != 0 || !isVisible() || windowHandle() == nullptr || windowHandle()->parent() != nullptr) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || frameGeometry() != screen->geometry() || (windowState() & Qt::WindowFullScreen)) return;
    // Flags on the QWindow change in place; the widget's own setter would recreate the X
    // window and change the handle the program already knows.
    windowHandle()->setFlag(Qt::WindowStaysOnTopHint, true);
    QWidget::setWindowState(windowState() | Qt::WindowFullScreen);
    raise();
    activateWindow();
}

void QtFormWindow::applyBackground() {
    // The saver and the preview sit on black; the dialog looks like the desktop's dialogs.
    QPalette palette;
    if (m_borderStyle == 0) palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
}

bool QtFormWindow::coveredByNativeChild(QPoint at) const { return m_forms.nativeChildAt(*this, at); }

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
    if (!m_forms.loaded()) return Status::success();
    switch (state) {
    case 0: QWidget::setWindowState(Qt::WindowNoState); return Status::success();
    case 1: QWidget::setWindowState(Qt::WindowMinimized); return Status::success();
    case 2: QWidget::setWindowState(Qt::WindowMaximized); return Status::success();
    default: return Status::failure(Status::kInvalidArgument, "Qt: invalid window state");
    }
}

Status QtFormWindow::setBorderStyle(std::int16_t style) {
    if (!m_forms.loaded()) return Status::success();
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
}

Status QtFormWindow::setCaption(const std::string& caption) {
    if (!m_forms.loaded()) return Status::success();
    setWindowTitle(QString::fromStdString(caption));
    return Status::success();
}

PictureId QtFormWindow::picture(ControlIndex index) {
    if (control(index) == nullptr) return PictureId::None;
    return m_definitions[static_cast<std::size_t>(index)].picture;
}

Status QtFormWindow::setPicture(PictureId picture) {
    if (!m_forms.loaded()) return Status::success();
    m_picture = picturePixmap(picture);
    update();
    return Status::success();
}

Status QtFormWindow::setVisible(ControlIndex index, bool visible) {
    if (!m_forms.loaded()) return Status::success();
    QWidget* widget = control(index);
    if (widget == nullptr) return noSuchControl();
    widget->setVisible(visible);
    return Status::success();
}

Status QtFormWindow::setValue(ControlIndex index, std::int16_t value) {
    if (!m_forms.loaded()) return Status::success();
    auto* box = qobject_cast<QCheckBox*>(control(index));
    if (box == nullptr) return noSuchControl();
    if (value < 0 || value > 2) {
        const RuntimeError refused = errors::invalidPropertyValue();
        return Status::failure(refused.number(), refused.description());
    }
    box->setCheckState(checkState(value));
    return Status::success();
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

bool QtFormWindow::runUnloadHandler() {
    std::int16_t cancel = 0;
    guarded(m_forms, [&] { m_events.Form_Unload(cancel); });
    return cancel == 0;
}

void QtFormWindow::closeEvent(QCloseEvent* event) {
    // The window layer's close command unloads the form; QtForms hides the window itself.
    event->ignore();
    m_forms.unload();
}

void QtFormWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void QtFormWindow::keyPressEvent(QKeyEvent* event) {
    if (!routeKeyPress(event)) QWidget::keyPressEvent(event);
}

bool QtFormWindow::routeKeyPress(QKeyEvent* event) {
    // KeyPress is for keys that produce a character, control characters included.
    const QString text = event->text();
    if (text.isEmpty()) return false;
    if (m_forms.reportShowing()) return true;
    std::int16_t keyAscii = static_cast<std::int16_t>(text.at(0).unicode());
    guarded(m_forms, [&] { m_events.Form_KeyPress(keyAscii); });
    return true;
}

// Mouse events reach the program with the button, the shift state and a place in twips,
// measured from the window's corner.
template <class Handler>
void QtFormWindow::forwardMouse(QMouseEvent* event, QPointF at, Qt::MouseButtons buttons, Handler handler) {
    // Under a run-time error report, input belongs to the report's box.
    if (m_forms.reportShowing()) return;
    const double twipsPerPixel = toTwips(1);
    const float x = static_cast<float>(twipsPerPixel * at.x());
    const float y = static_cast<float>(twipsPerPixel * at.y());
    guarded(m_forms, [&] { (m_events.*handler)(buttonCode(buttons), shiftCode(event->modifiers()), x, y); });
}

void QtFormWindow::mousePressEvent(QMouseEvent* event) {
    forwardMouse(event, event->position(), event->button(), &FormEvents::Form_MouseDown);
}

void QtFormWindow::mouseMoveEvent(QMouseEvent* event) {
    forwardMouse(event, event->position(), event->buttons(), &FormEvents::Form_MouseMove);
}

void QtFormWindow::routeMousePress(QMouseEvent* event) {
    forwardMouse(event, mapFromGlobal(event->globalPosition()), event->button(), &FormEvents::Form_MouseDown);
}

void QtFormWindow::routeMouseMove(QMouseEvent* event) {
    forwardMouse(event, mapFromGlobal(event->globalPosition()), event->buttons(), &FormEvents::Form_MouseMove);
}

namespace {

// A black window over one monitor beside the saver's, with no frame and above other windows
// as the saver is. It never takes the focus from the saver; its input is the saver's.
class MonitorCover final : public QWidget {
public:
    MonitorCover(QtFormWindow& form, const QRect& monitor)
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

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!m_form.routeKeyPress(event)) QWidget::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override { m_form.routeMousePress(event); }
    void mouseMoveEvent(QMouseEvent* event) override { m_form.routeMouseMove(event); }
    // The desktop's close command on a cover is no unload of the form: the cover stays.
    void closeEvent(QCloseEvent* event) override { event->ignore(); }

private:
    QtFormWindow& m_form;
};

}  // namespace

Status QtFormWindow::coverOtherMonitors() {
    if (!m_forms.loaded()) return Status::success();
    m_forms.followScreen();
    dropMonitorCovers();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return Status::success();
    const PixelRect saver{0, 0, primary->geometry().width(), primary->geometry().height()};
    for (const PixelRect& monitor : monitorsToCover(m_forms.monitors(), saver)) {
        auto* cover = new MonitorCover(*this, QRect(static_cast<int>(monitor.left), static_cast<int>(monitor.top),
                                                    static_cast<int>(monitor.width), static_cast<int>(monitor.height)));
        cover->show();
        m_covers.emplace_back(cover);
    }
    if (!m_covers.empty()) {
        raise();
        activateWindow();
    }
    return Status::success();
}

void QtFormWindow::dropMonitorCovers() {
    for (const QPointer<QWidget>& cover : m_covers) {
        if (cover != nullptr) cover->deleteLater();
    }
    m_covers.clear();
}

}  // namespace tessiva
