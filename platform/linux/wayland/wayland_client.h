#pragma once
// One connection of ours to the Wayland compositor: the globals the saver needs, the
// outputs and their sizes, dispatched on the interface thread. The connection joins GLib's
// default main context, which Qt's dispatcher polls, so its events are read whenever the
// interface thread waits (the yield, the event loop, a message box).
//
// Facts relied on (libwayland 1.21):
// - Requests may be sent from any thread; events are dispatched on the thread that
//   dispatches their queue, here the default queue on the interface thread.
// - A thread that reads the socket announces it with wl_display_prepare_read and then either
//   reads or cancels: a GLib source's prepare and check are that pair.
// - wl_output (version 2 and later) ends each description with "done"; sizes come from the
//   mode marked current. Its geometry's x and y are no place in the layout on every
//   compositor (wlroots sends 0, 0 for every output): xdg-output's logical position and size
//   are, where the compositor offers it (sway, KDE, GNOME do).
// Failures: connect() answers a Status naming what is missing.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/status.h"

struct wl_display;
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
    // Dispatches the connection's events through GLib's default main context from now on.
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
    std::vector<Output> m_outputs;
    std::function<void()> m_outputsChanged;
    bool m_connected = false;
};

}  // namespace tessiva
