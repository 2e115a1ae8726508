// SaverSurface: a layer surface or a full-screen toplevel over one output (see saver_surface.h).
#include "platform/linux/wayland/saver_surface.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/linux/wayland/wayland_client.h"
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

constexpr std::uint32_t kAllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

}  // namespace

SaverSurface::SaverSurface(WaylandClient& client, wl_output* output, Callback configured, Callback closed)
    : m_client(client), m_output(output), m_configured(std::move(configured)), m_closed(std::move(closed)) {
    m_surface = wl_compositor_create_surface(client.compositor());
    wl_surface_add_listener(m_surface, &kSurfaceListener, this);
    if (client.layerShell() != nullptr) {
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
    std::lock_guard lock(m_mutex);
    dropBuffers();
    if (m_firstFrame != nullptr) wl_callback_destroy(m_firstFrame);
    if (m_layer != nullptr) zwlr_layer_surface_v1_destroy(m_layer);
    if (m_toplevel != nullptr) xdg_toplevel_destroy(m_toplevel);
    if (m_xdgSurface != nullptr) xdg_surface_destroy(m_xdgSurface);
    wl_surface_destroy(m_surface);
    m_client.flush();
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

bool SaverSurface::offered(const WaylandClient& client) {
    return client.layerShell() != nullptr || client.windowManager() != nullptr;
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

void SaverSurface::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closedByCompositor = true;
    }
    if (m_closed) m_closed(*this);
}

Status SaverSurface::makeBuffers() {
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

void SaverSurface::dropBuffers() {
    for (Buffer& buffer : m_buffers) {
        if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
        buffer = Buffer{};
    }
    if (m_memory != nullptr) munmap(m_memory, m_memorySize);
    m_memory = nullptr;
    m_memorySize = 0;
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

bool SaverSurface::paint(const std::function<bool(Canvas&)>& draw) {
    std::lock_guard lock(m_mutex);
    if (!m_configuredOnce || m_closedByCompositor || m_memory == nullptr) return false;
    for (Buffer& buffer : m_buffers) {
        if (buffer.busy) continue;
        Canvas canvas{buffer.pixels, m_width, m_height, m_width * 4};
        if (!draw(canvas)) return false;
        if (!m_painted && m_firstShown) {
            m_firstFrame = wl_surface_frame(m_surface);
            wl_callback_add_listener(m_firstFrame, &kFrameListener, this);
        }
        m_painted = true;
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
