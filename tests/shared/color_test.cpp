// The order of a colour's bytes, as it crosses the seam as RGB and reaches the desktop.
#include <gtest/gtest.h>

#include "platform/shared/color.h"

namespace tessiva {
namespace {

TEST(Colour, CrossesAsRgbAndTurnsIntoTheDesktopsOrder) {
    EXPECT_EQ(colorRefFromRgb(0x0000FF), 0x00FF0000u);  // the links' pure blue
    EXPECT_EQ(colorRefFromRgb(0x123456), 0x00563412u);
    EXPECT_EQ(redOf(0x123456), 0x12);
    EXPECT_EQ(blueOf(0x123456), 0x56);
}

}  // namespace
}  // namespace tessiva
