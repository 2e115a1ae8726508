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

// putTop, putLeft, putWidth and putHeight each change one number; a negative size changes none.
TEST(VideoPlacement, EachPutChangesOneNumberAndANegativeSizeIsRefused) {
    PixelRect request = kWholeOwner;
    EXPECT_TRUE(changeRequest(request, &PixelRect::top, -5, "Layer").ok());
    EXPECT_TRUE(changeRequest(request, &PixelRect::left, 7, "Layer").ok());
    EXPECT_TRUE(changeRequest(request, &PixelRect::width, 0, "Layer").ok());
    EXPECT_EQ(request, (PixelRect{7, -5, 0, kUnbounded}));
    for (const RequestNumber size : {&PixelRect::width, &PixelRect::height}) {
        const Status refused = changeRequest(request, size, -1, "Layer");
        EXPECT_EQ(refused.code(), Status::kInvalidArgument);
        EXPECT_EQ(refused.message(), "Layer: the video window can't have a negative size");
    }
    EXPECT_EQ(request, (PixelRect{7, -5, 0, kUnbounded}));
}

// The clip's own frame in a buffer the compositor stretches over the whole owner.
TEST(VideoPlacement, AScaledPictureHoldsTheFrameAtItsOwnSizeWhereThePlaceTakesIt) {
    // The 720p clip over a 4K screen: the buffer is the frame.
    ScaledPicture picture = scalePicture(3840, 2160, PixelRect{0, 0, 3840, 2160}, 1280, 720);
    EXPECT_EQ(picture.width, 1280);
    EXPECT_EQ(picture.height, 720);
    EXPECT_EQ(picture.frame, (PixelRect{0, 0, 1280, 720}));

    // A 4:3 clip on a 16:9 screen: bars either side, inside the place.
    picture = scalePicture(1920, 1080, PixelRect{0, 0, 1920, 1080}, 320, 240);
    EXPECT_EQ(picture.width, 427);  // 1920 / 4.5
    EXPECT_EQ(picture.height, 240);
    EXPECT_EQ(picture.room, (PixelRect{0, 0, 427, 240}));
    EXPECT_EQ(picture.frame, (PixelRect{53, 0, 320, 240}));

    // A place smaller than the owner: the form shows around the room, at the same scale.
    picture = scalePicture(1280, 720, PixelRect{640, 360, 640, 360}, 1280, 720);
    EXPECT_EQ(picture.width, 2560);
    EXPECT_EQ(picture.height, 1440);
    EXPECT_EQ(picture.frame, (PixelRect{1280, 720, 1280, 720}));

    // Where the compositor doesn't scale, the frame comes at its place's size: a buffer of
    // the owner's size.
    picture = scalePicture(1366, 768, PixelRect{0, 0, 1366, 768}, 1366, 768);
    EXPECT_EQ(picture.width, 1366);
    EXPECT_EQ(picture.frame, (PixelRect{0, 0, 1366, 768}));

    // Rounding never puts the frame past the buffer's edge.
    picture = scalePicture(1366, 768, PixelRect{0, 0, 1366, 768}, 1280, 720);
    EXPECT_GE(picture.width, picture.frame.left + 1280);
    EXPECT_GE(picture.height, picture.frame.top + 720);

    EXPECT_EQ(scalePicture(1280, 720, PixelRect{}, 1280, 720).width, 0) << "nothing of the video shows";
    EXPECT_EQ(scalePicture(0, 0, PixelRect{0, 0, 10, 10}, 1280, 720).width, 0);
}

}  // namespace
}  // namespace tessiva
