// WaylandSaver: the saver's window as surfaces of our own (see wayland_saver.h).
#include "platform/linux/qt/wayland_saver.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <sys/mman.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/wayland/saver_surface.h"
#include "platform/linux/wayland/wayland_client.h"
#include "platform/linux/wayland/wayland_seat.h"
#include "platform/shared/cover_plan.h"

namespace tessiva {
namespace {

// How many answers of the compositor to wait for a new surface's size and output.
constexpr int kRoundtrips = 5;

Qt::MouseButtons qtButtons(int mask) {
    Qt::MouseButtons buttons;
    if ((mask & 1) != 0) buttons |= Qt::LeftButton;
    if ((mask & 2) != 0) buttons |= Qt::RightButton;
    if ((mask & 4) != 0) buttons |= Qt::MiddleButton;
    return buttons;
}

// Later, on the interface thread, outside whatever listener is running now.
template <class Action>
void later(Action action) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(action), Qt::QueuedConnection);
}

void copyRows(const std::uint8_t* from, int fromStride, std::uint8_t* to, int toStride, int rowBytes, int rows) {
    for (int row = 0; row < rows; ++row) {
        std::memcpy(to + static_cast<std::ptrdiff_t>(row) * toStride, from + static_cast<std::ptrdiff_t>(row) * fromStride,
                    static_cast<std::size_t>(rowBytes));
    }
}

PixelRect rectOf(const WaylandClient::Output& output) { return PixelRect{output.x, output.y, output.width, output.height}; }

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

WaylandSaver::WaylandSaver(WaylandClient& client, WaylandSeat& seat, FrameTargets& targets)
    : m_client(client), m_seat(seat), m_targets(targets) {
    client.setOutputsChanged([this] { outputsChanged(); });
    WaylandSeat::Listener& listener = seat.listener();
    listener.keyPressed = [this](const std::string& text) { keyPressed(text); };
    listener.moved = [this](wl_surface* surface, double x, double y, int buttons) { moved(surface, x, y, buttons); };
    listener.pressed = [this](wl_surface* surface, double x, double y, int button) { pressed(surface, x, y, button); };
}

WaylandSaver::~WaylandSaver() {
    m_targets.remove(handle());
    hide();
}

NativeHandle WaylandSaver::handle() const { return reinterpret_cast<NativeHandle>(this); }

Status WaylandSaver::show(QtFormWindow& window) {
    m_window = &window;
    m_hidden = false;
    m_targets.add(handle(), *this);
    {
        std::lock_guard lock(m_mutex);
        if (!m_playing) {
            m_playing = std::make_unique<SaverSurface>(
                m_client, nullptr, [this](SaverSurface&) { playingConfigured(); },
                [this](SaverSurface&) {
                    // Its output went: the saver comes back wherever the compositor puts it now.
                    later([this] {
                        {
                            std::lock_guard relock(m_mutex);
                            m_playing.reset();
                        }
                        if (!m_hidden && m_window != nullptr) (void)show(*m_window);
                    });
                });
            m_playing->setBufferFreed([this] {
                if (m_formUnshown) later([this] { repaint(); });
            });
        }
    }
    // The compositor answers with the size, then shows the first picture and says where.
    m_placing = true;
    for (int i = 0; i < kRoundtrips; ++i) {
        bool placed = false;
        {
            std::lock_guard lock(m_mutex);
            placed = m_playing && m_playing->configured() && m_playing->shownOn() != nullptr;
        }
        if (placed) break;
        m_client.roundtrip();
    }
    m_placing = false;
    syncCovers();
    return Status::success();
}

Status WaylandSaver::coverOtherMonitors(QtFormWindow&) {
    m_wantCovers = true;
    syncCovers();
    return Status::success();
}

void WaylandSaver::changed(QtFormWindow&) {
    // A handler often changes several things in a row: one drawing after all of them.
    if (m_redrawQueued) return;
    m_redrawQueued = true;
    later([this] {
        m_redrawQueued = false;
        if (m_hidden) return;
        renderForm();
        repaint();
    });
}

void WaylandSaver::hide() {
    m_hidden = true;
    m_covers.clear();
    std::lock_guard lock(m_mutex);
    m_playing.reset();
}

void WaylandSaver::outputsChanged() { syncCovers(); }

void WaylandSaver::playingConfigured() {
    renderForm();
    repaint();
    syncCovers();
}

