#include "platform/linux/qt/qt_frame_picture.h"

#include <QEvent>
#include <QPainter>
#include <cstring>

namespace tessiva {

QtFramePicture::QtFramePicture(QWidget& form) : QWidget(&form) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    m_ownerWidth = form.width();
    m_ownerHeight = form.height();
    form.installEventFilter(this);
    hide();
}

bool QtFramePicture::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        const QWidget* form = parentWidget();
        m_ownerWidth = form->width();
        m_ownerHeight = form->height();
    }
    return false;
}

void QtFramePicture::ownerSize(int& width, int& height) {
    width = m_ownerWidth;
    height = m_ownerHeight;
}

void QtFramePicture::showFrame(const FrameView& frame, const PixelRect& place) {
    {
        std::lock_guard lock(m_mutex);
        if (m_picture.width() != frame.width || m_picture.height() != frame.height) {
            m_picture = QImage(frame.width, frame.height, QImage::Format_RGB32);
        }
        for (int row = 0; row < frame.height; ++row) {
            std::memcpy(m_picture.scanLine(row), frame.pixels + static_cast<std::ptrdiff_t>(row) * frame.stride,
                        static_cast<std::size_t>(frame.width) * 4);
        }
        m_place = place;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            QRect place;
            {
                std::lock_guard lock(m_mutex);
                place = QRect(static_cast<int>(m_place.left), static_cast<int>(m_place.top),
                              static_cast<int>(m_place.width), static_cast<int>(m_place.height));
            }
            if (geometry() != place) setGeometry(place);
            if (isHidden()) show();
            update();
        },
        Qt::QueuedConnection);
}

void QtFramePicture::hideVideo() {
    QMetaObject::invokeMethod(this, [this] { hide(); }, Qt::QueuedConnection);
}

void QtFramePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard lock(m_mutex);
    // The widget is where the video is; a picture of an older size leaves black around it
    // until the next one fits.
    if (m_picture.size() != size()) painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, m_picture);
}

}  // namespace tessiva
