#pragma once
// Form1's window on Qt Widgets: a top-level QWidget with the definition's controls as
// (non-native) child widgets, so that the window is one native window. The desktop's
// presenter (window_presenter.h) puts it on the screen and says what its handle is. Its
// events are routed to the program's handlers through the `guarded` boundary.
#include <QPixmap>
#include <QWidget>
#include <vector>

#include "platform/forms.h"
#include "platform/linux/qt/form_host.h"

namespace tessiva {

// The forms' button and shift codes of Qt's.
std::int16_t buttonCodeOf(Qt::MouseButtons buttons);
std::int16_t shiftCodeOf(Qt::KeyboardModifiers modifiers);

class QtFormWindow final : public QWidget, public FormWindow {
public:
    QtFormWindow(FormHost& host, const FormDefinition& definition, FormEvents& events);

    Status show() override;
    NativeHandle hWnd() override;
    Status setTop(double twips) override;
    Status setLeft(double twips) override;
    Status setWidth(double twips) override;
    Status setHeight(double twips) override;
    double scaleWidth() override;
    double scaleHeight() override;
    Status setWindowState(std::int16_t state) override;
    Status setBorderStyle(std::int16_t style) override;
    Status setCaption(const std::string& caption) override;
    PictureId picture(ControlIndex control) override;
    Status setPicture(PictureId picture) override;
    Status setVisible(ControlIndex control, bool visible) override;
    Status setValue(ControlIndex control, std::int16_t value) override;
    std::int16_t value(ControlIndex control) override;
    Status coverOtherMonitors() override;

    // Input that a desktop's other surfaces take for the window (the black covers of the
    // other monitors, the saver's own surfaces on Wayland) is the window's own input, in
    // plain terms: the text a key types (keyTyped is false for a key that types none), and
    // places in the window's pixels, measured from its corner as pointOnSaver (cover_plan.h)
    // gives them for a point on a cover. `buttons` and `shift` are the forms' codes
    // (form_rules.h: buttonCode, shiftCode).
    bool keyTyped(const QString& text);
    void pointerMoved(QPointF at, std::int16_t buttons, std::int16_t shift);
    void buttonPressed(QPointF at, std::int16_t button, std::int16_t shift);
    // After showing: the first control in the tab order that can take the focus takes it.
    void focusFirstControl();

    std::int16_t borderStyle() const { return m_borderStyle; }
    // True where a native child window of another program layer (the video) lies over us.
    bool coveredByNativeChild(QPoint at) const;
    // Where its events go; the forms layer's FormLife runs Form_Unload there.
    FormEvents& events() { return m_events; }
    FormHost& host() { return m_host; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* control(ControlIndex index) const;
    // Once the form has unloaded, the window stays gone: calls on it do nothing.
    bool gone() const;
    void buildControls(const FormDefinition& definition);
    void applyTabOrder(const FormDefinition& definition);
    void applyBackground();
    template <class Handler>
    void forwardMouse(QPointF at, std::int16_t buttons, std::int16_t shift, Handler handler);

    FormHost& m_host;
    FormEvents& m_events;
    std::vector<ControlDefinition> m_definitions;
    std::vector<QWidget*> m_controls;
    QPixmap m_picture;
    std::int16_t m_borderStyle = 0;
};

}  // namespace tessiva
