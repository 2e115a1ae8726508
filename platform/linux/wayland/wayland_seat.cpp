// WaylandSeat: keys, pointer and relative motion (see wayland_seat.h).
#include "platform/linux/wayland/wayland_seat.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/linux/wayland/wayland_client.h"
#include "relative-pointer-unstable-v1-client-protocol.h"

namespace tessiva {
namespace {

WaylandSeat& seatOf(void* data) { return *static_cast<WaylandSeat*>(data); }

void onCapabilities(void* data, wl_seat*, std::uint32_t caps) { seatOf(data).capabilities(caps); }
void onName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener{onCapabilities, onName};

void onKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        seatOf(data).keymap(fd, size);
    } else {
        close(fd);
    }
}
void onKeyEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void onKeyLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void onKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
    seatOf(data).key(key, state);
}
void onModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                 std::uint32_t locked, std::uint32_t group) {
    seatOf(data).modifiers(depressed, latched, locked, group);
}
void onRepeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener kKeyboardListener{onKeymap, onKeyEnter, onKeyLeave, onKey, onModifiers, onRepeat};

void onPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    seatOf(data).pointerEntered(serial, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void onPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface* surface) { seatOf(data).pointerLeft(surface); }
void onMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    seatOf(data).pointerMoved(wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void onButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t time, std::uint32_t button, std::uint32_t state) {
    seatOf(data).button(time, button, state);
}
void onAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void onFrame(void*, wl_pointer*) {}
void onAxisSource(void*, wl_pointer*, std::uint32_t) {}
void onAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void onAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
void onAxisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
const wl_pointer_listener kPointerListener{.enter = onPointerEnter,
                                           .leave = onPointerLeave,
                                           .motion = onMotion,
                                           .button = onButton,
                                           .axis = onAxis,
                                           .frame = onFrame,
                                           .axis_source = onAxisSource,
                                           .axis_stop = onAxisStop,
                                           .axis_discrete = onAxisDiscrete,
                                           .axis_value120 = onAxisValue120};

void onRelativeMotion(void* data, zwp_relative_pointer_v1*, std::uint32_t timeHigh, std::uint32_t timeLow, wl_fixed_t,
                      wl_fixed_t, wl_fixed_t dxRaw, wl_fixed_t dyRaw) {
    const std::uint64_t microseconds = (static_cast<std::uint64_t>(timeHigh) << 32) | timeLow;
    seatOf(data).relative(wl_fixed_to_double(dxRaw), wl_fixed_to_double(dyRaw),
                          static_cast<std::uint32_t>(microseconds / 1000));
}
const zwp_relative_pointer_v1_listener kRelativeListener{onRelativeMotion};

int maskOf(int button) {
    switch (button) {
    case 1: return 1;
    case 3: return 2;
    case 2: return 4;
    default: return 0;
    }
}

}  // namespace

int mouseButtonOf(std::uint32_t evdevButton) {
    switch (evdevButton) {
    case BTN_LEFT: return 1;
    case BTN_MIDDLE: return 2;
    case BTN_RIGHT: return 3;
    case BTN_SIDE: return 8;
    case BTN_EXTRA: return 9;
    default: return 0;
    }
}

WaylandSeat::WaylandSeat(WaylandClient& client) : m_client(client) {
    m_xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (client.seat() != nullptr) wl_seat_add_listener(client.seat(), &kSeatListener, this);
}

WaylandSeat::~WaylandSeat() {
    if (m_relative != nullptr) zwp_relative_pointer_v1_destroy(m_relative);
    if (m_pointer != nullptr) wl_pointer_destroy(m_pointer);
    if (m_keyboard != nullptr) wl_keyboard_destroy(m_keyboard);
    if (m_state != nullptr) xkb_state_unref(m_state);
    if (m_keymap != nullptr) xkb_keymap_unref(m_keymap);
    if (m_xkb != nullptr) xkb_context_unref(m_xkb);
}

