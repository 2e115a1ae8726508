// A pointer for the headless compositor of the Wayland tests, which has none of its own: a
// zwlr_virtual_pointer_v1 that stays attached to the seat while commands come on stdin, one a line:
//   move DX DY                            relative motion
//   button left|right|middle press|release|click
//   wheel N                               N wheel steps on the vertical axis (negative: up)
//   quit
// Prints "ready" once the pointer exists, then "ok" after each command has reached the
// compositor (a roundtrip), or "error WHAT" for a command it does not know. The pointer must
// live before the client under test binds its seat, and must not go away between commands: a
// seat that loses its last pointer stops sending pointer events.
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr)
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void global_remove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registry_listener{.global = global, .global_remove = global_remove};

uint32_t now_ms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// Sends one command's requests; false if the line is not a command.
bool run(zwlr_virtual_pointer_v1* pointer, const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "move") {
    double dx = 0, dy = 0;
    if (!(in >> dx >> dy)) return false;
    zwlr_virtual_pointer_v1_motion(pointer, now_ms(), wl_fixed_from_double(dx), wl_fixed_from_double(dy));
  } else if (verb == "button") {
    std::string which, action;
    in >> which >> action;
    uint32_t code = which == "left" ? BTN_LEFT : which == "right" ? BTN_RIGHT : which == "middle" ? BTN_MIDDLE : 0;
    if (code == 0 || (action != "press" && action != "release" && action != "click")) return false;
    if (action != "release") {
      zwlr_virtual_pointer_v1_button(pointer, now_ms(), code, WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (action != "press")
      zwlr_virtual_pointer_v1_button(pointer, now_ms(), code, WL_POINTER_BUTTON_STATE_RELEASED);
  } else if (verb == "wheel") {
    int steps = 0;
    if (!(in >> steps)) return false;
    // 15 per step, as libinput reports a wheel's click.
    zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
    zwlr_virtual_pointer_v1_axis_discrete(pointer, now_ms(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                          wl_fixed_from_int(15 * steps), steps);
  } else {
    return false;
  }
  zwlr_virtual_pointer_v1_frame(pointer);
  return true;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, nullptr);
  wl_display_roundtrip(display);
  if (seat == nullptr || manager == nullptr) {
    std::fprintf(stderr, "virtual_pointer: the compositor lacks %s\n",
                 seat == nullptr ? "wl_seat" : "zwlr_virtual_pointer_manager_v1");
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  if (wl_display_roundtrip(display) < 0) {
    std::fprintf(stderr, "virtual_pointer: the compositor refused the pointer\n");
    return 1;
  }
  std::cout << "ready" << std::endl;

  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "quit") break;
    if (line.empty()) continue;
    if (!run(pointer, line)) {
      std::cout << "error " << line << std::endl;
      continue;
    }
    wl_display_flush(display);
    if (wl_display_roundtrip(display) < 0) {
      std::fprintf(stderr, "virtual_pointer: lost the compositor\n");
      return 1;
    }
    std::cout << "ok" << std::endl;
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(manager);
  wl_seat_destroy(seat);
  wl_registry_destroy(registry);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
