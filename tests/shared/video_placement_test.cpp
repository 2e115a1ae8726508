// Where the video window goes inside its owner, whichever media layer places it.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessiva
