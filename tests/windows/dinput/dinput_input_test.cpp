// DirectInput 8's system mouse under Wine on Xvfb, set up as the program sets it up. Wine's
// mouse hears only what reaches a Wine window, so a window of ours covers the screen, on a
// thread that keeps its messages flowing; xdotool runs on the Linux side (with-xdotool.sh).
#include "platform/windows/dinput/dinput_input.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessiva {
namespace {

using namespace std::chrono_literals;

// Has with-xdotool.sh run xdotool, and waits for it to end.
void xdotool(const std::string& arguments) {
    static int serial = 0;
    const char* folder = std::getenv("TESSIVA_XDOTOOL_DIR");
    ASSERT_NE(folder, nullptr) << "run through tests/windows/dinput/with-xdotool.sh";
    const std::string name = std::string("Z:") + folder + "/" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    std::ofstream(name + ".writing") << arguments << '\n';
    ASSERT_EQ(std::rename((name + ".writing").c_str(), (name + ".request").c_str()), 0);
    int status = -1;
    for (int i = 0; i < 500 && !(std::ifstream(name + ".done") >> status); ++i) Sleep(20);
    EXPECT_EQ(status, 0) << "xdotool " << arguments;
}

std::size_t threadsOfOurs() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::size_t count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

// A visible window over the whole screen, on a thread of its own that handles its messages.
struct ScreenWindow {
    ScreenWindow() {
        std::promise<HWND> made;
        thread = std::thread([this, &made] {
            WNDCLASSW type{};
            type.lpfnWndProc = DefWindowProcW;
            type.lpszClassName = L"TessivaDInputTest";
            RegisterClassW(&type);
            threadId = GetCurrentThreadId();
            made.set_value(CreateWindowExW(WS_EX_TOPMOST, type.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                           nullptr, nullptr, nullptr));
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        });
        handle = made.get_future().get();
    }
    ~ScreenWindow() {
        PostThreadMessageW(threadId, WM_QUIT, 0, 0);
        thread.join();
    }
    HWND handle = nullptr;
    std::thread thread;
    DWORD threadId = 0;
};

// Stands in for the program: each call reads the device once into ten records, as
// DirectXEvent8_DXCallback does, and keeps what it read.
class Program : public DirectXEvent8 {
public:
    void DXCallback(std::int32_t eventid) override {
        std::array<DeviceObjectData, 10> got{};
        std::int32_t count = -1;
        if (device != nullptr && !device->getDeviceData(got, 0, count).ok()) count = -1;
        if (onCall) onCall();
        const std::lock_guard lock(m_mutex);
        calls.push_back({eventid, GetCurrentThreadId(), count});
        for (std::int32_t i = 0; i < count && i < 10; ++i) records.push_back(got[static_cast<std::size_t>(i)]);
        m_changed.notify_all();
    }
    // Waits until `done` holds of what came so far; `done` runs under the lock.
    bool waitUntil(const std::function<bool()>& done) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 5s, done);
    }
    bool saw(std::int32_t offset, std::int32_t data) const {
        for (const auto& record : records) {
            if (record.lOfs == offset && record.lData == data) return true;
        }
        return false;
    }

    // Set before the device is acquired, and left alone after.
    DirectInputDevice8* device = nullptr;
    std::function<void()> onCall;
    // What came, under the lock.
    struct Call {
        std::int32_t id;
        DWORD thread;
        std::int32_t count;
    };
    std::vector<Call> calls;
    std::vector<DeviceObjectData> records;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

