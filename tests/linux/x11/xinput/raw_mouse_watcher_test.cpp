// The buffered mouse's feed on XInput2: its axis rule, then the whole mouse on that feed
// against a real X server (run-under-xvfb.sh), driven by xdotool: XTest's relative motion
// makes raw motion, its clicks raw button events.
#include "platform/linux/mouse/buffered_mouse.h"
#include "platform/linux/x11/xinput/raw_mouse_watcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <X11/Xlib.h>
#undef Status  // Xlib's macro; the tests name no status type

extern char** environ;

namespace tessiva {
namespace {

// A raw event carries only the valuators in its mask, packed: y alone sits where x would.
TEST(RawMotionAxes, ReadsXAndYFromThePackedValuators) {
    struct Case {
        std::vector<unsigned char> mask;
        std::vector<double> values;
        std::pair<double, double> expected;
    };
    const Case cases[] = {
        {{0x03}, {3, 4}, {3, 4}},
        {{0x02}, {7}, {0, 7}},
        {{0x01}, {-2}, {-2, 0}},
        {{0x0D}, {5, 1, 1}, {5, 0}},  // x, then scroll valuators 2 and 3
        {{0x0C}, {1, 1}, {0, 0}},      // scrolling alone
        {{}, {}, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rawMotionAxes(c.mask, c.values.data()), c.expected) << int(c.mask.empty() ? 0 : c.mask[0]);
    }
}

using namespace std::chrono_literals;

void xdotool(const std::string& arguments) {
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
}

std::size_t entries(const char* directory) {
    const std::filesystem::directory_iterator all(directory);
    return static_cast<std::size_t>(std::distance(begin(all), end(all)));
}

// What the program's callback has been through.
struct Seen {
    std::vector<std::int32_t> ids;
    std::vector<std::thread::id> threads;
    std::vector<DeviceObjectData> records;
};

// Plays the program's part: its callback reads the buffer, as the program does, and keeps
// what it read.
class Program : public DirectXEvent8 {
public:
    void DXCallback(std::int32_t eventid) override {
        std::vector<DeviceObjectData> got;
        if (reading) {
            std::array<DeviceObjectData, 10> records;
            std::int32_t count = 0;
            while (device->getDeviceData(records, 0, count).ok() && count > 0) {
                got.insert(got.end(), records.begin(), records.begin() + count);
            }
        }
        if (onCall) onCall();
        const std::lock_guard lock(m_mutex);
        m_seen.ids.push_back(eventid);
        m_seen.threads.push_back(std::this_thread::get_id());
        m_seen.records.insert(m_seen.records.end(), got.begin(), got.end());
        m_changed.notify_all();
    }

    bool waitForRecords(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 5s, [&] { return m_seen.records.size() >= count; });
    }
    bool waitForCalls(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 5s, [&] { return m_seen.ids.size() >= count; });
    }
    Seen seen() {
        const std::lock_guard lock(m_mutex);
        return m_seen;
    }

    // Set before the device is acquired (which orders them before any callback), left alone
    // after.
    DirectInputDevice8* device = nullptr;
    bool reading = true;
    std::function<void()> onCall;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Seen m_seen;
};

// The program's InitMouse, step by step.
struct Mouse {
    explicit Mouse(Program& program, bool acquire = true) {
        EXPECT_TRUE(input.createDirectX8(dx).ok());
        EXPECT_TRUE(dx->directInputCreate(di).ok());
        const auto created = di->createDevice("guid_SysMouse", device);
        EXPECT_TRUE(created.ok()) << created.message();
        if (!created.ok()) return;
        program.device = device.get();
        EXPECT_TRUE(device->setCommonDataFormat(dinput::kDiFormatMouse).ok());
        EXPECT_TRUE(device->setCooperativeLevel(0, dinput::kDisclNonExclusive | dinput::kDisclBackground).ok());
        EXPECT_TRUE(device->setProperty("DIPROP_BUFFERSIZE", {0, 0, 10}).ok());
        EXPECT_TRUE(dx->createEvent(program, handle).ok());
        EXPECT_TRUE(device->setEventNotification(handle).ok());
        if (acquire) {
            EXPECT_TRUE(device->acquire().ok());
        }
    }
    BufferedMouse input{xinputMouseFeed()};
    std::shared_ptr<DirectX8> dx;
    std::shared_ptr<DirectInput8> di;
    std::shared_ptr<DirectInputDevice8> device;
    std::int32_t handle = 0;
};

