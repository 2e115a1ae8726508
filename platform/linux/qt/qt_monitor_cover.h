#pragma once
// QtMonitorCover: a black window over one monitor beside the saver's, with no frame and above
// other windows as the saver is. It never takes the focus from the saver; its input is the
// saver's, routed to the form's window. The form's window owns it. GUI thread only.
#include <QRect>
#include <QWidget>

namespace tessiva {

class QtFormWindow;

class QtMonitorCover final : public QWidget {
public:
    QtMonitorCover(QtFormWindow& form, const QRect& monitor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The desktop's close command on a cover is no unload of the form: the cover stays.
    void closeEvent(QCloseEvent* event) override;

private:
    QtFormWindow& m_form;
};

}  // namespace tessiva
