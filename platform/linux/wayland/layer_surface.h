#pragma once
// One overlay layer surface over a whole output, with the shared-memory buffers it shows.
// The compositor chooses the size (every edge anchored) and may close the surface, when its
// output goes. A surface for no particular output lands where the compositor puts new
// surfaces: the focused output.
//
// Threads: made, configured and destroyed on the interface thread; paint() may also come
// from a video streaming thread. One lock guards the buffers and the surface's requests.
//
// Facts relied on (wlr-layer-shell 1 to 3, libwayland 1.21):
// - A layer surface gets no buffer before its first configure, which it must acknowledge.
// - keyboard_interactivity 1 is exclusive: the surface takes every key while it is mapped
//   (on the overlay layer).
// - An exclusive zone of -1 asks not to be moved for panels: the surface covers them.
// - wl_shm's XRGB8888 is GStreamer's BGRx and Qt's RGB32 in memory on a little-endian
//   machine; a freshly truncated memfd reads as zeros, which is black.
// - A buffer may be written again only after the compositor released it.
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/status.h"

struct wl_buffer;
struct wl_output;
struct wl_surface;
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

class LayerSurface {
public:
    // `output` nullptr: wherever the compositor puts it. `configured` runs on the interface
    // thread after each new size; `closed` once the compositor has closed it. Neither may
    // destroy the surface from inside.
    using Callback = std::function<void(LayerSurface&)>;
    LayerSurface(WaylandClient& client, wl_output* output, Callback configured, Callback closed);
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;
    ~LayerSurface();

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

    // Listener entry points; not for the program.
    void configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
    void close();
    void entered(wl_output* output) { m_shownOn = output; }
    void released(wl_buffer* buffer);

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
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layer = nullptr;

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