// The program's InitMouse, step by step; without `notify` nobody is told of new records.
struct Mouse {
    Mouse(Program& program, HWND window, bool notify = true) {
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(input.createDirectX8(dx).ok());
        EXPECT_TRUE(dx->directInputCreate(di).ok());
        const Status created = di->createDevice("guid_SysMouse", device);
        EXPECT_TRUE(created.ok()) << created.message();
        if (!created.ok()) return;
        EXPECT_TRUE(device->setCommonDataFormat(dinput::kDiFormatMouse).ok());
        EXPECT_TRUE(device->setCooperativeLevel(reinterpret_cast<NativeHandle>(window), 10).ok());
        EXPECT_TRUE(device->setProperty("DIPROP_BUFFERSIZE", DiPropLong{dinput::kDiphDevice, 0, 10}).ok());
        if (notify) {
            program.device = device.get();
            EXPECT_TRUE(dx->createEvent(program, handle).ok());
            EXPECT_TRUE(device->setEventNotification(handle).ok());
        }
        EXPECT_TRUE(device->acquire().ok());
    }
    DInputInput input;
    std::shared_ptr<DirectX8> dx;
    std::shared_ptr<DirectInput8> di;
    std::shared_ptr<DirectInputDevice8> device;
    std::int32_t handle = 0;
};

class DInputMouse : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_window = new ScreenWindow; }
    static void TearDownTestSuite() { delete s_window; }
    static inline ScreenWindow* s_window = nullptr;
};

TEST_F(DInputMouse, MovesClicksAndTheWheelReachTheCallbackOnItsOwnThread) {
    Program program;
    Mouse mouse(program, s_window->handle);
    ASSERT_TRUE(mouse.device);
    xdotool("mousemove_relative 5 7");
    EXPECT_TRUE(program.waitUntil([&] { return program.saw(dinput::kDimofsX, 5) && program.saw(dinput::kDimofsY, 7); }));
    xdotool("click 1");
    EXPECT_TRUE(program.waitUntil([&] { return program.saw(dinput::kDimofsButton0, 0x80) && program.saw(dinput::kDimofsButton0, 0); }));
    xdotool("click 3");
    EXPECT_TRUE(program.waitUntil([&] { return program.saw(dinput::kDimofsButton1, 0x80); }));
    xdotool("click 4");
    EXPECT_TRUE(program.waitUntil([&] { return program.saw(dinput::kDimofsZ, 120); }));

    ASSERT_TRUE(program.waitUntil([] { return true; }));  // for the lock
    EXPECT_LT(program.calls.size(), 100u);  // one wake-up per signal, not a spinning thread
    for (const auto& call : program.calls) {
        EXPECT_EQ(call.id, mouse.handle);
        EXPECT_NE(call.thread, GetCurrentThreadId());
        EXPECT_NE(call.thread, s_window->threadId);
        EXPECT_TRUE(call.count >= 0 && call.count <= 10) << call.count;
    }
}

TEST_F(DInputMouse, ReadsTakeAtMostTheirRoomAndAtMostTheTenTheBufferHolds) {
    Program program;
    Mouse mouse(program, s_window->handle, false);
    ASSERT_TRUE(mouse.device);
    std::string moves;
    for (int i = 1; i <= 8; ++i) moves += " mousemove_relative " + std::to_string(i) + " " + std::to_string(i);
    xdotool(moves);  // sixteen records for a buffer of ten
    Sleep(300);

    std::array<DeviceObjectData, 32> records{};
    std::int32_t first = 0, rest = 0, after = -1;
    ASSERT_TRUE(mouse.device->getDeviceData(std::span(records).first(3), 0, first).ok());
    ASSERT_TRUE(mouse.device->getDeviceData(std::span(records).subspan(3), 0, rest).ok());
    ASSERT_TRUE(mouse.device->getDeviceData(records, 0, after).ok());
    EXPECT_EQ(first, 3);
    EXPECT_TRUE(rest >= 6 && rest <= 7) << rest;  // Wine's ring of ten keeps a slot free: it holds nine
    EXPECT_EQ(after, 0);
    for (int i = 0; i < first + rest; ++i) {
        EXPECT_EQ(records[i].lOfs, i % 2 == 0 ? dinput::kDimofsX : dinput::kDimofsY) << i;
        EXPECT_EQ(records[i].lData, i / 2 + 1) << i;
        // The two axes of one move share a sequence number.
        if (i > 0) {
            EXPECT_EQ(records[i].lSequence > records[i - 1].lSequence, i % 2 == 0) << i;
        }
    }
}

