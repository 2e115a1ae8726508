// SaverSurface: a layer surface or a full-screen toplevel over one output (see saver_surface.h).
#include "platform/linux/wayland/saver_surface.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/linux/wayland/wayland_client.h"
#include "viewporter-client-protocol.h"
#include "xdg-shell-client-protocol.h"
// The protocol names a parameter "namespace", which C++ keeps for itself.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace tessiva {
namespace {

void onConfigure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
    static_cast<SaverSurface*>(data)->configure(serial, width, height);
}
void onClosed(void* data, zwlr_layer_surface_v1*) { static_cast<SaverSurface*>(data)->close(); }
const zwlr_layer_surface_v1_listener kLayerListener{onConfigure, onClosed};

void onToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
    static_cast<SaverSurface*>(data)->toplevelSize(width, height);
}
// A toplevel asked to close (the desktop's close command) stays: the saver ends on the
// input that would ask, and the form's own rules decide that.
void onToplevelClose(void*, xdg_toplevel*) {}
void onToplevelBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void onToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevelListener{onToplevelConfigure, onToplevelClose, onToplevelBounds,
                                              onToplevelCapabilities};
void onXdgSurfaceConfigure(void* data, xdg_surface*, std::uint32_t serial) {
    static_cast<SaverSurface*>(data)->surfaceConfigured(serial);
}
const xdg_surface_listener kXdgSurfaceListener{onXdgSurfaceConfigure};

void onEnter(void* data, wl_surface*, wl_output* output) { static_cast<SaverSurface*>(data)->entered(output); }
void onLeave(void*, wl_surface*, wl_output*) {}
const wl_surface_listener kSurfaceListener{onEnter, onLeave};

void onFrameDone(void* data, wl_callback*, std::uint32_t) { static_cast<SaverSurface*>(data)->frameDone(); }
const wl_callback_listener kFrameListener{onFrameDone};

void onRelease(void* data, wl_buffer* buffer) { static_cast<SaverSurface*>(data)->released(buffer); }
const wl_buffer_listener kBufferListener{onRelease};
void onLentRelease(void* data, wl_buffer*) { static_cast<LentBuffer*>(data)->released(); }
const wl_buffer_listener kLentListener{onLentRelease};

constexpr std::uint32_t kAllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

}  // namespace

LentBuffer::LentBuffer(WaylandClient& client, int fd, std::size_t size, std::size_t offset, int width, int height,
                       int stride)
    : m_width(width), m_height(height), m_stride(stride), m_offset(offset) {
    if (size > static_cast<std::size_t>(INT32_MAX) || offset > size) return;
    wl_shm_pool* pool = wl_shm_create_pool(client.shm(), fd, static_cast<std::int32_t>(size));
    m_buffer = wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(offset), width, height, stride,
                                         WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(m_buffer), client.pictureQueue());
    wl_buffer_add_listener(m_buffer, &kLentListener, this);
}

LentBuffer::~LentBuffer() {
    if (m_buffer != nullptr) wl_buffer_destroy(m_buffer);
}

void LentBuffer::released() {
    std::shared_ptr<const void> held;
    {
        std::lock_guard lock(m_mutex);
        held.swap(m_hold);
    }
    // Letting go may free the memory, and this with it: nothing of ours after it.
    held.reset();
}

bool surfaceKindOffered(const WaylandClient& client, SurfaceKind& kind) {
    kind = SurfaceKind{client.layerShell() != nullptr, client.viewporter() != nullptr};
    return client.layerShell() != nullptr || client.windowManager() != nullptr;
}

