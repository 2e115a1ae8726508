// The sound side's level conversions, without a pipeline.
#include <gtest/gtest.h>

#include "platform/linux/gst/audio_levels.h"

namespace tessiva {
namespace {

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

}  // namespace
}  // namespace tessiva
