#pragma once
// Whether the video covers all of the saver's window, as the X server answers (a mapped
// native child under the window's corners and middle), told to the form's picture
// (form_picture.h). The video covers the window once the clip has prerolled (at most a few
// seconds) and again after each change of the screen: looking starts with the covers, and
// comes back a few times, further apart each time. Interface thread.
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/linux/qt/form_picture.h"

namespace tessiva {

class CoverLooks {
public:
    // Whether the video covers a point of the window, as the windowing system answers.
    using Covered = std::function<bool(const QWidget& window, QPoint at)>;
    explicit CoverLooks(Covered covered) : m_covered(std::move(covered)) {}

    // Looks at `window` from now on, starting the looks over.
    void lookFrom(QWidget& window);

private:
    void look();

    Covered m_covered;
    QPointer<QWidget> m_window;
    std::optional<FormPicture> m_picture;
    QTimer m_look;
    int m_looks = 0;
};

}  // namespace tessiva
