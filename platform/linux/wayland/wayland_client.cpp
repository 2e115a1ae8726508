// WaylandClient: the connection, its globals and outputs (see wayland_client.h).
#include "platform/linux/wayland/wayland_client.h"

#include <glib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/posix/display_lost.h"
#include "relative-pointer-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
// The protocol names a parameter "namespace", which C++ keeps for itself.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace tessiva {
namespace {

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
    static_cast<WaylandClient*>(data)->globalAdded(registry, name, interface, version);
}
void onGlobalRemove(void* data, wl_registry*, std::uint32_t name) { static_cast<WaylandClient*>(data)->globalRemoved(name); }
const wl_registry_listener kRegistryListener{onGlobal, onGlobalRemove};

void onGeometry(void* data, wl_output* output, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
                const char*, const char*, std::int32_t) {
    auto* described = static_cast<WaylandClient*>(data)->outputOf(output);
    if (described != nullptr && described->xdgOutput == nullptr) {
        described->x = x;
        described->y = y;
    }
}
void onMode(void* data, wl_output* output, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    auto* described = static_cast<WaylandClient*>(data)->outputOf(output);
    if (described != nullptr && described->xdgOutput == nullptr) {
        described->width = width;
        described->height = height;
    }
}
void onDone(void* data, wl_output* output) {
    auto* client = static_cast<WaylandClient*>(data);
    if (auto* described = client->outputOf(output)) described->described = true;
    client->outputDescribed();
}
void onScale(void*, wl_output*, std::int32_t) {}
void onText(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener{onGeometry, onMode, onDone, onScale, onText, onText};

// A client that doesn't answer is taken for a hung one.
void onPing(void*, xdg_wm_base* windowManager, std::uint32_t serial) { xdg_wm_base_pong(windowManager, serial); }
const xdg_wm_base_listener kWindowManagerListener{onPing};

// The output's place and size in the compositor's layout, in surface pixels.
WaylandClient::Output* outputOfXdg(void* data, zxdg_output_v1* xdgOutput) {
    return static_cast<WaylandClient*>(data)->outputOfXdg(xdgOutput);
}
void onLogicalPosition(void* data, zxdg_output_v1* xdgOutput, std::int32_t x, std::int32_t y) {
    if (auto* described = outputOfXdg(data, xdgOutput)) {
        described->x = x;
        described->y = y;
    }
}
void onLogicalSize(void* data, zxdg_output_v1* xdgOutput, std::int32_t width, std::int32_t height) {
    if (auto* described = outputOfXdg(data, xdgOutput)) {
        described->width = width;
        described->height = height;
    }
}
void onXdgDone(void*, zxdg_output_v1*) {}
void onXdgText(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener{onLogicalPosition, onLogicalSize, onXdgDone, onXdgText, onXdgText};

// The interface thread's side of the connection, a GLib source: woken through an eventfd
// when the reader has sorted events into the default queue, it dispatches them. Before the
// thread sleeps, whatever requests wait are sent.
struct WakeSource {
    GSource base;
    wl_display* display;
    int wake;
    gpointer tag;
};

gboolean prepareWake(GSource* base, gint* timeout) {
    *timeout = -1;
    wl_display_flush(reinterpret_cast<WakeSource*>(base)->display);
    return FALSE;
}

gboolean checkWake(GSource* base) {
    auto* source = reinterpret_cast<WakeSource*>(base);
    return (g_source_query_unix_fd(base, source->tag) & G_IO_IN) != 0;
}

gboolean dispatchWake(GSource* base, GSourceFunc, gpointer) {
    auto* source = reinterpret_cast<WakeSource*>(base);
    std::uint64_t count = 0;
    if (::read(source->wake, &count, sizeof count) < 0 && errno != EAGAIN) displayLost();
    if (wl_display_dispatch_pending(source->display) < 0) displayLost();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs kWakeFuncs{prepareWake, checkWake, dispatchWake, nullptr, nullptr, nullptr};

}  // namespace

WaylandClient::~WaylandClient() {
    if (m_reader.joinable()) {
        const std::uint64_t one = 1;
        if (::write(m_stop, &one, sizeof one) == sizeof one) m_reader.join();
        else m_reader.detach();
    }
    if (m_stop >= 0) ::close(m_stop);
    // The program never tears its connection down (the process ends at once); a test's does.
    if (m_display != nullptr && !m_connected) {
        if (m_pictureQueue != nullptr) wl_event_queue_destroy(m_pictureQueue);
        wl_display_disconnect(m_display);
    }
}

bool WaylandClient::sessionIsWayland() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name != nullptr && *name != '\0';
}

Status WaylandClient::connect() {
    m_display = wl_display_connect(nullptr);
    if (m_display == nullptr) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        return Status::failure(std::string("Wayland: cannot connect to the compositor \"") + (name ? name : "") + "\"");
    }
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &kRegistryListener, this);
    // The first answer lists the globals; the second, the outputs' descriptions.
    if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0) {
        return Status::failure("Wayland: the compositor stopped answering");
    }
    // A seat may be missing (a compositor with no input device yet): nothing to watch then.
    if (m_compositor == nullptr || m_shm == nullptr) {
        return Status::failure("Wayland: the compositor offers no wl_compositor or wl_shm");
    }
    m_pictureQueue = wl_display_create_queue(m_display);
    m_connected = true;
    return Status::success();
}

