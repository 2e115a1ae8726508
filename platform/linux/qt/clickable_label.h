#pragma once
// ClickableLabel: a label that reports a click (press and release over it), as the program's
// labels do. Our controls are painted on the form's own native window, so a native child
// window laid over it (the video on X11) doesn't hide them from Qt's event routing; a press there belongs to
// the window underneath, as it would on a desktop where the label lies beneath that child.
// GUI thread only.
#include <QLabel>
#include <functional>

namespace tessiva {

class QtFormWindow;

class ClickableLabel final : public QLabel {
public:
    ClickableLabel(const QString& text, QtFormWindow* form, std::function<void()> onClick);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QtFormWindow* m_form;
    std::function<void()> m_onClick;
    bool m_pressed = false;
};

}  // namespace tessiva
