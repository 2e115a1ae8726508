// relativeMouseFeed: Wayland's relative pointer as the buffered mouse's feed.
#include "platform/linux/wayland/relative_mouse.h"

#include "platform/linux/wayland/wayland_seat.h"

namespace tessiva {

MouseFeed relativeMouseFeed(WaylandSeat& seat) {
    return [&seat](MouseFeedListener& device, std::shared_ptr<void>& keep) {
        WaylandSeat::Listener& listener = seat.listener();
        // Each event is a batch of its own: the program hears of it at once.
        listener.relativeMotion = [&device](double dx, double dy, std::uint32_t time) {
            device.rawMotion(dx, dy, time);
            device.rawBatchEnd();
        };
        listener.rawButton = [&device](int button, bool pressed, std::uint32_t time) {
            device.rawButton(button, pressed, time);
            device.rawBatchEnd();
        };
        // When the device goes, its feed stops.
        keep = std::shared_ptr<void>(nullptr, [&seat](void*) {
            seat.listener().relativeMotion = nullptr;
            seat.listener().rawButton = nullptr;
        });
        return Status::success();
    };
}

}  // namespace tessiva
