// The layer's bookkeeping without a pipeline: what the position getters answer, the audio
// level conversions, and what wakes the interface thread's wait.
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/linux/gst/audio_levels.h"
#include "platform/linux/gst/main_context_wake.h"
#include "platform/linux/gst/position_tracker.h"

namespace tessiva {
namespace {

TEST(PositionTracking, ASeekAnswersItsTargetUntilThePipelineHasPrerolled) {
    PositionTracker tracker;
    tracker.reset(2.0);
    EXPECT_DOUBLE_EQ(tracker.position(0.7), 0.7);
    tracker.seekStarted(1.25);
    EXPECT_FALSE(tracker.wantsQuery());
    EXPECT_DOUBLE_EQ(tracker.position(0.71), 1.25);  // a stale answer from before the seek
    tracker.seekDone();
    EXPECT_DOUBLE_EQ(tracker.position(std::nullopt), 1.25);  // no answer yet right after it
    EXPECT_DOUBLE_EQ(tracker.position(1.3), 1.3);
    tracker.seekStarted(9.0);  // beyond the end: the end
    EXPECT_DOUBLE_EQ(tracker.position(std::nullopt), 2.0);
}

// A rewind to where the pipeline already stands needs no seek: one under way to the same
// place, or a position less than a frame past it; never once the stream has ended.
TEST(PositionTracking, StandingAtATargetIsASeekThereOrLessThanAFramePastIt) {
    PositionTracker tracker;
    tracker.reset(0.4);
    EXPECT_TRUE(tracker.standsAt(0.0, 0.05));  // a new clip stands at its start
    tracker.seekStarted(0.0);
    EXPECT_TRUE(tracker.standsAt(0.0, 0.05));
    EXPECT_FALSE(tracker.standsAt(0.2, 0.05));
    tracker.seekDone();
    EXPECT_DOUBLE_EQ(tracker.position(0.03), 0.03);
    EXPECT_TRUE(tracker.standsAt(0.0, 0.05));
    EXPECT_DOUBLE_EQ(tracker.position(0.07), 0.07);
    EXPECT_FALSE(tracker.standsAt(0.0, 0.05));
    tracker.ended();
    EXPECT_FALSE(tracker.standsAt(0.0, 0.5));
}

// Held still where the program keeps rewinding to: the answer is that place, with no query,
// until a seek elsewhere lets it go.
TEST(PositionTracking, AHeldPipelineAnswersWhereItIsHeldUntilASeek) {
    PositionTracker tracker;
    tracker.reset(0.4);
    tracker.holdAt(0.0);
    EXPECT_TRUE(tracker.heldAt(0.0));
    EXPECT_FALSE(tracker.heldAt(0.1));
    EXPECT_FALSE(tracker.wantsQuery());
    EXPECT_DOUBLE_EQ(tracker.position(0.02), 0.0);  // where the paused pipeline really is
    tracker.seekStarted(0.2);
    EXPECT_FALSE(tracker.held());
    tracker.seekDone();
    EXPECT_TRUE(tracker.wantsQuery());
    EXPECT_DOUBLE_EQ(tracker.position(0.25), 0.25);
}

TEST(PositionTracking, TheEndOfTheStreamIsTheDurationExactly) {
    PositionTracker tracker;
    tracker.reset(2.002);
    tracker.ended();
    EXPECT_DOUBLE_EQ(tracker.position(1.97), 2.002);
    tracker.seekStarted(0.0);  // rewinding leaves the end behind
    tracker.seekDone();
    EXPECT_DOUBLE_EQ(tracker.position(0.03), 0.03);
    EXPECT_DOUBLE_EQ(tracker.position(5.0), 2.002);  // never past the end

    // A clip whose length was never known ends where it stopped (an error ends it the same way).
    tracker.reset(-1.0);
    EXPECT_DOUBLE_EQ(tracker.duration(), 0.0);
    EXPECT_DOUBLE_EQ(tracker.position(3.5), 3.5);
    tracker.ended();
    EXPECT_DOUBLE_EQ(tracker.duration(), 3.5);
    EXPECT_DOUBLE_EQ(tracker.position(std::nullopt), 3.5);
}

TEST(AudioLevels, HundredthsOfADecibelBecomeAmplitudesAndBalanceAttenuatesTheFarChannel) {
    EXPECT_DOUBLE_EQ(amplitudeOf(0), 1.0);
    EXPECT_NEAR(amplitudeOf(-600), 0.501, 0.001);  // -6 dB
    EXPECT_NEAR(amplitudeOf(-2000), 0.1, 1e-12);   // -20 dB
    EXPECT_NEAR(amplitudeOf(-9999), 1.0e-5, 1e-7);
    EXPECT_EQ(amplitudeOf(kSilentLevel), 0.0);

    EXPECT_DOUBLE_EQ(panoramaOf(0), 0.0);
    // 20 dB towards the right: the left channel at a tenth, i.e. scaled by 1 - panorama.
    EXPECT_NEAR(1.0 - panoramaOf(2000), 0.1, 1e-12);
    EXPECT_NEAR(1.0 + panoramaOf(-2000), 0.1, 1e-12);
    EXPECT_DOUBLE_EQ(panoramaOf(kRightOnly), 1.0);
    EXPECT_DOUBLE_EQ(panoramaOf(-kRightOnly), -1.0);
}

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
