// Which monitors go black beside the saver, and where a point on one of them lands: the rule
// X11's windows, Wayland's surfaces and Windows' windows all follow.
#include <gtest/gtest.h>

#include "platform/shared/cover_plan.h"

namespace tessiva {
namespace {

using Plan = std::vector<std::size_t>;

TEST(CoverPlan, EveryMonitorThePlayingOneDoesNotHoldWholeGoesBlackOnce) {
    const PixelRect saver{0, 0, 1280, 720};
    const PixelRect primary{0, 0, 1280, 720}, right{1280, 0, 1920, 1080}, left{-1024, 0, 1024, 768};
    EXPECT_TRUE(coverPlan({primary}, saver).empty());
    EXPECT_TRUE(coverPlan({}, saver).empty());
    EXPECT_EQ(coverPlan({primary, right, left}, saver), (Plan{1, 2}));
    // Mirrored monitors get one cover; one that lies inside the playing one needs nothing.
    EXPECT_EQ(coverPlan({right, primary, right, PixelRect{0, 0, 640, 480}}, saver), (Plan{0}));
    // A primary monitor away from the origin: the saver covers whatever lies at 0, 0, so the
    // primary itself, and a monitor the saver only partly covers, get a black window.
    const PixelRect farPrimary{1280, 0, 1280, 720}, straddling{640, 0, 1280, 720};
    EXPECT_EQ(coverPlan({primary, farPrimary}, saver), (Plan{1}));
    EXPECT_EQ(coverPlan({straddling}, saver), (Plan{0}));
    EXPECT_TRUE(coverPlan({PixelRect{1280, 0, 0, 720}}, saver).empty());
}

TEST(CoverPlan, OnOutputsThePlayingOutputAndItsMirrorsStayUncovered) {
    // A compositor's outputs, the clip on the second: the first and a mirror of the first get
    // one cover, a mirror of the playing output and an output not yet described none.
    const PixelRect first{0, 0, 800, 600}, playing{800, 0, 1280, 720};
    EXPECT_EQ(coverPlan({first, playing, first, playing, PixelRect{}}, playing), (Plan{0}));
}

TEST(CoverPlan, APointOnACoverIsMeasuredFromThePlayingCorner) {
    const PixelRect playing{800, 0, 1280, 720}, left{0, 0, 800, 600}, below{800, 720, 1280, 720};
    const PointOnSaver onLeft = pointOnSaver(left, playing, 10, 20);
    EXPECT_DOUBLE_EQ(onLeft.x, -790);
    EXPECT_DOUBLE_EQ(onLeft.y, 20);
    const PointOnSaver onBelow = pointOnSaver(below, playing, 0.5, 0);
    EXPECT_DOUBLE_EQ(onBelow.x, 0.5);
    EXPECT_DOUBLE_EQ(onBelow.y, 720);
}

}  // namespace
}  // namespace tessiva
