#pragma once
// The video as a child widget of the form, for a Qt window that no other program can draw
// into (Wayland): it takes pictures from the media layer (frame_target.h), sits where the
// video goes and shows the latest, and lets input through to the form. It stays hidden until
// the first picture, so a clip that never plays leaves the form as it is, Label4 included;
// the owner's size it reports follows the form's.
//
// Threads: showFrame comes from GStreamer's streaming thread; it copies the picture under a
// lock and asks the interface thread to paint.
#include <QImage>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "platform/linux/gst/frame_target.h"

namespace tessiva {

class QtFramePicture final : public QWidget, public FrameTarget {
public:
    explicit QtFramePicture(QWidget& form);

    void ownerSize(int& width, int& height) override;
    void showFrame(const FrameView& frame, const PixelRect& place) override;
    void hideVideo() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::atomic<int> m_ownerWidth{0};
    std::atomic<int> m_ownerHeight{0};
    std::mutex m_mutex;  // the picture and its place
    QImage m_picture;
    PixelRect m_place;
};

}  // namespace tessiva