std::vector<std::pair<std::int32_t, std::int32_t>> offsetsAndData(const std::vector<DeviceObjectData>& records) {
    std::vector<std::pair<std::int32_t, std::int32_t>> out;
    for (const auto& record : records) out.emplace_back(record.lOfs, record.lData);
    return out;
}

TEST(XInputFeed, MovesClicksAndScrollsReachTheCallbackInOrderOnTheWatchersThread) {
    Program program;
    Mouse mouse(program);
    ASSERT_TRUE(mouse.device);
    xdotool("mousemove_relative 5 7 click 1 click 3 click 2 click 8 click 4 click 5 click 6 mousemove_relative -- -3 0");
    ASSERT_TRUE(program.waitForRecords(13));
    const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
        {0, 5},     {4, 7},                  // one diagonal move
        {12, 0x80}, {12, 0}, {13, 0x80}, {13, 0}, {14, 0x80}, {14, 0}, {15, 0x80}, {15, 0},
        {8, 120},   {8, -120},               // wheel up, down; the horizontal wheel makes nothing
        {0, -3},
    };
    std::this_thread::sleep_for(200ms);  // nothing more may come
    const Seen seen = program.seen();
    ASSERT_EQ(offsetsAndData(seen.records), expected);
    EXPECT_EQ(seen.records[0].lSequence, seen.records[1].lSequence);
    for (std::size_t i = 2; i < seen.records.size(); ++i) {
        EXPECT_GT(seen.records[i].lSequence, seen.records[i - 1].lSequence) << i;
        EXPECT_GE(seen.records[i].lTimeStamp - seen.records[i - 1].lTimeStamp, 0) << i;
    }
    for (const auto id : seen.ids) EXPECT_EQ(id, mouse.handle);
    for (const auto thread : seen.threads) EXPECT_NE(thread, std::this_thread::get_id());
}

TEST(XInputFeed, NothingIsKeptOrSignalledBeforeAcquire) {
    Program program;
    Mouse mouse(program, false);
    ASSERT_TRUE(mouse.device);
    xdotool("mousemove_relative 9 9 click 1");
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(program.seen().ids.empty());

    ASSERT_TRUE(mouse.device->acquire().ok());
    xdotool("mousemove_relative 2 0");
    ASSERT_TRUE(program.waitForRecords(1));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(offsetsAndData(program.seen().records), (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 2}}));
}

TEST(XInputFeed, AFullBufferKeepsTheFirstTenRecords) {
    Program program;
    program.reading = false;
    Mouse mouse(program);
    ASSERT_TRUE(mouse.device);
    std::string moves;
    for (int i = 1; i <= 8; ++i) moves += " mousemove_relative " + std::to_string(i) + " " + std::to_string(i);
    xdotool(moves);  // sixteen records
    ASSERT_TRUE(program.waitForCalls(1));
    std::this_thread::sleep_for(300ms);

    std::array<DeviceObjectData, 32> records;
    std::int32_t count = 0;
    ASSERT_TRUE(mouse.device->getDeviceData(records, 0, count).ok());
    ASSERT_EQ(count, 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(records[i].lOfs, i % 2 == 0 ? dinput::kDimofsX : dinput::kDimofsY) << i;
        EXPECT_EQ(records[i].lData, i / 2 + 1) << i;
    }

    const std::size_t calls = program.seen().ids.size();
    xdotool("mousemove_relative 0 -4");  // there is room again
    ASSERT_TRUE(program.waitForCalls(calls + 1));
    ASSERT_TRUE(mouse.device->getDeviceData(records, 0, count).ok());
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].lOfs, dinput::kDimofsY);
    EXPECT_EQ(records[0].lData, -4);
}

TEST(XInputFeed, SeesTheMouseWhileAnotherClientGrabsThePointer) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                           GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XSync(other, False);
    {
        Program program;
        Mouse mouse(program);
        ASSERT_TRUE(mouse.device);
        xdotool("mousemove_relative 1 1 click 1");
        EXPECT_TRUE(program.waitForRecords(4));
    }
    XUngrabPointer(other, CurrentTime);
    XCloseDisplay(other);
}

