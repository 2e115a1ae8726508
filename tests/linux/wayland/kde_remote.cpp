// Input and screenshots on a headless KWin, which has neither wlroots' virtual pointer nor a
// virtual keyboard: KWin's own fake input, and its ScreenShot2 D-Bus service. KWin grants both
// only to a program named, by its full path, in a .desktop file it read at its start
// (kde_session.sh writes it). Commands come on stdin, one a line:
//   move DX DY                              relative motion
//   button left|right|middle press|release|click
//   wheel N                                 N wheel steps on the vertical axis (negative: up)
//   key NAME|CODE [press|release|click]     a key by evdev code or name (x, shift, up, f1, space,
//                                           tab, super, f); click when not named
//   shot FILE                               the whole workspace as a PPM picture
//   quit
// Prints "ready" once fake input is granted, then "ok" after each command has reached KWin,
// or "error WHAT".
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fake-input-client-protocol.h"

namespace {

org_kde_kwin_fake_input* fake = nullptr;
uint32_t fakeVersion = 0;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
    fakeVersion = std::min<uint32_t>(version, 4);
    fake = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, fakeVersion));
  }
}
void global_remove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registry_listener{.global = global, .global_remove = global_remove};

uint32_t keyCode(const std::string& name) {
  static const std::map<std::string, uint32_t> names{
      {"x", KEY_X},         {"shift", KEY_LEFTSHIFT}, {"up", KEY_UP},         {"f1", KEY_F1},
      {"space", KEY_SPACE}, {"tab", KEY_TAB},         {"super", KEY_LEFTMETA}, {"f", KEY_F}};
  if (auto found = names.find(name); found != names.end()) return found->second;
  return static_cast<uint32_t>(std::strtoul(name.c_str(), nullptr, 10));
}

// Presses and/or releases as ACTION says; false if it names neither.
template <typename Send>
bool pressRelease(const std::string& action, Send send) {
  if (action != "press" && action != "release" && action != "click") return false;
  if (action != "release") send(WL_POINTER_BUTTON_STATE_PRESSED);
  if (action != "press") send(WL_POINTER_BUTTON_STATE_RELEASED);
  return true;
}

// ScreenShot2 writes the picture's raw pixels into a pipe and answers with their layout.
std::string shot(GDBusConnection* bus, const std::string& file) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  GUnixFDList* list = g_unix_fd_list_new_from_array(&fds[1], 1);  // takes the write end
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&options, "{sv}", "include-cursor", g_variant_new_boolean(TRUE));
  g_variant_builder_add(&options, "{sv}", "native-resolution", g_variant_new_boolean(TRUE));
  // The pixels must be read while KWin writes them, or a big picture fills the pipe: the call
  // goes out asynchronously and its answer is awaited after the reading.
  struct Answer {
    GVariant* value = nullptr;
    GError* error = nullptr;
    bool done = false;
  } answer;
  g_dbus_connection_call_with_unix_fd_list(
      bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
      g_variant_new("(a{sv}h)", &options, 0), G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, 20000, list,
      nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* a = static_cast<Answer*>(data);
        a->value = g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(source), nullptr, result,
                                                                   &a->error);
        a->done = true;
      },
      &answer);
  g_object_unref(list);
  // KWin may write after it has answered; the end of the pixels is the end of the pipe.
  std::string pixels;
  char buffer[65536];
  for (int idle = 0; idle < 200;) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    pollfd readable{.fd = fds[0], .events = POLLIN, .revents = 0};
    if (poll(&readable, 1, 100) <= 0) {
      ++idle;
      continue;
    }
    ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    pixels.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  while (!answer.done) g_main_context_iteration(nullptr, TRUE);
  if (answer.value == nullptr) {
    std::string why = answer.error != nullptr ? answer.error->message : "no answer";
    g_clear_error(&answer.error);
    return why;
  }
  GVariant* results = g_variant_get_child_value(answer.value, 0);
  uint32_t width = 0, height = 0, stride = 0, format = 0;
  g_variant_lookup(results, "width", "u", &width);
  g_variant_lookup(results, "height", "u", &height);
  g_variant_lookup(results, "stride", "u", &stride);
  g_variant_lookup(results, "format", "u", &format);
  g_variant_unref(results);
  g_variant_unref(answer.value);
  if (width == 0 || height == 0 || pixels.size() < size_t{stride} * height) return "a short picture";
  // QImage's formats: 4 to 6 are 32-bit ARGB words (B, G, R, A in memory here), 16 to 18 are
  // R, G, B, A bytes.
  const bool wordOrder = format >= 4 && format <= 6;
  if (!wordOrder && (format < 16 || format > 18)) return "an unknown pixel format " + std::to_string(format);
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << width << ' ' << height << "\n255\n";
  for (uint32_t y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const unsigned char*>(pixels.data()) + size_t{y} * stride;
    for (uint32_t x = 0; x < width; ++x) {
      const unsigned char* p = row + size_t{x} * 4;
      const char rgb[3] = {static_cast<char>(wordOrder ? p[2] : p[0]), static_cast<char>(p[1]),
                           static_cast<char>(wordOrder ? p[0] : p[2])};
      out.write(rgb, 3);
    }
  }
  return out ? "" : "cannot write " + file;
}

