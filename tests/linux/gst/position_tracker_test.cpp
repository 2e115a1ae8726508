// What the position getters answer, without a pipeline: seeks, holds and the end of the stream.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessiva
