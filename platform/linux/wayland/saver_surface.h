#pragma once
// One of the saver's surfaces over a whole output, with the shared-memory buffers it shows.
// Where the compositor offers wlr-layer-shell (sway, KDE) it is an overlay layer surface;
// elsewhere (GNOME) a full-screen xdg-shell toplevel on that output. The compositor chooses
// the size and may close a layer surface, when its output goes. A surface for no particular
// output lands where the compositor puts new surfaces: the focused output.
//
// Threads: made, configured and destroyed on the interface thread; paint() may also come
// from a video streaming thread. One lock guards the buffers and the surface's requests.
//
// Facts relied on (wlr-layer-shell 1 to 3, xdg-shell 1 to 5, libwayland 1.21):
// - A layer surface or xdg surface gets no buffer before its first configure, which it must
//   acknowledge. A toplevel's size comes in its own configure, just before the surface's;
//   0 leaves the size to us (the output's size, for a full-screen one).
// - keyboard_interactivity 1 is exclusive: the surface takes every key while it is mapped
//   (on the overlay layer). A toplevel gets the keys while it is the active window.
// - An exclusive zone of -1 asks not to be moved for panels: the surface covers them. A
//   full-screen toplevel goes above the desktop's panels while it is active.
// - Our own surfaces draw nothing unless we commit: no frame callback paces them, so a
//   compositor that answers frame callbacks late can't stop the video.
// - wl_shm's XRGB8888 is GStreamer's BGRx and Qt's RGB32 in memory on a little-endian
//   machine; a freshly truncated memfd reads as zeros, which is black.
// - A buffer may be written again only after the compositor released it.
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/status.h"

struct wl_buffer;
struct wl_callback;
struct wl_output;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_surface_v1;

namespace tessiva {

class WaylandClient;

// Pixels to paint into: 32 bits each (XRGB), rows `stride` bytes apart.
struct Canvas {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class SaverSurface {
public:
    // `output` nullptr: wherever the compositor puts it. `configured` runs on the interface
    // thread after each new size; `closed` once the compositor has closed it. Neither may
    // destroy the surface from inside.
    using Callback = std::function<void(SaverSurface&)>;
    SaverSurface(WaylandClient& client, wl_output* output, Callback configured, Callback closed);
    SaverSurface(const SaverSurface&) = delete;
    SaverSurface& operator=(const SaverSurface&) = delete;
    ~SaverSurface();

    // Whether the compositor offers what a saver's surface needs: layer-shell or xdg-shell.
    static bool offered(const WaylandClient& client);

    wl_surface* surface() const { return m_surface; }
    wl_output* output() const { return m_output; }
    // The output the compositor shows it on, once it has said so.
    wl_output* shownOn() const { return m_shownOn; }
    bool configured() const;
    int width() const;
    int height() const;

    // Paints into a free buffer of the surface's size and shows it. `draw` gets the buffer
    // and says whether it drew anything; false when no buffer is free or the surface has no
    // size yet (the picture is then dropped: the next one will do).
    bool paint(const std::function<bool(Canvas&)>& draw);

    // Called on the interface thread when the compositor gives a buffer back: a picture
    // that found none free may be painted now.
    void setBufferFreed(std::function<void()> freed) { m_freed = std::move(freed); }
    // Called once on the interface thread when the compositor has shown the first picture.
    void setFirstShown(std::function<void()> shown) { m_firstShown = std::move(shown); }

    // Listener entry points; not for the program.
    void configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
    void toplevelSize(std::int32_t width, std::int32_t height);
    void surfaceConfigured(std::uint32_t serial);
    void close();
    void entered(wl_output* output) { m_shownOn = output; }
    void released(wl_buffer* buffer);
    void frameDone();

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint8_t* pixels = nullptr;
        bool busy = false;
    };
    void dropBuffers();
    Status makeBuffers();

    WaylandClient& m_client;
    wl_output* m_output;
    wl_output* m_shownOn = nullptr;
    Callback m_configured;
    Callback m_closed;
    std::function<void()> m_freed;
    std::function<void()> m_firstShown;
    wl_callback* m_firstFrame = nullptr;
    bool m_painted = false;
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layer = nullptr;  // one of these two roles
    xdg_surface* m_xdgSurface = nullptr;
    xdg_toplevel* m_toplevel = nullptr;
    int m_toplevelWidth = 0;  // the size the toplevel's last configure asked for
    int m_toplevelHeight = 0;

    mutable std::mutex m_mutex;  // everything below
    int m_width = 0;
    int m_height = 0;
    bool m_configuredOnce = false;
    bool m_closedByCompositor = false;
    static constexpr int kBuffers = 2;
    Buffer m_buffers[kBuffers];
    std::uint8_t* m_memory = nullptr;
    std::size_t m_memorySize = 0;
};

}  // namespace tessiva