SaverSurface::SaverSurface(WaylandClient& client, SurfaceKind kind, wl_output* output, Callback configured,
                           Callback closed)
    : m_client(client), m_output(output), m_configured(std::move(configured)), m_closed(std::move(closed)) {
    m_surface = wl_compositor_create_surface(client.compositor());
    wl_surface_add_listener(m_surface, &kSurfaceListener, this);
    if (kind.scaled) m_viewport = wp_viewporter_get_viewport(client.viewporter(), m_surface);
    if (kind.layer) {
        m_layer = zwlr_layer_shell_v1_get_layer_surface(client.layerShell(), m_surface, output,
                                                        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tessiva");
        zwlr_layer_surface_v1_add_listener(m_layer, &kLayerListener, this);
        zwlr_layer_surface_v1_set_anchor(m_layer, kAllEdges);
        zwlr_layer_surface_v1_set_size(m_layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(m_layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(m_layer, 1);
    } else {
        m_xdgSurface = xdg_wm_base_get_xdg_surface(client.windowManager(), m_surface);
        xdg_surface_add_listener(m_xdgSurface, &kXdgSurfaceListener, this);
        m_toplevel = xdg_surface_get_toplevel(m_xdgSurface);
        xdg_toplevel_add_listener(m_toplevel, &kToplevelListener, this);
        xdg_toplevel_set_title(m_toplevel, "Tessiva");
        xdg_toplevel_set_app_id(m_toplevel, "tessiva");
        xdg_toplevel_set_fullscreen(m_toplevel, output);
    }
    // The first commit, without a buffer, asks for the first configure.
    wl_surface_commit(m_surface);
    client.flush();
}

SaverSurface::~SaverSurface() {
    {
        std::lock_guard lock(m_mutex);
        dropBuffers();
        if (m_firstFrame != nullptr) wl_callback_destroy(m_firstFrame);
        if (m_viewport != nullptr) wp_viewport_destroy(m_viewport);
        if (m_layer != nullptr) zwlr_layer_surface_v1_destroy(m_layer);
        if (m_toplevel != nullptr) xdg_toplevel_destroy(m_toplevel);
        if (m_xdgSurface != nullptr) xdg_surface_destroy(m_xdgSurface);
        wl_surface_destroy(m_surface);
        m_client.flush();
    }
    // A buffer's release may be running on the reader thread right now, with this surface.
    m_client.settlePictureEvents();
}

bool SaverSurface::configured() const {
    std::lock_guard lock(m_mutex);
    return m_configuredOnce && !m_closedByCompositor;
}

int SaverSurface::width() const {
    std::lock_guard lock(m_mutex);
    return m_width;
}

int SaverSurface::height() const {
    std::lock_guard lock(m_mutex);
    return m_height;
}

void SaverSurface::toplevelSize(std::int32_t width, std::int32_t height) {
    m_toplevelWidth = width;
    m_toplevelHeight = height;
}

void SaverSurface::surfaceConfigured(std::uint32_t serial) {
    int width = m_toplevelWidth, height = m_toplevelHeight;
    if (width <= 0 || height <= 0) {
        // Ours to choose: the whole output, or the first one for a surface of none.
        const WaylandClient::Output* output = m_client.findOutput(m_output != nullptr ? m_output : m_shownOn);
        if (output == nullptr && !m_client.outputs().empty()) output = &m_client.outputs().front();
        width = output != nullptr ? output->width : 0;
        height = output != nullptr ? output->height : 0;
    }
    configure(serial, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
}

void SaverSurface::configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
    {
        std::lock_guard lock(m_mutex);
        if (m_layer != nullptr) {
            zwlr_layer_surface_v1_ack_configure(m_layer, serial);
        } else {
            xdg_surface_ack_configure(m_xdgSurface, serial);
        }
        // The buffers follow at the next picture.
        m_width = static_cast<int>(width);
        m_height = static_cast<int>(height);
        m_configuredOnce = true;
    }
    if (m_configured) m_configured(*this);
}

void SaverSurface::entered(wl_output* output) {
    const bool placedNow = m_shownOn == nullptr;
    m_shownOn = output;
    bool configured = false;
    {
        std::lock_guard lock(m_mutex);
        configured = m_configuredOnce;
    }
    if (placedNow && configured && m_configured) m_configured(*this);
}

void SaverSurface::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closedByCompositor = true;
    }
    if (m_closed) m_closed(*this);
}

Status SaverSurface::makeBuffers(int width, int height) {
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const std::size_t one = stride * static_cast<std::size_t>(height);
    m_memorySize = one * kBuffers;
    const int fd = memfd_create("tessiva-surface", MFD_CLOEXEC);
    if (fd < 0) return Status::failure("Wayland: cannot make a buffer");
    if (ftruncate(fd, static_cast<off_t>(m_memorySize)) != 0) {
        ::close(fd);
        return Status::failure("Wayland: cannot size a buffer");
    }
    void* memory = mmap(nullptr, m_memorySize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return Status::failure("Wayland: cannot map a buffer");
    }
    m_memory = static_cast<std::uint8_t*>(memory);
    wl_shm_pool* pool = wl_shm_create_pool(m_client.shm(), fd, static_cast<std::int32_t>(m_memorySize));
    for (int i = 0; i < kBuffers; ++i) {
        Buffer& buffer = m_buffers[i];
        buffer.pixels = m_memory + one * static_cast<std::size_t>(i);
        buffer.buffer = wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(one * static_cast<std::size_t>(i)),
                                                  width, height, static_cast<std::int32_t>(stride),
                                                  WL_SHM_FORMAT_XRGB8888);
        buffer.busy = false;
        // Its release comes on the reader thread, which leaves the interface thread asleep.
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(buffer.buffer), m_client.pictureQueue());
        wl_buffer_add_listener(buffer.buffer, &kBufferListener, this);
    }
    wl_shm_pool_destroy(pool);
    ::close(fd);
    m_bufferWidth = width;
    m_bufferHeight = height;
    return Status::success();
}

