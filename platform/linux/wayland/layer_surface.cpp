// LayerSurface: an overlay layer surface over one output (see layer_surface.h).
#include "platform/linux/wayland/layer_surface.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/linux/wayland/wayland_client.h"
// The protocol names a parameter "namespace", which C++ keeps for itself.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace tessiva {
namespace {

void onConfigure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
    static_cast<LayerSurface*>(data)->configure(serial, width, height);
}
void onClosed(void* data, zwlr_layer_surface_v1*) { static_cast<LayerSurface*>(data)->close(); }
const zwlr_layer_surface_v1_listener kLayerListener{onConfigure, onClosed};

void onEnter(void* data, wl_surface*, wl_output* output) { static_cast<LayerSurface*>(data)->entered(output); }
void onLeave(void*, wl_surface*, wl_output*) {}
const wl_surface_listener kSurfaceListener{onEnter, onLeave};

void onRelease(void* data, wl_buffer* buffer) { static_cast<LayerSurface*>(data)->released(buffer); }
const wl_buffer_listener kBufferListener{onRelease};

constexpr std::uint32_t kAllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

}  // namespace

LayerSurface::LayerSurface(WaylandClient& client, wl_output* output, Callback configured, Callback closed)
    : m_client(client), m_output(output), m_configured(std::move(configured)), m_closed(std::move(closed)) {
    m_surface = wl_compositor_create_surface(client.compositor());
    wl_surface_add_listener(m_surface, &kSurfaceListener, this);
    m_layer = zwlr_layer_shell_v1_get_layer_surface(client.layerShell(), m_surface, output,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tessiva");
    zwlr_layer_surface_v1_add_listener(m_layer, &kLayerListener, this);
    zwlr_layer_surface_v1_set_anchor(m_layer, kAllEdges);
    zwlr_layer_surface_v1_set_size(m_layer, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(m_layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(m_layer, 1);
    // The first commit, without a buffer, asks for the first configure.
    wl_surface_commit(m_surface);
    client.flush();
}

LayerSurface::~LayerSurface() {
    std::lock_guard lock(m_mutex);
    dropBuffers();
    zwlr_layer_surface_v1_destroy(m_layer);
    wl_surface_destroy(m_surface);
    m_client.flush();
}

bool LayerSurface::configured() const {
    std::lock_guard lock(m_mutex);
    return m_configuredOnce && !m_closedByCompositor;
}

int LayerSurface::width() const {
    std::lock_guard lock(m_mutex);
    return m_width;
}

int LayerSurface::height() const {
    std::lock_guard lock(m_mutex);
    return m_height;
}

void LayerSurface::configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
    {
        std::lock_guard lock(m_mutex);
        zwlr_layer_surface_v1_ack_configure(m_layer, serial);
        const int w = static_cast<int>(width);
        const int h = static_cast<int>(height);
        if (w != m_width || h != m_height || m_memory == nullptr) {
            dropBuffers();
            m_width = w;
            m_height = h;
            if (w > 0 && h > 0 && !makeBuffers().ok()) m_width = m_height = 0;
        }
        m_configuredOnce = true;
    }
    if (m_configured) m_configured(*this);
}

void LayerSurface::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closedByCompositor = true;
    }
    if (m_closed) m_closed(*this);
}

Status LayerSurface::makeBuffers() {
    const std::size_t stride = static_cast<std::size_t>(m_width) * 4;
    const std::size_t one = stride * static_cast<std::size_t>(m_height);
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
                                                  m_width, m_height, static_cast<std::int32_t>(stride),
                                                  WL_SHM_FORMAT_XRGB8888);
        buffer.busy = false;
        wl_buffer_add_listener(buffer.buffer, &kBufferListener, this);
    }
    wl_shm_pool_destroy(pool);
    ::close(fd);
    return Status::success();
}

void LayerSurface::dropBuffers() {
    for (Buffer& buffer : m_buffers) {
        if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
        buffer = Buffer{};
    }
    if (m_memory != nullptr) munmap(m_memory, m_memorySize);
    m_memory = nullptr;
    m_memorySize = 0;
}

void LayerSurface::released(wl_buffer* released) {
    {
        std::lock_guard lock(m_mutex);
        for (Buffer& buffer : m_buffers) {
            if (buffer.buffer == released) buffer.busy = false;
        }
    }
    if (m_freed) m_freed();
}

bool LayerSurface::paint(const std::function<bool(Canvas&)>& draw) {
    std::lock_guard lock(m_mutex);
    if (!m_configuredOnce || m_closedByCompositor || m_memory == nullptr) return false;
    for (Buffer& buffer : m_buffers) {
        if (buffer.busy) continue;
        Canvas canvas{buffer.pixels, m_width, m_height, m_width * 4};
        if (!draw(canvas)) return false;
        wl_surface_attach(m_surface, buffer.buffer, 0, 0);
        wl_surface_damage_buffer(m_surface, 0, 0, m_width, m_height);
        wl_surface_commit(m_surface);
        buffer.busy = true;
        m_client.flush();
        return true;
    }
    return false;
}

}  // namespace tessiva
