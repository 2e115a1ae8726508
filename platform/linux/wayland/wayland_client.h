#pragma once
// One connection of ours to the Wayland compositor: the globals the saver needs, the
// outputs and their sizes. A reader thread of the connection's own reads its socket. Events
// of the default queue (outputs, input, configures) are dispatched on the interface thread,
// which the reader wakes through GLib's default main context, polled by Qt's dispatcher, so
// they run whenever the interface thread waits (the yield, the event loop, a message box).
// Events of the picture queue (the compositor giving buffers back, about 30 a second while a
// clip plays) are dispatched on the reader thread itself: the interface thread sleeps on.
//
// Facts relied on (libwayland 1.21):
// - Requests may be sent from any thread; events are dispatched on the thread that
//   dispatches their queue, here the default queue on the interface thread.
// - A thread that reads the socket announces it with wl_display_prepare_read_queue and then
//   either reads or cancels; a read sorts every event into its proxy's queue, and another
//   thread's wl_display_roundtrip may read meanwhile. wl_display_prepare_read on the default
//   queue fails while that queue holds events: how the reader tells there is work for the
//   interface thread.
// - wl_output (version 2 and later) ends each description with "done"; sizes come from the
//   mode marked current. Its geometry's x and y are no place in the layout on every
//   compositor (wlroots sends 0, 0 for every output): xdg-output's logical position and size
//   are, where the compositor offers it (sway, KDE, GNOME do).
// Failures: connect() answers a Status naming what is missing.
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/status.h"

struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_output;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwp_relative_pointer_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct wp_viewporter;

namespace tessiva {

class WaylandClient {
public:
    struct Output {
        wl_output* output = nullptr;
        std::uint32_t name = 0;  // the global's name: stable while the output lives
        zxdg_output_v1* xdgOutput = nullptr;  // its place in the layout, where offered
        int x = 0, y = 0;        // in the compositor's layout
        int width = 0, height = 0;
        bool described = false;  // a "done" has come: the numbers above are whole
    };

    WaylandClient() = default;
    WaylandClient(const WaylandClient&) = delete;
    WaylandClient& operator=(const WaylandClient&) = delete;
    ~WaylandClient();

    // True when the session names a Wayland compositor (WAYLAND_DISPLAY).
    static bool sessionIsWayland();

    // Connects, binds the globals and waits until every output has described itself. Fails
    // without a compositor, or when it lacks wl_compositor or wl_shm.
    Status connect();
    // Starts the reader thread: from now on the default queue's events are dispatched through
    // GLib's default main context, and the picture queue's on the reader thread.
    void joinMainContext();
    // Sends whatever requests wait; any thread.
    void flush();
    // Sends the requests and waits until the compositor has answered them all, dispatching
    // what comes back. Interface thread.
    void roundtrip();

    wl_display* display() const { return m_display; }
    wl_compositor* compositor() const { return m_compositor; }
    wl_shm* shm() const { return m_shm; }
    // The seat, bound on first call (nullptr when there is none): its first events (what it
    // can do) come only to a listener set right after, so the seat's owner binds it.
    wl_seat* seat();
    zwlr_layer_shell_v1* layerShell() const { return m_layerShell; }
    // xdg-shell's window manager, whose pings the connection answers.
    xdg_wm_base* windowManager() const { return m_windowManager; }
    zwp_relative_pointer_manager_v1* relativePointers() const { return m_relativePointers; }
    // Where offered (sway, KDE, GNOME, weston do), the compositor scales a surface's buffer.
    wp_viewporter* viewporter() const { return m_viewporter; }
    // The queue for the events of the buffers that show pictures; see above.
    wl_event_queue* pictureQueue() const { return m_pictureQueue; }
    // Returns once no listener of the picture queue runs. Called after destroying proxies of
    // that queue: none of their listeners runs after it.
    void settlePictureEvents() { std::lock_guard lock(m_pictureDispatch); }
    const std::vector<Output>& outputs() const { return m_outputs; }
    const Output* findOutput(const wl_output* output) const;

    // Called on the interface thread after an output came, went or changed its size.
    void setOutputsChanged(std::function<void()> changed) { m_outputsChanged = std::move(changed); }

    // Listener entry points (wl_registry, wl_output); not for the program.
    void globalAdded(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version);
    void globalRemoved(std::uint32_t name);
    Output* outputOf(wl_output* output);
    Output* outputOfXdg(zxdg_output_v1* xdgOutput);
    void outputDescribed();

private:
    void describeInLayout(Output& output);
    void readSocket();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    wl_seat* m_seat = nullptr;
    std::uint32_t m_seatName = 0;
    std::uint32_t m_seatVersion = 0;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    xdg_wm_base* m_windowManager = nullptr;
    zwp_relative_pointer_manager_v1* m_relativePointers = nullptr;
    zxdg_output_manager_v1* m_xdgOutputs = nullptr;
    wp_viewporter* m_viewporter = nullptr;
    wl_event_queue* m_pictureQueue = nullptr;
    std::thread m_reader;
    std::mutex m_pictureDispatch;  // held by the reader while it dispatches the picture queue
    int m_wake = -1;  // eventfd: the reader tells the interface thread of events
    int m_stop = -1;  // eventfd: the destructor tells the reader to end
    std::vector<Output> m_outputs;
    std::function<void()> m_outputsChanged;
    bool m_connected = false;
};

}  // namespace tessiva
