// What the seam's shared rules answer, whichever layer uses them: where the video window
// goes, which monitors go black, what a graph without a clip says, and the order of a
// colour's bytes.
#include <gtest/gtest.h>

#include "platform/shared/color.h"
#include "platform/shared/empty_graph.h"
#include "platform/shared/monitor_cover.h"
#include "platform/shared/video_placement.h"

namespace tessiva {
namespace {

TEST(VideoPlacement, TheRequestIsClippedToTheOwnerUnlessFullScreen) {
    // The program's request in twips for a 1280x720 screen, taken as pixels.
    EXPECT_EQ(placeVideo(PixelRect{0, 0, 19200, 10800}, 1280, 720, false), (PixelRect{0, 0, 1280, 720}));
    EXPECT_EQ(placeVideo(PixelRect{-100, -50, 300, 200}, 1280, 720, false), (PixelRect{0, 0, 200, 150}));
    EXPECT_EQ(placeVideo(PixelRect{1200, 700, 300, 200}, 1280, 720, false), (PixelRect{1200, 700, 80, 20}));
    EXPECT_TRUE(placeVideo(PixelRect{2000, 0, 100, 100}, 1280, 720, false).empty());
    EXPECT_TRUE(placeVideo(PixelRect{-200, 0, 100, 100}, 1280, 720, false).empty());
    EXPECT_EQ(placeVideo(PixelRect{-kUnbounded, -kUnbounded, 2 * kUnbounded, 2 * kUnbounded}, 640, 480, false),
              (PixelRect{0, 0, 640, 480}));
    EXPECT_EQ(placeVideo(PixelRect{5000, 5000, 0, 0}, 640, 480, true), (PixelRect{0, 0, 640, 480}));
}

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

TEST(EmptyGraph, AnswersZeroAndSucceedsWhereTheFrameworkWouldFail) {
    const auto refuses = [](double& value) {
        value = 99.0;
        return Status::failure(Status::kNotImplemented, "DirectShow: get_Duration");
    };
    double seconds = -1.0;
    EXPECT_TRUE(empty_graph::seconds(false, seconds, refuses).ok());
    EXPECT_EQ(seconds, 0.0);
    // With a clip, the framework's own answer stands, failures included.
    EXPECT_EQ(empty_graph::seconds(true, seconds, refuses).code(), Status::kNotImplemented);
    int runs = 0;
    const auto run = [&] {
        ++runs;
        return Status::failure("DirectShow: Run");
    };
    EXPECT_TRUE(empty_graph::control(false, run).ok());
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(empty_graph::control(true, run).ok());
    EXPECT_EQ(runs, 1);
}

TEST(Colour, CrossesAsRgbAndTurnsIntoTheDesktopsOrder) {
    EXPECT_EQ(colorRefFromRgb(0x0000FF), 0x00FF0000u);  // the links' pure blue
    EXPECT_EQ(colorRefFromRgb(0x123456), 0x00563412u);
    EXPECT_EQ(redOf(0x123456), 0x12);
    EXPECT_EQ(blueOf(0x123456), 0x56);
}

}  // namespace
}  // namespace tessiva
