#pragma once
// A black window over one monitor beside the saver's. The window manager doesn't manage it
// (override-redirect): window managers place a new window where they like (xfwm4 kept a cover
// meant for the right half of a split screen inside the left one, i3 tiled it behind the
// saver on the focused workspace), and a cover must lie exactly over its monitor, above the
// panels and bars there. It never takes the focus from the saver; its input is the saver's,
// handed to the form's window as a point on the saver (pointOnSaver). The form's window owns
// it. Interface thread only.
#include <QRect>
#include <QWidget>

namespace tessiva {

class QtFormWindow;

class MonitorCover final : public QWidget {
public:
    MonitorCover(QtFormWindow& form, const QRect& monitor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The desktop's close command on a cover is no unload of the form: the cover stays.
    void closeEvent(QCloseEvent* event) override;

private:
    QPointF onSaver(QPointF at) const;

    QtFormWindow& m_form;
};

}  // namespace tessiva