void WaylandSeat::capabilities(std::uint32_t caps) {
    // A seat loses its keyboard or pointer when the last device of that kind goes (a USB
    // keyboard pulled, a virtual one closed) and gets a new one when one comes back: the old
    // object then delivers nothing any more.
    const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (!keyboard && m_keyboard != nullptr) {
        if (wl_keyboard_get_version(m_keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
            wl_keyboard_release(m_keyboard);
        } else {
            wl_keyboard_destroy(m_keyboard);
        }
        m_keyboard = nullptr;
    }
    if (!pointer && m_pointer != nullptr) {
        if (m_relative != nullptr) zwp_relative_pointer_v1_destroy(m_relative);
        m_relative = nullptr;
        if (wl_pointer_get_version(m_pointer) >= WL_POINTER_RELEASE_SINCE_VERSION) {
            wl_pointer_release(m_pointer);
        } else {
            wl_pointer_destroy(m_pointer);
        }
        m_pointer = nullptr;
        m_under = nullptr;
        m_buttons = 0;
    }
    if (keyboard && m_keyboard == nullptr) {
        m_keyboard = wl_seat_get_keyboard(m_client.seat());
        wl_keyboard_add_listener(m_keyboard, &kKeyboardListener, this);
    }
    if (pointer && m_pointer == nullptr) {
        m_pointer = wl_seat_get_pointer(m_client.seat());
        wl_pointer_add_listener(m_pointer, &kPointerListener, this);
        if (m_client.relativePointers() != nullptr) {
            m_relative = zwp_relative_pointer_manager_v1_get_relative_pointer(m_client.relativePointers(), m_pointer);
            zwp_relative_pointer_v1_add_listener(m_relative, &kRelativeListener, this);
        }
    }
}

void WaylandSeat::keymap(int fd, std::uint32_t size) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (text == MAP_FAILED || m_xkb == nullptr) return;
    xkb_keymap* keymap = xkb_keymap_new_from_string(m_xkb, static_cast<const char*>(text), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (keymap == nullptr) return;
    if (m_state != nullptr) xkb_state_unref(m_state);
    if (m_keymap != nullptr) xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_state = xkb_state_new(keymap);
}

void WaylandSeat::modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
    if (m_state != nullptr) xkb_state_update_mask(m_state, depressed, latched, locked, 0, 0, group);
}

void WaylandSeat::key(std::uint32_t key, std::uint32_t state) {
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED || m_state == nullptr || !m_listener.keyPressed) return;
    char text[16] = {};
    xkb_state_key_get_utf8(m_state, key + 8, text, sizeof text);
    m_listener.keyPressed(text);
}

void WaylandSeat::pointerEntered(std::uint32_t serial, wl_surface* surface, double x, double y) {
    // No pointer image over the saver.
    wl_pointer_set_cursor(m_pointer, serial, nullptr, 0, 0);
    m_under = surface;
    m_x = x;
    m_y = y;
}

void WaylandSeat::pointerLeft(wl_surface* surface) {
    if (m_under == surface) m_under = nullptr;
}

void WaylandSeat::pointerMoved(double x, double y) {
    m_x = x;
    m_y = y;
    if (m_under != nullptr && m_listener.moved) m_listener.moved(m_under, x, y, m_buttons);
}

void WaylandSeat::button(std::uint32_t time, std::uint32_t button, std::uint32_t state) {
    const int number = mouseButtonOf(button);
    const bool down = state == WL_POINTER_BUTTON_STATE_PRESSED;
    if (down) {
        m_buttons |= maskOf(number);
    } else {
        m_buttons &= ~maskOf(number);
    }
    if (m_listener.rawButton && number != 0) m_listener.rawButton(number, down, time);
    if (down && m_under != nullptr && m_listener.pressed) m_listener.pressed(m_under, m_x, m_y, maskOf(number));
}

void WaylandSeat::relative(double dx, double dy, std::uint32_t time) {
    if (m_listener.relativeMotion) m_listener.relativeMotion(dx, dy, time);
}

}  // namespace tessiva
