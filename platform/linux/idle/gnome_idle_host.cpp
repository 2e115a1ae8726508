// tessiva-gnome-idle: the idle host on GNOME, which offers no Wayland idle protocol.
//   tessiva-gnome-idle MILLISECONDS PROGRAM [ARGUMENT...]
// Asks GNOME (org.gnome.Mutter.IdleMonitor on the session bus) to tell when the desktop has
// had no input for MILLISECONDS, and runs PROGRAM then: once per idle period, and never while
// the one it started still runs. tessiva-idle sets it up with the saver as PROGRAM.
//
// Facts relied on (mutter 43):
// - AddIdleWatch(interval) on /org/gnome/Mutter/IdleMonitor/Core answers a watch id;
//   WatchFired(id) comes once the desktop has been idle that long, and again only after input
//   and another idle period of that length. The watch lives as long as the connection that
//   added it.
// - Without DBUS_SESSION_BUS_ADDRESS, GLib's default would autolaunch a bus of its own:
//   the address named, or the user's bus in XDG_RUNTIME_DIR, is the only one asked.
// Ends with status 1, after a line on stderr, when GNOME doesn't answer at the start or goes
// away later (the session ended); 2 for a wrong command line.
#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kCore = "/org/gnome/Mutter/IdleMonitor/Core";

struct Host {
    GMainLoop* loop = nullptr;
    std::vector<char*> program;  // PROGRAM and its arguments, null-terminated
    guint watch = 0;
    GPid running = 0;
    int status = 0;
};

void stop(Host& host, const char* why) {
    std::fprintf(stderr, "tessiva-gnome-idle: %s\n", why);
    host.status = 1;
    g_main_loop_quit(host.loop);
}

void programEnded(GPid pid, gint, gpointer data) {
    auto& host = *static_cast<Host*>(data);
    g_spawn_close_pid(pid);
    host.running = 0;
}

void watchFired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                gpointer data) {
    auto& host = *static_cast<Host*>(data);
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    if (id != host.watch || host.running != 0) return;
    GError* error = nullptr;
    GPid pid = 0;
    if (!g_spawn_async(nullptr, host.program.data(), nullptr,
                       static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH), nullptr, nullptr, &pid,
                       &error)) {
        std::fprintf(stderr, "tessiva-gnome-idle: cannot start %s: %s\n", host.program[0], error->message);
        g_error_free(error);
        return;
    }
    host.running = pid;
    g_child_watch_add(pid, programEnded, &host);
}

void monitorGone(GDBusConnection*, const gchar*, gpointer data) {
    stop(*static_cast<Host*>(data), "GNOME's idle monitor went away");
}

void busClosed(GDBusConnection*, gboolean, GError*, gpointer data) {
    stop(*static_cast<Host*>(data), "the session bus went away");
}

std::string sessionBus() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0') {
        return address;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return {};
    const std::string socket = std::string(runtime) + "/bus";
    return g_file_test(socket.c_str(), G_FILE_TEST_EXISTS) ? "unix:path=" + socket : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long long milliseconds = argc >= 3 ? std::strtoull(argv[1], &end, 10) : 0;
    if (argc < 3 || end == argv[1] || *end != '\0' || milliseconds == 0) {
        std::fprintf(stderr, "usage: tessiva-gnome-idle MILLISECONDS PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const std::string address = sessionBus();
    if (address.empty()) {
        std::fprintf(stderr, "tessiva-gnome-idle: no session bus (DBUS_SESSION_BUS_ADDRESS is not set)\n");
        return 1;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (bus == nullptr) {
        std::fprintf(stderr, "tessiva-gnome-idle: cannot reach the session bus: %s\n", error->message);
        return 1;
    }
    g_dbus_connection_set_exit_on_close(bus, FALSE);

    Host host;
    host.loop = g_main_loop_new(nullptr, FALSE);
    for (int i = 2; i < argc; ++i) host.program.push_back(argv[i]);
    host.program.push_back(nullptr);
    // Listening first: a watch of a few milliseconds may fire right after it is added.
    g_dbus_connection_signal_subscribe(bus, kMonitor, kMonitor, "WatchFired", kCore, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                       watchFired, &host, nullptr);
    GVariant* reply = g_dbus_connection_call_sync(bus, kMonitor, kCore, kMonitor, "AddIdleWatch",
                                                  g_variant_new("(t)", static_cast<guint64>(milliseconds)),
                                                  G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr,
                                                  &error);
    if (reply == nullptr) {
        std::fprintf(stderr, "tessiva-gnome-idle: GNOME's idle monitor does not answer: %s\n", error->message);
        return 1;
    }
    g_variant_get(reply, "(u)", &host.watch);
    g_variant_unref(reply);
    g_bus_watch_name_on_connection(bus, kMonitor, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr, monitorGone, &host, nullptr);
    g_signal_connect(bus, "closed", G_CALLBACK(busClosed), &host);
    g_main_loop_run(host.loop);
    return host.status;
}
