#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/linux/x11/xinput/raw_mouse_watcher.h"

namespace tessiva {
namespace {

// A raw event carries only the valuators in its mask, packed: y alone sits where x would.
TEST(RawMotionAxes, ReadsXAndYFromThePackedValuators) {
    struct Case {
        std::vector<unsigned char> mask;
        std::vector<double> values;
        std::pair<double, double> expected;
    };
    const Case cases[] = {
        {{0x03}, {3, 4}, {3, 4}},
        {{0x02}, {7}, {0, 7}},
        {{0x01}, {-2}, {-2, 0}},
        {{0x0D}, {5, 1, 1}, {5, 0}},  // x, then scroll valuators 2 and 3
        {{0x0C}, {1, 1}, {0, 0}},      // scrolling alone
        {{}, {}, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rawMotionAxes(c.mask, c.values.data()), c.expected) << int(c.mask.empty() ? 0 : c.mask[0]);
    }
}

}  // namespace
}  // namespace tessiva