void WaylandClient::joinMainContext() {
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_stop = eventfd(0, EFD_CLOEXEC);
    if (m_wake < 0 || m_stop < 0) displayLost();
    GSource* base = g_source_new(&kWakeFuncs, sizeof(WakeSource));
    auto* source = reinterpret_cast<WakeSource*>(base);
    source->display = m_display;
    source->wake = m_wake;
    source->tag = g_source_add_unix_fd(base, m_wake, G_IO_IN);
    g_source_set_can_recurse(base, TRUE);
    g_source_attach(base, nullptr);
    m_reader = std::thread([this] { readSocket(); });
}

void WaylandClient::readSocket() {
    pollfd watched[2] = {{wl_display_get_fd(m_display), POLLIN, 0}, {m_stop, POLLIN, 0}};
    for (;;) {
        const auto dispatchPictures = [this] {
            std::lock_guard lock(m_pictureDispatch);
            if (wl_display_dispatch_queue_pending(m_display, m_pictureQueue) < 0) displayLost();
        };
        while (wl_display_prepare_read_queue(m_display, m_pictureQueue) != 0) dispatchPictures();
        wl_display_flush(m_display);
        int ready = 0;
        do {
            ready = poll(watched, 2, -1);
        } while (ready < 0 && errno == EINTR);
        if (ready < 0 || watched[1].revents != 0) {
            wl_display_cancel_read(m_display);
            return;
        }
        if ((watched[0].revents & POLLIN) == 0) {
            wl_display_cancel_read(m_display);
            displayLost();
        }
        if (wl_display_read_events(m_display) < 0) displayLost();
        dispatchPictures();
        if (wl_display_prepare_read(m_display) == 0) {
            wl_display_cancel_read(m_display);
        } else {
            const std::uint64_t one = 1;
            if (::write(m_wake, &one, sizeof one) < 0 && errno != EAGAIN) displayLost();
        }
    }
}

wl_seat* WaylandClient::seat() {
    if (m_seat == nullptr && m_seatName != 0) {
        m_seat = static_cast<wl_seat*>(wl_registry_bind(m_registry, m_seatName, &wl_seat_interface, m_seatVersion));
    }
    return m_seat;
}

void WaylandClient::flush() {
    if (m_display != nullptr) wl_display_flush(m_display);
}

void WaylandClient::roundtrip() {
    if (wl_display_roundtrip(m_display) < 0) displayLost();
}

void WaylandClient::globalAdded(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
    const auto bind = [&](const wl_interface* wanted, std::uint32_t newest) {
        return wl_registry_bind(registry, name, wanted, std::min(version, newest));
    };
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        m_compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        m_shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && m_seatName == 0) {
        m_seatName = name;
        m_seatVersion = std::min(version, 5u);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        m_layerShell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        m_windowManager = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 2));
        xdg_wm_base_add_listener(m_windowManager, &kWindowManagerListener, this);
    } else if (std::strcmp(interface, zwp_relative_pointer_manager_v1_interface.name) == 0) {
        m_relativePointers =
            static_cast<zwp_relative_pointer_manager_v1*>(bind(&zwp_relative_pointer_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
        m_viewporter = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        // Version 2 still ends each description with its own "done", which the output's
        // "done" follows; the outputs already listed learn their place now.
        m_xdgOutputs = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
        for (Output& output : m_outputs) describeInLayout(output);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
        Output output;
        output.name = name;
        output.output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
        wl_output_add_listener(output.output, &kOutputListener, this);
        describeInLayout(output);
        m_outputs.push_back(output);
    }
}

void WaylandClient::describeInLayout(Output& output) {
    if (m_xdgOutputs == nullptr || output.xdgOutput != nullptr) return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, this);
}

WaylandClient::Output* WaylandClient::outputOfXdg(zxdg_output_v1* xdgOutput) {
    const auto found =
        std::find_if(m_outputs.begin(), m_outputs.end(), [&](const Output& o) { return o.xdgOutput == xdgOutput; });
    return found == m_outputs.end() ? nullptr : &*found;
}

void WaylandClient::globalRemoved(std::uint32_t name) {
    const auto gone = std::find_if(m_outputs.begin(), m_outputs.end(), [&](const Output& o) { return o.name == name; });
    if (gone == m_outputs.end()) return;
    if (gone->xdgOutput != nullptr) zxdg_output_v1_destroy(gone->xdgOutput);
    wl_output_destroy(gone->output);
    m_outputs.erase(gone);
    if (m_outputsChanged) m_outputsChanged();
}

WaylandClient::Output* WaylandClient::outputOf(wl_output* output) {
    const auto found = std::find_if(m_outputs.begin(), m_outputs.end(), [&](const Output& o) { return o.output == output; });
    return found == m_outputs.end() ? nullptr : &*found;
}

const WaylandClient::Output* WaylandClient::findOutput(const wl_output* output) const {
    const auto found = std::find_if(m_outputs.begin(), m_outputs.end(), [&](const Output& o) { return o.output == output; });
    return found == m_outputs.end() ? nullptr : &*found;
}

void WaylandClient::outputDescribed() {
    if (m_connected && m_outputsChanged) m_outputsChanged();
}

}  // namespace tessiva
