// What wakes the interface thread's wait in GLib's default main context.
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/linux/gst/main_context_wake.h"

namespace tessiva {
namespace {

// The yield waits in GLib's default main context; a descriptor being watched, or something
// already queued, ends that wait, and nothing else does once the watch is cleared.
TEST(MainContextWake, AReadableDescriptorOrAQueuedEventEndsTheWait) {
    using Clock = std::chrono::steady_clock;
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    MainContextWake wake;
    wake.watch(pipeEnds[0]);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(::write(pipeEnds[1], "x", 1), 1);
    });
    auto start = Clock::now();
    g_main_context_iteration(nullptr, TRUE);
    writer.join();
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(40));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));

    bool queued = true;
    wake.watch(pipeEnds[1], [&] { return queued; });  // a pipe's write end never reads as readable
    start = Clock::now();
    g_main_context_iteration(nullptr, TRUE);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(40));

    // Cleared, the still readable pipe wakes nobody: only the timer ends this wait.
    wake.clear();
    bool fired = false;
    g_timeout_add(
        100,
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &fired);
    start = Clock::now();
    int wakes = 0;
    while (!fired && wakes < 100) {
        g_main_context_iteration(nullptr, TRUE);
        ++wakes;
    }
    EXPECT_TRUE(fired);
    EXPECT_LE(wakes, 3);  // a destroyed source may wake the context once
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(80));
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

}  // namespace
}  // namespace tessiva
