#include "platform/linux/qt/qt_form_window.h"

#include <QBackingStore>
#include <QCheckBox>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <iterator>

#include "platform/error_boundary.h"
#include "platform/linux/qt/check_box.h"
#include "platform/linux/qt/clickable_label.h"
#include "platform/linux/qt/pictures.h"
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/qt/qt_monitor_cover.h"
#include "platform/shared/color.h"
#include "platform/shared/form_life.h"
#include "platform/shared/form_rules.h"
#include "platform/shared/monitor_cover.h"

namespace tessiva {
namespace {

int toPixels(double twips) { return twipsToPixels(twips, QtForms::pixelsPerTwip()); }
double toTwips(int pixels) { return pixelsToTwips(pixels, QtForms::pixelsPerTwip()); }

std::int16_t buttonCode(Qt::MouseButtons buttons) {
    return tessiva::buttonCode(buttons.testFlag(Qt::LeftButton), buttons.testFlag(Qt::RightButton),
                               buttons.testFlag(Qt::MiddleButton));
}

std::int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    return tessiva::shiftCode(modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
                              modifiers.testFlag(Qt::AltModifier));
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
    if (WindowPresenter* presenter = m_forms.presenter()) {
        return unlessGone(gone(), [&] { return presenter->show(*this); });
    }
    return unlessGone(gone(), [&] {
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
    });
}

bool QtFormWindow::gone() const { return !m_forms.loaded(); }

NativeHandle QtFormWindow::hWnd() {
    if (WindowPresenter* presenter = m_forms.presenter()) return presenter->handle();
    return static_cast<NativeHandle>(winId());
}

Status QtFormWindow::setTop(double twips) {
    return unlessGone(gone(), [&] {
        move(frameGeometry().x(), toPixels(twips));
        followScreenCover();
    });
}

Status QtFormWindow::setLeft(double twips) {
    return unlessGone(gone(), [&] {
        move(toPixels(twips), frameGeometry().y());
        followScreenCover();
    });
}

// Width and Height are the outer size; the frame, if any, comes off the client area.
Status QtFormWindow::setWidth(double twips) {
    return unlessGone(gone(), [&] {
        const int frame = frameGeometry().width() - width();
        resize(std::max(1, toPixels(twips) - frame), height());
        followScreenCover();
    });
}

Status QtFormWindow::setHeight(double twips) {
    return unlessGone(gone(), [&] {
        const int frame = frameGeometry().height() - height();
        resize(width(), std::max(1, toPixels(twips) - frame));
        followScreenCover();
    });
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
        if (WindowPresenter* presenter = m_forms.presenter()) presenter->changed();
    });
}

Status QtFormWindow::setVisible(ControlIndex index, bool visible) {
    return unlessGone(gone(), [&]() -> Status {
        QWidget* widget = control(index);
        if (widget == nullptr) return noSuchControl();
        widget->setVisible(visible);
        if (WindowPresenter* presenter = m_forms.presenter()) presenter->changed();
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

// Only the saver covers the other monitors, and the video covers it once the clip has
// prerolled (at most a few seconds) and again after each change of the screen: the look for
// it starts here, and comes back a few times, further apart each time.
void QtFormWindow::lookForCoveringVideo() {
    static constexpr int kLooksMs[] = {250, 500, 1000, 2000, 4000, 8000};
    if (m_coverLook.interval() == 0) {
        m_coverLook.setSingleShot(true);
        QObject::connect(&m_coverLook, &QTimer::timeout, this, [this] {
            keepPictureOnlyIfSeen();
            if (++m_coverLooks < static_cast<int>(std::size(kLooksMs))) m_coverLook.start(kLooksMs[m_coverLooks]);
        });
    }
    m_coverLooks = 0;
    m_coverLook.start(kLooksMs[0]);
}

// The form's picture (a backing store of the window's size: 33 MB on a 3840x2160 screen)
// serves nobody while a native child covers all of it. Updates stop and the store shrinks to
// a pixel; when the form shows again anywhere, updates come back and Qt repaints it whole.
void QtFormWindow::keepPictureOnlyIfSeen() {
    if (!isVisible() || width() <= 0 || height() <= 0) return;
    const int right = width() - 1, bottom = height() - 1;
    bool covered = true;
    for (const QPoint at : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                            QPoint(right / 2, bottom / 2)}) {
        covered = covered && coveredByNativeChild(at);
    }
    if (covered && !m_pictureDropped) {
        setUpdatesEnabled(false);
        if (QBackingStore* store = backingStore()) store->resize(QSize(1, 1));
        m_pictureDropped = true;
    } else if (!covered && m_pictureDropped) {
        setUpdatesEnabled(true);
        update();
        m_pictureDropped = false;
    }
}

Status QtFormWindow::coverOtherMonitors() {
    if (WindowPresenter* presenter = m_forms.presenter()) {
        return unlessGone(gone(), [&] { return presenter->coverOtherMonitors(); });
    }
    return unlessGone(gone(), [&]() -> Status {
        m_forms.followScreen();
        lookForCoveringVideo();
        dropMonitorCovers();
        const QScreen* primary = QGuiApplication::primaryScreen();
        if (primary == nullptr) return Status::success();
        const PixelRect saver{0, 0, primary->geometry().width(), primary->geometry().height()};
        for (const PixelRect& monitor : monitorsToCover(m_forms.monitors(), saver)) {
            auto* cover = new QtMonitorCover(*this, QRect(static_cast<int>(monitor.left), static_cast<int>(monitor.top),
                                                        static_cast<int>(monitor.width), static_cast<int>(monitor.height)));
            cover->show();
            m_covers.emplace_back(cover);
        }
        if (!m_covers.empty()) {
            raise();
            activateWindow();
        }
        return Status::success();
    });
}

void QtFormWindow::dropMonitorCovers() {
    for (const QPointer<QWidget>& cover : m_covers) {
        if (cover != nullptr) cover->deleteLater();
    }
    m_covers.clear();
}

}  // namespace tessiva