TEST(XInputFeed, LettingGoOfTheDeviceEndsItsThreadAndConnection) {
    const std::size_t threads = entries("/proc/self/task");
    const std::size_t files = entries("/proc/self/fd");
    {
        Program program;
        Mouse mouse(program);
        ASSERT_TRUE(mouse.device);
        EXPECT_EQ(entries("/proc/self/task"), threads + 1);
        EXPECT_GT(entries("/proc/self/fd"), files);
    }
    EXPECT_EQ(entries("/proc/self/task"), threads);
    EXPECT_EQ(entries("/proc/self/fd"), files);

    // The program's callback may be what lets go of the last reference, on the watcher's own
    // thread, which can't wait for itself.
    {
        Program program;
        Mouse mouse(program, false);
        ASSERT_TRUE(mouse.device);
        std::shared_ptr<DirectInputDevice8> last = std::move(mouse.device);
        program.onCall = [&last] { last.reset(); };
        ASSERT_TRUE(last->acquire().ok());  // from here on, `last` is the watcher's
        xdotool("click 1");
        ASSERT_TRUE(program.waitForCalls(1));
        for (int i = 0; i < 100 && entries("/proc/self/task") != threads; ++i) std::this_thread::sleep_for(10ms);
        EXPECT_EQ(entries("/proc/self/task"), threads);
        EXPECT_EQ(entries("/proc/self/fd"), files);
    }
}

// In saver mode the program's callback ends the process from the watcher's thread.
TEST(XInputFeed, TheCallbackMayEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Program program;
            program.onCall = [] { std::_Exit(0); };
            Mouse mouse(program);
            xdotool("click 1");
            std::this_thread::sleep_for(5s);
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Starts an Xvfb of its own with the given extra arguments; stops it when destroyed.
class OwnServer {
public:
    explicit OwnServer(std::vector<std::string> extra) {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::vector<std::string> arguments = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const bool spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (!spawned) m_pid = -1;
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (spawned && poll(&ready, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) m_display = ":" + number;
    }
    ~OwnServer() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Runs `body` with DISPLAY set to `display`, or unset when it is empty.
template <class Body>
void withDisplay(const std::string& display, Body body) {
    const std::string saved = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
    if (display.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", display.c_str(), 1);
    }
    body();
    setenv("DISPLAY", saved.c_str(), 1);
}

TEST(XInputFeed, OnlyTheSystemMouseOnAServerWithXInput2MakesADevice) {
    BufferedMouse input{xinputMouseFeed()};
    std::shared_ptr<DirectX8> dx;
    std::shared_ptr<DirectInput8> di;
    ASSERT_TRUE(input.createDirectX8(dx).ok());
    ASSERT_TRUE(dx->directInputCreate(di).ok());
    std::shared_ptr<DirectInputDevice8> device;
    EXPECT_TRUE(di->createDevice("GUID_SYSMOUSE", device).ok());
    EXPECT_TRUE(device);
    device.reset();
    const auto keyboard = di->createDevice("guid_SysKeyboard", device);
    EXPECT_FALSE(keyboard.ok());
    EXPECT_EQ(keyboard.message().rfind("Mouse: ", 0), 0u) << keyboard.message();

    withDisplay("", [&] {
        const auto status = di->createDevice("guid_SysMouse", device);
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.message().find("X11: cannot open the X display"), std::string::npos) << status.message();
    });

    // Xvfb won't go without XInput, but it can go without the Generic Event Extension, which
    // carries every XInput2 event.
    const OwnServer bare({"-extension", "Generic Event Extension"});
    ASSERT_FALSE(bare.display().empty());
    withDisplay(bare.display(), [&] {
        const auto status = di->createDevice("guid_SysMouse", device);
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(status.message().rfind("X11: ", 0), 0u) << status.message();
        EXPECT_NE(status.message().find("XInput2"), std::string::npos) << status.message();
    });
    EXPECT_FALSE(device);
}

}  // namespace
}  // namespace tessiva
