// Which monitors go black while the saver runs, whichever forms layer makes the covers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/shared/monitor_cover.h"

namespace tessiva {
namespace {

TEST(MonitorCover, EveryMonitorTheSaverDoesNotHoldWholeGoesBlackOnce) {
    const PixelRect saver{0, 0, 1280, 720};
    const PixelRect primary{0, 0, 1280, 720}, right{1280, 0, 1920, 1080}, left{-1024, 0, 1024, 768};
    EXPECT_TRUE(monitorsToCover({primary}, saver).empty());
    EXPECT_TRUE(monitorsToCover({}, saver).empty());
    EXPECT_EQ(monitorsToCover({primary, right, left}, saver), (std::vector<PixelRect>{right, left}));
    // Mirrored monitors come once; one that lies inside the primary needs nothing.
    EXPECT_EQ(monitorsToCover({right, primary, right, PixelRect{0, 0, 640, 480}}, saver),
              (std::vector<PixelRect>{right}));
    // A primary monitor away from the origin: the saver covers whatever lies at 0, 0, so the
    // primary itself, and a monitor the saver only partly covers, get a black window.
    const PixelRect farPrimary{1280, 0, 1280, 720}, straddling{640, 0, 1280, 720};
    EXPECT_EQ(monitorsToCover({primary, farPrimary}, saver), (std::vector<PixelRect>{farPrimary}));
    EXPECT_EQ(monitorsToCover({straddling}, saver), (std::vector<PixelRect>{straddling}));
    EXPECT_TRUE(monitorsToCover({PixelRect{1280, 0, 0, 720}}, saver).empty());
}

}  // namespace
}  // namespace tessiva