void SaverSurface::dropBuffers() {
    for (Buffer& buffer : m_buffers) {
        if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
        buffer = Buffer{};
    }
    if (m_memory != nullptr) munmap(m_memory, m_memorySize);
    m_memory = nullptr;
    m_memorySize = 0;
    m_bufferWidth = m_bufferHeight = 0;
}

void SaverSurface::released(wl_buffer* released) {
    {
        std::lock_guard lock(m_mutex);
        for (Buffer& buffer : m_buffers) {
            if (buffer.buffer == released) buffer.busy = false;
        }
    }
    if (m_freed) m_freed();
}

void SaverSurface::frameDone() {
    {
        std::lock_guard lock(m_mutex);
        if (m_firstFrame != nullptr) wl_callback_destroy(m_firstFrame);
        m_firstFrame = nullptr;
    }
    if (m_firstShown) m_firstShown();
}

bool SaverSurface::paintScaled(int width, int height, const std::function<bool(Canvas&)>& draw) {
    std::lock_guard lock(m_mutex);
    if (!m_configuredOnce || m_closedByCompositor || m_width <= 0 || m_height <= 0) return false;
    if (width <= 0 || height <= 0 || m_viewport == nullptr) {
        width = m_width;
        height = m_height;
    }
    if (width != m_bufferWidth || height != m_bufferHeight || m_memory == nullptr) {
        // Buffers the compositor still holds stay its own to show until the next commit.
        dropBuffers();
        if (!makeBuffers(width, height).ok()) {
            dropBuffers();
            return false;
        }
    }
    for (Buffer& buffer : m_buffers) {
        if (buffer.busy) continue;
        Canvas canvas{buffer.pixels, width, height, width * 4};
        if (!draw(canvas)) return false;
        if (!m_painted && m_firstShown) {
            m_firstFrame = wl_surface_frame(m_surface);
            wl_callback_add_listener(m_firstFrame, &kFrameListener, this);
        }
        commit(buffer.buffer, width, height);
        buffer.busy = true;
        return true;
    }
    return false;
}

bool SaverSurface::show(LentBuffer& lent, std::shared_ptr<const void> hold) {
    std::lock_guard lock(m_mutex);
    if (!m_configuredOnce || m_closedByCompositor || m_width <= 0 || m_height <= 0) return false;
    if (m_viewport == nullptr && (lent.m_width != m_width || lent.m_height != m_height)) return false;
    {
        std::lock_guard lentLock(lent.m_mutex);
        lent.m_hold = std::move(hold);
    }
    commit(lent.m_buffer, lent.m_width, lent.m_height);
    return true;
}

void SaverSurface::commit(wl_buffer* buffer, int width, int height) {
    m_painted = true;
    // The destination is sent only when it changes; unset, the buffer's size is the surface's.
    const bool scaled = width != m_width || height != m_height;
    const int destinationWidth = scaled ? m_width : -1, destinationHeight = scaled ? m_height : -1;
    if (m_viewport != nullptr && (destinationWidth != m_destinationWidth || destinationHeight != m_destinationHeight)) {
        wp_viewport_set_destination(m_viewport, destinationWidth, destinationHeight);
        m_destinationWidth = destinationWidth;
        m_destinationHeight = destinationHeight;
    }
    wl_surface_attach(m_surface, buffer, 0, 0);
    wl_surface_damage_buffer(m_surface, 0, 0, width, height);
    wl_surface_commit(m_surface);
    m_client.flush();
}

}  // namespace tessiva