void WaylandSaver::renderForm() {
    if (m_window == nullptr) return;
    int width = 0, height = 0;
    ownerSize(width, height);
    if (width <= 0 || height <= 0) return;
    QImage form = screenImage(width, height);
    form.fill(Qt::black);
    m_window->render(&form);
    std::lock_guard lock(m_mutex);
    m_form = std::move(form);
    m_formScaled = QImage();
    m_formAsked = false;
}

void WaylandSaver::repaint() {
    std::lock_guard lock(m_mutex);
    // While the video shows, its next picture brings the form's part along.
    if (!m_playing || !m_videoPlace.empty()) {
        m_formUnshown = false;
        return;
    }
    // Both buffers may still be the compositor's: then the form shows once one comes back.
    m_formUnshown = !m_playing->paint([&](Canvas& canvas) {
        if (m_form.width() != canvas.width || m_form.height() != canvas.height) return false;
        copyRows(m_form.constBits(), static_cast<int>(m_form.bytesPerLine()), canvas.pixels, canvas.stride,
                 canvas.width * 4, canvas.height);
        return true;
    });
}

void WaylandSaver::syncCovers() {
    if (m_hidden) return;
    const auto& outputs = m_client.outputs();
    // Covers of outputs that went.
    std::erase_if(m_covers, [&](const std::unique_ptr<SaverSurface>& cover) {
        return m_client.findOutput(cover->output()) == nullptr;
    });
    if (!m_wantCovers) return;
    wl_output* playingOn = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_playing) playingOn = m_playing->shownOn();
    }
    const WaylandClient::Output* playing = m_client.findOutput(playingOn);
    if (playing == nullptr) return;  // not placed yet: its configure comes back here
    std::vector<PixelRect> rects;
    for (const WaylandClient::Output& output : outputs) rects.push_back(rectOf(output));
    const std::vector<std::size_t> plan = coverPlan(rects, rects[static_cast<std::size_t>(playing - outputs.data())]);
    const auto planned = [&](const wl_output* output) {
        return std::any_of(plan.begin(), plan.end(), [&](std::size_t i) { return outputs[i].output == output; });
    };
    std::erase_if(m_covers, [&](const std::unique_ptr<SaverSurface>& cover) { return !planned(cover->output()); });
    for (const std::size_t i : plan) {
        const bool covered = std::any_of(m_covers.begin(), m_covers.end(),
                                         [&](const std::unique_ptr<SaverSurface>& cover) { return cover->output() == outputs[i].output; });
        if (covered) continue;
        // A new buffer reads as zeros: black, without a pixel written. (One black pixel
        // stretched over the output would do with less, but sway's software scaling blends its
        // edges with whatever lies beyond.)
        const auto black = [](SaverSurface& shown) { shown.paint([](Canvas&) { return true; }); };
        auto cover = std::make_unique<SaverSurface>(m_client, outputs[i].output, black,
                                                    [this](SaverSurface&) { later([this] { syncCovers(); }); });
        // A compositor that looks for the surface under a still pointer only when it draws
        // that output again (gnome-shell) would leave the pointer showing over a cover that
        // never changes: the cover is drawn once more, once it is on the screen.
        SaverSurface* drawn = cover.get();
        cover->setFirstShown([drawn, black] { black(*drawn); });
        m_covers.push_back(std::move(cover));
    }
}

// ---- FrameTarget ----

void WaylandSaver::ownerSize(int& width, int& height) {
    {
        std::lock_guard lock(m_mutex);
        if (m_playing && m_playing->configured() && m_playing->width() > 0) {
            width = m_playing->width();
            height = m_playing->height();
            return;
        }
    }
    width = m_window != nullptr ? m_window->width() : 0;
    height = m_window != nullptr ? m_window->height() : 0;
}

bool WaylandSaver::scalesFrames() const { return m_client.viewporter() != nullptr; }

