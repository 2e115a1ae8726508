// What the seat makes of the compositor's events, without a compositor: the text a key types
// under an XKB keymap, the buffered mouse's button numbers, and relative motion and buttons
// reaching the buffered mouse as its records. The seat's listener entry points are called
// as the connection's listeners would call them.
#include "platform/linux/wayland/wayland_seat.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client-protocol.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/mouse/buffered_mouse.h"
#include "platform/linux/wayland/relative_mouse.h"
#include "platform/linux/wayland/wayland_client.h"

namespace tessiva {
namespace {

// A US keymap, handed over as a compositor does: a file descriptor to map.
int usKeymap(std::uint32_t& size) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    int fd = -1;
    if (text != nullptr) {
        size = static_cast<std::uint32_t>(std::strlen(text) + 1);
        fd = memfd_create("keymap", MFD_CLOEXEC);
        if (fd >= 0 && write(fd, text, size) != static_cast<ssize_t>(size)) fd = -1;
    }
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return fd;
}

class WaylandSeatTest : public ::testing::Test {
protected:
    WaylandClient client;  // never connected: the seat gets its events by hand
    WaylandSeat seat{client};
};

TEST_F(WaylandSeatTest, KeysTypeTheirTextAndKeysThatTypeNoneTypeNothing) {
    std::vector<std::string> typed;
    seat.listener().keyPressed = [&](const std::string& text) { typed.push_back(text); };
    std::uint32_t size = 0;
    const int fd = usKeymap(size);
    ASSERT_GE(fd, 0) << "no XKB data to make a keymap from";
    seat.keymap(fd, size);
    for (const std::uint32_t key : {KEY_X, KEY_LEFTSHIFT, KEY_F1, KEY_UP, KEY_ESC, KEY_ENTER, KEY_SPACE}) {
        seat.key(key, WL_KEYBOARD_KEY_STATE_PRESSED);
        seat.key(key, WL_KEYBOARD_KEY_STATE_RELEASED);  // a release types nothing
    }
    seat.modifiers(1, 0, 0, 0);  // Shift held: the compositor sends the depressed mask
    seat.key(KEY_X, WL_KEYBOARD_KEY_STATE_PRESSED);
    EXPECT_EQ(typed, (std::vector<std::string>{"x", "", "", "", "\x1b", "\r", " ", "X"}));
}

TEST_F(WaylandSeatTest, EvdevButtonsBecomeTheBufferedMousesNumbers) {
    EXPECT_EQ(mouseButtonOf(BTN_LEFT), 1);
    EXPECT_EQ(mouseButtonOf(BTN_MIDDLE), 2);
    EXPECT_EQ(mouseButtonOf(BTN_RIGHT), 3);
    EXPECT_EQ(mouseButtonOf(BTN_SIDE), 8);
    EXPECT_EQ(mouseButtonOf(BTN_EXTRA), 9);
    EXPECT_EQ(mouseButtonOf(BTN_FORWARD), 0);
}

class Signals final : public DirectXEvent8 {
public:
    void DXCallback(std::int32_t) override { ++count; }
    int count = 0;
};

TEST_F(WaylandSeatTest, RelativeMotionAndButtonsBecomeTheBufferedMousesRecords) {
    BufferedMouse mouse(relativeMouseFeed(seat));
    std::shared_ptr<DirectX8> dx;
    std::shared_ptr<DirectInput8> di;
    std::shared_ptr<DirectInputDevice8> device;
    Signals signals;
    std::int32_t handle = 0;
    ASSERT_TRUE(mouse.createDirectX8(dx).ok());
    ASSERT_TRUE(dx->directInputCreate(di).ok());
    ASSERT_TRUE(di->createDevice("guid_SysMouse", device).ok());
    ASSERT_TRUE(device->setCommonDataFormat(dinput::kDiFormatMouse).ok());
    ASSERT_TRUE(device->setProperty("DIPROP_BUFFERSIZE", {0, 0, 10}).ok());
    ASSERT_TRUE(dx->createEvent(signals, handle).ok());
    ASSERT_TRUE(device->setEventNotification(handle).ok());
    ASSERT_TRUE(device->acquire().ok());

    seat.relative(3.0, -2.0, 100);
    seat.button(101, BTN_RIGHT, WL_POINTER_BUTTON_STATE_PRESSED);
    seat.button(102, BTN_RIGHT, WL_POINTER_BUTTON_STATE_RELEASED);
    seat.button(103, BTN_FORWARD, WL_POINTER_BUTTON_STATE_PRESSED);  // no part of the format
    EXPECT_EQ(signals.count, 3);  // each event is a batch of its own

    std::array<DeviceObjectData, 10> records;
    std::int32_t count = 0;
    ASSERT_TRUE(device->getDeviceData(records, 0, count).ok());
    ASSERT_EQ(count, 4);
    EXPECT_EQ(records[0].lOfs, dinput::kDimofsX);
    EXPECT_EQ(records[0].lData, 3);
    EXPECT_EQ(records[1].lOfs, dinput::kDimofsY);
    EXPECT_EQ(records[1].lData, -2);
    EXPECT_EQ(records[2].lOfs, dinput::kDimofsButton1);
    EXPECT_EQ(records[2].lData, 0x80);
    EXPECT_EQ(records[3].lOfs, dinput::kDimofsButton1);
    EXPECT_EQ(records[3].lData, 0);

    // Once the device goes, the seat's motion reaches nobody.
    device.reset();
    seat.relative(1.0, 1.0, 104);
    EXPECT_EQ(signals.count, 3);
}

}  // namespace
}  // namespace tessiva
