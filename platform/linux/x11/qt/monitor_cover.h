#pragma once
// A black window over one monitor beside the saver's, with no frame and above other windows
// as the saver is. It never takes the focus from the saver; its input is the saver's, handed
// to the form's window as a point on the saver (pointOnSaver). The form's window owns it.
// Interface thread only.
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
