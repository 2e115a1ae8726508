#pragma once
// The seat's keyboard and pointer, and the pointer's relative motion, as plain numbers for
// whoever listens. Interface thread (the connection's events are dispatched there).
//
// Facts relied on (libwayland 1.21, xkbcommon 1.5):
// - The keymap arrives as a file descriptor to map read-only; a key's code is evdev's, 8
//   less than the XKB keycode.
// - xkb_state_key_get_utf8 answers the text a key types in the current state (modifiers
//   included), or nothing for a key that types none (Shift alone, arrows, F1).
// - Pointer motion comes in surface-local coordinates of the surface under the pointer;
//   entering a surface is the moment to choose its cursor, none here.
// - Relative motion (zwp_relative_pointer_v1) carries the device's unaccelerated deltas and
//   comes only while the pointer is over a surface of ours, which the saver makes everywhere.
// - Buttons are evdev codes: BTN_LEFT 0x110, BTN_RIGHT 0x111, BTN_MIDDLE 0x112.
#include <cstdint>
#include <functional>
#include <string>

struct wl_keyboard;
struct wl_pointer;
struct wl_surface;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct zwp_relative_pointer_v1;

namespace tessiva {

class WaylandClient;

// The buffered mouse's button numbers for the evdev codes above (1 left, 2 middle, 3 right,
// 8 and 9 the side buttons); 0 for others.
int mouseButtonOf(std::uint32_t evdevButton);

class WaylandSeat {
public:
    struct Listener {
        // A key went down; `text` is what it types (UTF-8), empty for a key that types none.
        std::function<void(const std::string& text)> keyPressed;
        // Pointer over one of our surfaces, in that surface's pixels; `buttons` as the mask
        // of 1 left, 2 right, 4 middle.
        std::function<void(wl_surface* surface, double x, double y, int buttons)> moved;
        std::function<void(wl_surface* surface, double x, double y, int button)> pressed;
        // For the buffered mouse: deltas and buttons with the event's time in milliseconds.
        std::function<void(double dx, double dy, std::uint32_t time)> relativeMotion;
        std::function<void(int button, bool pressed, std::uint32_t time)> rawButton;
    };

    explicit WaylandSeat(WaylandClient& client);
    WaylandSeat(const WaylandSeat&) = delete;
    WaylandSeat& operator=(const WaylandSeat&) = delete;
    ~WaylandSeat();

    // Listeners may be set at any time; each part has one.
    Listener& listener() { return m_listener; }

    // Listener entry points; not for the program.
    void capabilities(std::uint32_t caps);
    void keymap(int fd, std::uint32_t size);
    void key(std::uint32_t key, std::uint32_t state);
    void modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
    void pointerEntered(std::uint32_t serial, wl_surface* surface, double x, double y);
    void pointerLeft(wl_surface* surface);
    void pointerMoved(double x, double y);
    void button(std::uint32_t time, std::uint32_t button, std::uint32_t state);
    void relative(double dx, double dy, std::uint32_t time);

private:
    WaylandClient& m_client;
    Listener m_listener;
    wl_keyboard* m_keyboard = nullptr;
    wl_pointer* m_pointer = nullptr;
    zwp_relative_pointer_v1* m_relative = nullptr;
    xkb_context* m_xkb = nullptr;
    xkb_keymap* m_keymap = nullptr;
    xkb_state* m_state = nullptr;
    wl_surface* m_under = nullptr;  // the surface the pointer is over
    double m_x = 0, m_y = 0;
    int m_buttons = 0;
};

}  // namespace tessiva