TEST_F(DInputMouse, FailuresCarryDirectInputsCode) {
    DInputInput input;
    std::shared_ptr<DirectX8> dx;
    std::shared_ptr<DirectInput8> di;
    std::shared_ptr<DirectInputDevice8> device;
    ASSERT_TRUE(input.createDirectX8(dx).ok());
    ASSERT_TRUE(dx->directInputCreate(di).ok());
    const Status keyboard = di->createDevice("guid_SysKeyboard", device);
    EXPECT_EQ(keyboard.code(), static_cast<std::int32_t>(0x80040154u));  // DIERR_DEVICENOTREG
    EXPECT_EQ(keyboard.message().rfind("DirectInput: ", 0), 0u) << keyboard.message();
    ASSERT_TRUE(di->createDevice("GUID_SYSMOUSE", device).ok());

    EXPECT_EQ(device->setCommonDataFormat(1).code(), Status::kInvalidArgument);
    EXPECT_FALSE(device->setProperty("DIPROP_RANGE", DiPropLong{}).ok());
    EXPECT_FALSE(device->setEventNotification(12345).ok());
    // From here on the answers are DirectInput's own.
    ASSERT_TRUE(device->setCommonDataFormat(dinput::kDiFormatMouse).ok());
    ASSERT_TRUE(device->setProperty("DIPROP_BUFFERSIZE", DiPropLong{dinput::kDiphDevice, 0, 10}).ok());
    std::array<DeviceObjectData, 10> records{};
    std::int32_t count = -1;
    EXPECT_EQ(device->getDeviceData(records, 0, count).code(), static_cast<std::int32_t>(0x8007000Cu));  // DIERR_NOTACQUIRED
    EXPECT_EQ(count, 0);
    const Status both = device->setCooperativeLevel(reinterpret_cast<NativeHandle>(s_window->handle), 3);
    EXPECT_EQ(both.code(), Status::kInvalidArgument);
    EXPECT_EQ(both.message().rfind("DirectInput: ", 0), 0u) << both.message();
}

// In saver mode the program's callback ends the process at once, from the event's thread,
// with the device acquired and DirectInput's own thread running.
TEST_F(DInputMouse, TheCallbackMayEndTheProcess) {
    EXPECT_EXIT(
        {
            Program program;
            program.onCall = [] { TerminateProcess(GetCurrentProcess(), 0); };
            Mouse mouse(program, s_window->handle);
            xdotool("click 1");
            Sleep(5000);
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Only tests let go of these; that must neither hang nor leave a thread behind, even when a
// callback is stuck, or is what lets go.
TEST_F(DInputMouse, LettingGoEndsTheEventThreadsWithoutWaitingForever) {
    const std::size_t threads = threadsOfOurs();
    const auto signal = [](std::int32_t id) { SetEvent(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(id))); };
    const auto threadsBack = [threads] {
        for (int i = 0; i < 100 && threadsOfOurs() != threads; ++i) Sleep(10);
        return threadsOfOurs() == threads;
    };
    DInputInput input;
    std::shared_ptr<DirectX8> dx;
    Program program;
    std::int32_t id = 0;
    ASSERT_TRUE(input.createDirectX8(dx).ok());
    ASSERT_TRUE(dx->createEvent(program, id).ok());
    EXPECT_EQ(threadsOfOurs(), threads + 1);

    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    program.onCall = [release] { WaitForSingleObject(release, 10000); };
    signal(id);  // the id is the event's handle
    Sleep(100);
    const auto start = std::chrono::steady_clock::now();
    dx.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    SetEvent(release);
    EXPECT_TRUE(program.waitUntil([&] { return program.calls.size() == 1; }));
    EXPECT_TRUE(threadsBack());
    CloseHandle(release);

    ASSERT_TRUE(input.createDirectX8(dx).ok());
    ASSERT_TRUE(dx->createEvent(program, id).ok());
    program.onCall = [&dx] { dx.reset(); };
    signal(id);
    EXPECT_TRUE(program.waitUntil([&] { return program.calls.size() == 2; }));
    EXPECT_TRUE(threadsBack());
}

}  // namespace
}  // namespace tessiva