void WaylandSaver::showFrame(const FrameView& frame, const PixelRect& place) {
    std::lock_guard lock(m_mutex);
    m_videoPlace = place;
    if (!m_playing) return;
    // Where the compositor doesn't scale, the frame comes at the size of its place: a picture
    // of the surface's own size.
    const ScaledPicture picture = scalePicture(m_playing->width(), m_playing->height(), place, frame.width, frame.height);
    if (picture.width <= 0) return;
    const bool whole = picture.frame == PixelRect{0, 0, picture.width, picture.height};
    if (whole && !m_form.isNull()) {
        m_form = QImage();
        m_formScaled = QImage();
    }
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
        if (m_playing->show(*lent, shared.hold)) {
            m_formUnshown = false;
            return;
        }
    }
    const bool painted = m_playing->paintScaled(picture.width, picture.height, [&](Canvas& canvas) {
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
void WaylandSaver::drawFormAround(Canvas& canvas, const ScaledPicture& picture) {
    if (m_form.isNull()) {
        // Let go of while the video covered it all: black (its colour) until it is drawn again.
        if (!m_formAsked) later([this] { renderForm(); });
        m_formAsked = true;
        std::memset(canvas.pixels, 0, static_cast<std::size_t>(canvas.stride) * static_cast<std::size_t>(canvas.height));
        return;
    }
    if (m_formScaled.width() != canvas.width || m_formScaled.height() != canvas.height) {
        m_formScaled = m_form.scaled(canvas.width, canvas.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB32);
    }
    copyRows(m_formScaled.constBits(), static_cast<int>(m_formScaled.bytesPerLine()), canvas.pixels, canvas.stride,
             canvas.width * 4, canvas.height);
    const std::int64_t left = std::clamp<std::int64_t>(picture.room.left, 0, canvas.width);
    const std::int64_t right = std::clamp<std::int64_t>(picture.room.left + picture.room.width, left, canvas.width);
    const std::int64_t top = std::clamp<std::int64_t>(picture.room.top, 0, canvas.height);
    const std::int64_t bottom = std::clamp<std::int64_t>(picture.room.top + picture.room.height, top, canvas.height);
    for (std::int64_t row = top; row < bottom; ++row) {
        std::memset(canvas.pixels + row * canvas.stride + left * 4, 0, static_cast<std::size_t>(right - left) * 4);
    }
}

void WaylandSaver::hideVideo() {
    bool formGone = false;
    {
        std::lock_guard lock(m_mutex);
        m_videoPlace = PixelRect{};
        formGone = m_form.isNull();
    }
    if (formGone) renderForm();
    repaint();
}

// ---- Input ----

QPointF WaylandSaver::positionOn(wl_surface* surface, double x, double y) const {
    // Over another output, the place is measured from the playing output's corner, as the
    // saver's window would measure a point beside it.
    for (const auto& cover : m_covers) {
        if (cover->surface() != surface) continue;
        const WaylandClient::Output* over = m_client.findOutput(cover->output());
        const WaylandClient::Output* playing = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_playing) playing = m_client.findOutput(m_playing->shownOn());
        }
        if (over != nullptr && playing != nullptr) {
            const PointOnSaver at = pointOnSaver(rectOf(*over), rectOf(*playing), x, y);
            return QPointF(at.x, at.y);
        }
    }
    return QPointF(x, y);
}

void WaylandSaver::keyPressed(const std::string& text) {
    if (m_placing) return later([this, text] { keyPressed(text); });
    if (m_hidden || m_window == nullptr) return;
    QKeyEvent event(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8(text));
    m_window->routeKeyPress(&event);
}

void WaylandSaver::moved(wl_surface* surface, double x, double y, int buttons) {
    if (m_placing) return later([=, this] { moved(surface, x, y, buttons); });
    if (m_hidden || m_window == nullptr) return;
    const QPointF at = positionOn(surface, x, y);
    QMouseEvent event(QEvent::MouseMove, at, at, Qt::NoButton, qtButtons(buttons), Qt::NoModifier);
    m_window->routeMouseMove(&event);
}

void WaylandSaver::pressed(wl_surface* surface, double x, double y, int button) {
    if (m_placing) return later([=, this] { pressed(surface, x, y, button); });
    if (m_hidden || m_window == nullptr) return;
    const QPointF at = positionOn(surface, x, y);
    const Qt::MouseButtons buttons = qtButtons(button);
    const Qt::MouseButton which = buttons == Qt::NoButton ? Qt::NoButton : static_cast<Qt::MouseButton>(buttons.toInt());
    QMouseEvent event(QEvent::MouseButtonPress, at, at, which, buttons, Qt::NoModifier);
    m_window->routeMousePress(&event);
}

}  // namespace tessiva
