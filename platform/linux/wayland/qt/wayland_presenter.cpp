// WaylandPresenter: the saver's window as surfaces of our own (see wayland_presenter.h).
#include "platform/linux/wayland/qt/wayland_presenter.h"

#include <QCoreApplication>

#include <algorithm>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/wayland/saver_surface.h"
#include "platform/linux/wayland/wayland_client.h"
#include "platform/linux/wayland/wayland_seat.h"
#include "platform/shared/cover_plan.h"

namespace tessiva {
namespace {

// How many answers of the compositor to wait for a new surface's size and output.
constexpr int kRoundtrips = 5;

// Later, on the interface thread, outside whatever listener is running now.
template <class Action>
void later(Action action) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(action), Qt::QueuedConnection);
}

PixelRect rectOf(const WaylandClient::Output& output) { return PixelRect{output.x, output.y, output.width, output.height}; }

}  // namespace

WaylandPresenter::WaylandPresenter(WaylandClient& client, WaylandSeat& seat, FrameTargetRegistry& targets, SurfaceKind kind)
    : m_client(client), m_targets(targets), m_kind(kind),
      m_playing(client, kind, [this](bool redraw) { ask(redraw ? kRedraw : kRepaint); }) {
    client.setOutputsChanged([this] { syncCovers(); });
    WaylandSeat::Listener& listener = seat.listener();
    // The seat's buttons are the forms' codes already: 1 left, 2 right, 4 middle.
    listener.keyPressed = [this](const std::string& text) {
        input([this, text] { m_window->keyTyped(QString::fromUtf8(text)); });
    };
    listener.moved = [this](wl_surface* surface, double x, double y, int buttons) {
        input([=, this] { m_window->pointerMoved(onSaver(surface, x, y), static_cast<std::int16_t>(buttons), 0); });
    };
    listener.pressed = [this](wl_surface* surface, double x, double y, int button) {
        input([=, this] { m_window->buttonPressed(onSaver(surface, x, y), static_cast<std::int16_t>(button), 0); });
    };
}

WaylandPresenter::~WaylandPresenter() {
    m_targets.remove(handle());
    hide();
}

NativeHandle WaylandPresenter::handle() const { return reinterpret_cast<NativeHandle>(this); }

void WaylandPresenter::ask(unsigned changes) {
    if (m_changes.fetch_or(changes) == 0) later([this] { handleChanges(); });
}

void WaylandPresenter::handleChanges() {
    const unsigned changes = m_changes.exchange(0);
    if (m_hidden || m_window == nullptr) return;
    if ((changes & kReshow) != 0) {
        m_playing.close();
        (void)show(*m_window);
    }
    if ((changes & (kRedraw | kRepaint)) != 0) m_playing.drawForm((changes & kRedraw) != 0);
    if ((changes & kCovers) != 0) syncCovers();
}

Status WaylandPresenter::show(QtFormWindow& window) {
    m_window = &window;
    m_hidden = false;
    m_playing.setForm(&window);
    m_targets.add(handle(), m_playing);
    m_playing.open(
        [this](SaverSurface&) {
            m_playing.drawForm(true);
            syncCovers();
        },
        // Its output went: the saver comes back wherever the compositor puts it now.
        [this](SaverSurface&) { ask(kReshow); });
    // The compositor answers with the size, then shows the first picture and says where.
    m_placing = true;
    for (int i = 0; i < kRoundtrips && !m_playing.placed(); ++i) m_client.roundtrip();
    m_placing = false;
    syncCovers();
    return Status::success();
}

Status WaylandPresenter::coverOtherMonitors(QtFormWindow&) {
    m_wantCovers = true;
    syncCovers();
    return Status::success();
}

// A handler often changes several things in a row: one drawing after all of them.
void WaylandPresenter::changed(QtFormWindow&) { ask(kRedraw); }

void WaylandPresenter::hide() {
    m_hidden = true;
    m_covers.clear();
    m_playing.close();
}

void WaylandPresenter::syncCovers() {
    if (m_hidden) return;
    const auto& outputs = m_client.outputs();
    // Covers of outputs that went.
    std::erase_if(m_covers, [&](const std::unique_ptr<SaverSurface>& cover) {
        return m_client.findOutput(cover->output()) == nullptr;
    });
    if (!m_wantCovers) return;
    const WaylandClient::Output* playing = m_client.findOutput(m_playing.shownOn());
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
        auto cover = std::make_unique<SaverSurface>(m_client, m_kind, outputs[i].output, black,
                                                    [this](SaverSurface&) { ask(kCovers); });
        // A compositor that looks for the surface under a still pointer only when it draws
        // that output again (gnome-shell) would leave the pointer showing over a cover that
        // never changes: the cover is drawn once more, once it is on the screen.
        SaverSurface* drawn = cover.get();
        cover->setFirstShown([drawn, black] { black(*drawn); });
        m_covers.push_back(std::move(cover));
    }
}

void WaylandPresenter::input(std::function<void()> input) {
    if (m_placing) return later([this, input = std::move(input)] { this->input(input); });
    if (m_hidden || m_window == nullptr) return;
    input();
}

QPointF WaylandPresenter::onSaver(wl_surface* surface, double x, double y) const {
    // Over another output, the place is measured from the playing output's corner, as the
    // saver's window would measure a point beside it.
    for (const auto& cover : m_covers) {
        if (cover->surface() != surface) continue;
        const WaylandClient::Output* over = m_client.findOutput(cover->output());
        const WaylandClient::Output* playing = m_client.findOutput(m_playing.shownOn());
        if (over != nullptr && playing != nullptr) {
            const PointOnSaver at = pointOnSaver(rectOf(*over), rectOf(*playing), x, y);
            return QPointF(at.x, at.y);
        }
    }
    return QPointF(x, y);
}

}  // namespace tessiva
