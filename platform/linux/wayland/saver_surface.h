#pragma once
// One of the saver's surfaces over a whole output, with the shared-memory buffers it shows.
// Where the compositor offers wlr-layer-shell (sway, KDE) it is an overlay layer surface;
// elsewhere (GNOME) a full-screen xdg-shell toplevel on that output. The compositor chooses
// the size and may close a layer surface, when its output goes. A surface for no particular
// output lands where the compositor puts new surfaces: the focused output.
//
// Threads: made, configured and destroyed on the interface thread; paint() may also come
// from a video streaming thread, and the compositor's giving buffers back comes on the
// connection's reader thread (the picture queue). One lock guards the buffers and the
// surface's requests.
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
// - With wp_viewporter the compositor scales the buffer to the destination size, so a
//   buffer's size may differ from the surface's: the clip's own frames go out at their size.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/status.h"

struct wl_buffer;
struct wl_callback;
struct wl_output;
struct wl_surface;
struct wp_viewport;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_surface_v1;

namespace tessiva {

class WaylandClient;

// How the saver's surfaces are made on this compositor, decided once from what it offers.
struct SurfaceKind {
    // An overlay layer surface (wlr-layer-shell), or else a full-screen toplevel (xdg-shell).
    bool layer = false;
    // The compositor scales a buffer to the surface's size (wp_viewporter): pictures may go
    // out at their own size.
    bool scaled = false;
};

// The kind this compositor offers; false when it offers neither layer-shell nor xdg-shell.
bool surfaceKindOffered(const WaylandClient& client, SurfaceKind& kind);

// Pixels to paint into: 32 bits each (XRGB), rows `stride` bytes apart.
struct Canvas {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// A picture the compositor reads straight from memory that isn't the surface's (a video frame
// in a memfd of the media layer's): its buffer, made once for that memory, and what keeps the
// pixels from being written again while the compositor may still read them. Made on the
// streaming thread; its release comes on the reader thread; it goes with the memory, which
// can't go while lent.
class LentBuffer {
public:
    LentBuffer(WaylandClient& client, int fd, std::size_t size, std::size_t offset, int width, int height, int stride);
    LentBuffer(const LentBuffer&) = delete;
    LentBuffer& operator=(const LentBuffer&) = delete;
    ~LentBuffer();

    bool matches(int width, int height, std::size_t offset, int stride) const {
        return m_buffer != nullptr && width == m_width && height == m_height && offset == m_offset && stride == m_stride;
    }

    // Listener entry point; not for the program.
    void released();

private:
    friend class SaverSurface;
    wl_buffer* m_buffer = nullptr;
    int m_width, m_height, m_stride;
    std::size_t m_offset;
    std::mutex m_mutex;
    std::shared_ptr<const void> m_hold;  // while the compositor has it
};

class SaverSurface {
public:
    // `output` nullptr: wherever the compositor puts it. `configured` runs on the interface
    // thread after each new size, and once more when the compositor first says which output
    // shows it, which a busy compositor may say long after; `closed` once the compositor has
    // closed it. Neither may destroy the surface from inside.
    using Callback = std::function<void(SaverSurface&)>;
    SaverSurface(WaylandClient& client, SurfaceKind kind, wl_output* output, Callback configured, Callback closed);
    SaverSurface(const SaverSurface&) = delete;
    SaverSurface& operator=(const SaverSurface&) = delete;
    ~SaverSurface();

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
    bool paint(const std::function<bool(Canvas&)>& draw) { return paintScaled(0, 0, draw); }
    // The same with a buffer of width x height, which the compositor scales to the surface's
    // size; where it can't scale (the kind isn't scaled), or with 0 x 0, the buffer has the
    // surface's size, and `draw` must look at the canvas's.
    bool paintScaled(int width, int height, const std::function<bool(Canvas&)>& draw);
    // Shows `lent` (scaled over the surface where it differs in size), and keeps `hold` until
    // the compositor gives it back. False when the surface has no size yet, or where the
    // compositor can't scale a picture of another size.
    bool show(LentBuffer& lent, std::shared_ptr<const void> hold);

    // Called on the connection's reader thread when the compositor gives a buffer back: a
    // picture that found none free may be painted now.
    void setBufferFreed(std::function<void()> freed) { m_freed = std::move(freed); }
    // Called once on the interface thread when the compositor has shown the first picture.
    void setFirstShown(std::function<void()> shown) { m_firstShown = std::move(shown); }

    // Listener entry points; not for the program.
    void configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
    void toplevelSize(std::int32_t width, std::int32_t height);
    void surfaceConfigured(std::uint32_t serial);
    void close();
    void entered(wl_output* output);
    void released(wl_buffer* buffer);
    void frameDone();

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint8_t* pixels = nullptr;
        bool busy = false;
    };
    void dropBuffers();
    Status makeBuffers(int width, int height);
    // Attaches, scales where needed and commits; under the lock.
    void commit(wl_buffer* buffer, int width, int height);

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
    wp_viewport* m_viewport = nullptr;  // where the compositor offers it
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
    int m_bufferWidth = 0;
    int m_bufferHeight = 0;
    int m_destinationWidth = -1;  // the viewport's destination as last sent; -1: unset
    int m_destinationHeight = -1;
    std::uint8_t* m_memory = nullptr;
    std::size_t m_memorySize = 0;
};

}  // namespace tessiva