// Runs one command; an empty answer means done.
std::string run(GDBusConnection* bus, const std::string& line) {
  std::istringstream in(line);
  std::string verb, what, action;
  in >> verb;
  if (verb == "move") {
    double dx = 0, dy = 0;
    if (!(in >> dx >> dy)) return "error " + line;
    org_kde_kwin_fake_input_pointer_motion(fake, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
  } else if (verb == "button") {
    in >> what >> action;
    uint32_t code = what == "left" ? BTN_LEFT : what == "right" ? BTN_RIGHT : what == "middle" ? BTN_MIDDLE : 0;
    if (code == 0 || !pressRelease(action, [&](uint32_t state) { org_kde_kwin_fake_input_button(fake, code, state); }))
      return "error " + line;
  } else if (verb == "wheel") {
    int steps = 0;
    if (!(in >> steps)) return "error " + line;
    org_kde_kwin_fake_input_axis(fake, WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(15 * steps));
  } else if (verb == "key") {
    in >> what >> action;
    uint32_t code = keyCode(what);
    if (fakeVersion < 4 || code == 0 ||
        !pressRelease(action.empty() ? "click" : action,
                      [&](uint32_t state) { org_kde_kwin_fake_input_keyboard_key(fake, code, state); }))
      return "error " + line;
  } else if (verb == "shot") {
    in >> what;
    if (what.empty()) return "error " + line;
    std::string why = shot(bus, what);
    return why.empty() ? "" : "error " + why;
  } else {
    return "error " + line;
  }
  return "";
}

}  // namespace

int main() {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  wl_display* display = wl_display_connect(nullptr);
  if (bus == nullptr || display == nullptr) {
    std::fprintf(stderr, "kde_remote: no %s\n", bus == nullptr ? "session bus" : "Wayland display");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, nullptr);
  wl_display_roundtrip(display);
  if (fake == nullptr) {
    std::fprintf(stderr, "kde_remote: KWin offers this program no org_kde_kwin_fake_input\n");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(fake, "tessiva tests", "input for the tests");
  if (wl_display_roundtrip(display) < 0) return 1;
  std::cout << "ready" << std::endl;

  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "quit") break;
    if (line.empty()) continue;
    std::string answer = run(bus, line);
    if (wl_display_roundtrip(display) < 0) {
      std::fprintf(stderr, "kde_remote: lost KWin\n");
      return 1;
    }
    std::cout << (answer.empty() ? "ok" : answer) << std::endl;
  }
  org_kde_kwin_fake_input_destroy(fake);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  g_object_unref(bus);
  return 0;
}
