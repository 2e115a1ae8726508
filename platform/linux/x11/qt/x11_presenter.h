#pragma once
// The saver's window on X11: Qt's own window, placed where the window manager put it, made
// full-screen once the program sizes it to the whole primary screen, with black covers over
// the other monitors (cover_plan.h says which) that follow the desktop when its screen or
// monitors change. The saver ends when a window of another client takes the keyboard focus
// from it: with a window manager such a window gets the keys while the saver, on top, hides
// it (measured with openbox); a grab of the keyboard or the pointer by another client doesn't
// end it. Questions Qt can't answer (the native child under a point, the monitors RandR
// lists, where a shown window went) go through our own X connection, the desktop's changes
// through the session's watch. Only the saver has this presenter: the preview and the dialog
// are Qt's own windows. Interface thread.
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <vector>

#include "platform/linux/qt/qt_window_presenter.h"
#include "platform/linux/x11/qt/cover_looks.h"
#include "platform/shared/video_placement.h"

class QWidget;

namespace tessiva {

class DesktopWatch;
class XConnection;

class X11Presenter final : public QtWindowPresenter {
public:
    // `x11` and `watch` must outlive the presenter.
    X11Presenter(XConnection& x11, DesktopWatch& watch);
    ~X11Presenter() override;

    Status coverOtherMonitors(QtFormWindow& window) override;
    void placed(QtFormWindow& window) override;
    bool videoCovers(const QtFormWindow& window, QPoint at) const override;
    void hide() override;

protected:
    void shown(QtFormWindow& window) override;

private:
    PixelRect playing(QtFormWindow& window, const std::vector<PixelRect>& all);
    std::vector<PixelRect> monitors() const;
    void dropCovers();
    void followScreen();
    void watchDesktop(QtFormWindow& window);

    XConnection& m_x11;
    DesktopWatch& m_watch;
    QtFormWindow* m_saver = nullptr;  // the window that asked for covers
    std::vector<QPointer<QWidget>> m_covers;
    bool m_watching = false;
    std::unique_ptr<QSocketNotifier> m_watchNotifier;
    // Restarted by every change of the screen: the window follows once they have settled.
    QTimer m_screenSettled;
    CoverLooks m_looks;
};

}  // namespace tessiva
