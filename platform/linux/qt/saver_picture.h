#pragma once
// The saver's window keeps no picture of itself while a native window of the media layer
// (the video) covers all of it: its picture is a backing store of the window's size, 33 MB on
// a 3840x2160 screen, that serves nobody then. Updates stop and the store shrinks to a pixel;
// when the window shows again anywhere, updates come back and Qt repaints it whole.
//
// The video covers the window once the clip has prerolled (at most a few seconds) and again
// after each change of the screen: a look starts with the covers, and comes back a few
// times, further apart each time. Interface thread.
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tessiva {

class SaverPicture {
public:
    // Whether the video covers a point of the window, as the windowing system answers.
    using Covered = std::function<bool(const QWidget& window, QPoint at)>;
    explicit SaverPicture(Covered covered) : m_covered(std::move(covered)) {}

    // Looks at `window` from now on, starting the looks over.
    void lookFrom(QWidget& window);

private:
    void keepPictureOnlyIfSeen();

    Covered m_covered;
    QPointer<QWidget> m_window;
    QTimer m_look;
    int m_looks = 0;
    bool m_dropped = false;
};

}  // namespace tessiva
