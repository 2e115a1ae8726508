#include "platform/linux/x11/qt/cover_looks.h"

#include <iterator>

namespace tessiva {

void CoverLooks::lookFrom(QWidget& window) {
    static constexpr int kLooksMs[] = {250, 500, 1000, 2000, 4000, 8000};
    if (m_window != &window) {
        m_window = &window;
        m_picture.emplace(FormPicture::backingStoreOf(window));
    }
    if (m_look.interval() == 0) {
        m_look.setSingleShot(true);
        QObject::connect(&m_look, &QTimer::timeout, [this] {
            look();
            if (++m_looks < static_cast<int>(std::size(kLooksMs))) m_look.start(kLooksMs[m_looks]);
        });
    }
    m_looks = 0;
    m_look.start(kLooksMs[0]);
}

void CoverLooks::look() {
    QWidget* window = m_window;
    if (window == nullptr || !m_picture || !window->isVisible() || window->width() <= 0 || window->height() <= 0) return;
    const int right = window->width() - 1, bottom = window->height() - 1;
    bool covered = true;
    for (const QPoint at : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                            QPoint(right / 2, bottom / 2)}) {
        covered = covered && m_covered(*window, at);
    }
    m_picture->videoCoversAll(covered);
}

}  // namespace tessiva
