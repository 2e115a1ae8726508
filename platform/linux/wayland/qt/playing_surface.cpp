// PlayingSurface: the form and the video on the saver's playing surface (see playing_surface.h).
#include "platform/linux/wayland/qt/playing_surface.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/wayland/wayland_client.h"

namespace tessiva {
namespace {

void copyRows(const std::uint8_t* from, int fromStride, std::uint8_t* to, int toStride, int rowBytes, int rows) {
    for (int row = 0; row < rows; ++row) {
        std::memcpy(to + static_cast<std::ptrdiff_t>(row) * toStride, from + static_cast<std::ptrdiff_t>(row) * fromStride,
                    static_cast<std::size_t>(rowBytes));
    }
}

// A picture of the screen's size in memory of its own, given back to the system the moment the
// picture goes. From the heap, a block just under glibc's largest mapping threshold (31.6 MB
// at 3840x2160) would come back as heap that stays dirty once freed.
QImage screenImage(int width, int height) {
    struct Mapping {
        void* memory;
        std::size_t size;
    };
    const qsizetype stride = static_cast<qsizetype>(width) * 4;
    const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return QImage(width, height, QImage::Format_RGB32);
    return QImage(
        static_cast<uchar*>(memory), width, height, stride, QImage::Format_RGB32,
        [](void* info) {
            auto* mapping = static_cast<Mapping*>(info);
            munmap(mapping->memory, mapping->size);
            delete mapping;
        },
        new Mapping{memory, size});
}

}  // namespace

PlayingSurface::PlayingSurface(WaylandClient& client, SurfaceKind kind, Ask ask)
    : m_client(client), m_kind(kind), m_ask(std::move(ask)),
      // Under the lock: letting go drops the pictures; drawing again waits for the
      // interface thread.
      m_formPicture(FormPicture::Keeping{[this] {
                                             m_picture = QImage();
                                             m_pictureScaled = QImage();
                                         },
                                         [this] { m_ask(true); }}) {}

PlayingSurface::~PlayingSurface() { close(); }

void PlayingSurface::open(SaverSurface::Callback configured, SaverSurface::Callback closed) {
    std::lock_guard lock(m_mutex);
    if (m_surface) return;
    m_surface = std::make_unique<SaverSurface>(m_client, m_kind, nullptr, std::move(configured), std::move(closed));
    m_surface->setBufferFreed([this] {
        if (m_formUnshown) m_ask(false);
    });
}

void PlayingSurface::close() {
    std::lock_guard lock(m_mutex);
    m_surface.reset();
}

bool PlayingSurface::placed() const {
    std::lock_guard lock(m_mutex);
    return m_surface && m_surface->configured() && m_surface->shownOn() != nullptr;
}

wl_output* PlayingSurface::shownOn() const {
    std::lock_guard lock(m_mutex);
    return m_surface ? m_surface->shownOn() : nullptr;
}

void PlayingSurface::drawForm(bool render) {
    if (render) renderForm();
    repaint();
}

void PlayingSurface::renderForm() {
    if (m_form == nullptr) return;
    int width = 0, height = 0;
    ownerSize(width, height);
    if (width <= 0 || height <= 0) return;
    QImage picture = screenImage(width, height);
    picture.fill(Qt::black);
    m_form->render(&picture);
    std::lock_guard lock(m_mutex);
    // The video came to cover all of it meanwhile: nobody would see it.
    if (m_formPicture.letGo()) return;
    m_picture = std::move(picture);
    m_pictureScaled = QImage();
}

void PlayingSurface::repaint() {
    std::lock_guard lock(m_mutex);
    // While the video shows, its next picture brings the form's part along.
    if (!m_surface || !m_videoPlace.empty()) {
        m_formUnshown = false;
        return;
    }
    // Both buffers may still be the compositor's: then the form shows once one comes back.
    m_formUnshown = !m_surface->paint([&](Canvas& canvas) {
        if (m_picture.width() != canvas.width || m_picture.height() != canvas.height) return false;
        copyRows(m_picture.constBits(), static_cast<int>(m_picture.bytesPerLine()), canvas.pixels, canvas.stride,
                 canvas.width * 4, canvas.height);
        return true;
    });
}

void PlayingSurface::ownerSize(int& width, int& height) {
    {
        std::lock_guard lock(m_mutex);
        if (m_surface && m_surface->configured() && m_surface->width() > 0) {
            width = m_surface->width();
            height = m_surface->height();
            return;
        }
    }
    width = m_form != nullptr ? m_form->width() : 0;
    height = m_form != nullptr ? m_form->height() : 0;
}

void PlayingSurface::showFrame(const FrameView& frame, const PixelRect& place) {
    std::lock_guard lock(m_mutex);
    m_videoPlace = place;
    if (!m_surface) return;
    // Where the compositor doesn't scale, the frame comes at the size of its place: a picture
    // of the surface's own size.
    const ScaledPicture picture = scalePicture(m_surface->width(), m_surface->height(), place, frame.width, frame.height);
    if (picture.width <= 0) return;
    const bool whole = picture.frame == PixelRect{0, 0, picture.width, picture.height};
    m_formPicture.videoCoversAll(whole);
    // A frame that covers the whole surface goes to the compositor as it is, from the media
    // layer's shared memory: nothing copied.
    const SharedPixels& shared = frame.shared;
    if (whole && shared.fd >= 0 && shared.attachment != nullptr) {
        auto lent = std::static_pointer_cast<LentBuffer>(*shared.attachment);
        if (!lent || !lent->matches(frame.width, frame.height, shared.offset, frame.stride)) {
            lent = std::make_shared<LentBuffer>(m_client, shared.fd, shared.size, shared.offset, frame.width,
                                                frame.height, frame.stride);
            *shared.attachment = lent;
        }
        if (m_surface->show(*lent, shared.hold)) {
            m_formUnshown = false;
            return;
        }
    }
    const bool painted = m_surface->paintScaled(picture.width, picture.height, [&](Canvas& canvas) {
        if (canvas.width != picture.width || canvas.height != picture.height) return false;
        if (!whole) drawFormAround(canvas, picture);
        copyRows(frame.pixels, frame.stride,
                 canvas.pixels + picture.frame.top * canvas.stride + picture.frame.left * 4, canvas.stride,
                 frame.width * 4, frame.height);
        return true;
    });
    if (painted) m_formUnshown = false;
}

// The form at the pictures' scale, with the video's place black; under the lock.
void PlayingSurface::drawFormAround(Canvas& canvas, const ScaledPicture& picture) {
    if (m_picture.isNull()) {
        // Let go of while the video covered it all: black (its colour) until it is drawn again.
        std::memset(canvas.pixels, 0, static_cast<std::size_t>(canvas.stride) * static_cast<std::size_t>(canvas.height));
        return;
    }
    if (m_pictureScaled.width() != canvas.width || m_pictureScaled.height() != canvas.height) {
        m_pictureScaled = m_picture.scaled(canvas.width, canvas.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    }
    copyRows(m_pictureScaled.constBits(), static_cast<int>(m_pictureScaled.bytesPerLine()), canvas.pixels, canvas.stride,
             canvas.width * 4, canvas.height);
    const std::int64_t left = std::clamp<std::int64_t>(picture.room.left, 0, canvas.width);
    const std::int64_t right = std::clamp<std::int64_t>(picture.room.left + picture.room.width, left, canvas.width);
    const std::int64_t top = std::clamp<std::int64_t>(picture.room.top, 0, canvas.height);
    const std::int64_t bottom = std::clamp<std::int64_t>(picture.room.top + picture.room.height, top, canvas.height);
    for (std::int64_t row = top; row < bottom; ++row) {
        std::memset(canvas.pixels + row * canvas.stride + left * 4, 0, static_cast<std::size_t>(right - left) * 4);
    }
}

void PlayingSurface::hideVideo() {
    {
        std::lock_guard lock(m_mutex);
        m_videoPlace = PixelRect{};
        m_formPicture.videoCoversAll(false);
    }
    repaint();
}

}  // namespace tessiva
