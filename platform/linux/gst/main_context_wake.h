#pragma once
// Wakes the interface thread's wait in GLib's default main context, the one Qt's dispatcher
// polls and the forms layer's yield iterates, when a file descriptor becomes readable or when
// `pending` says something already waits in a library's own queue. It dispatches nothing: the
// playback loop's next pass reads what came, so the descriptor is quiet again after that pass.
//
// Facts relied on:
// - A GSource's prepare runs before each poll and may say it is ready without polling; its
//   check runs after the poll with the descriptor's revents.
// - GstBus's poll descriptor is readable while messages wait; gst_bus_pop drains it.
// - Xlib can hold events in its own queue with nothing left on the socket.
// Interface thread only.
#include <functional>

typedef struct _GSource GSource;

namespace tessiva {

class MainContextWake {
public:
    MainContextWake() = default;
    MainContextWake(const MainContextWake&) = delete;
    MainContextWake& operator=(const MainContextWake&) = delete;
    ~MainContextWake() { clear(); }

    // Starts waking on `fd`, instead of whatever it woke on before.
    void watch(int fd, std::function<bool()> pending = {});
    void clear();

private:
    GSource* m_source = nullptr;
    std::function<bool()> m_pending;
};

}  // namespace tessiva
