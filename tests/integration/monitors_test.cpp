// The saver on a desktop of two monitors side by side (one Xvfb screen split by RandR, the
// left monitor primary): the video plays on the primary, the other monitor goes black with
// no pointer, and input there ends the saver as it does on the primary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "x_session.h"

namespace tessiva::integration {
namespace {

using namespace std::chrono_literals;

constexpr int kMonitorWidth = 1280;

class Monitors : public ::testing::Test {
protected:
    XSession x;
    ProgramCopy program;

    void SetUp() override {
        const char* monitors = std::getenv("TESSIVA_TEST_MONITORS");
        if (monitors == nullptr || std::string(monitors) != "2") GTEST_SKIP() << "needs run-under-xvfb.sh --two-monitors";
        ASSERT_EQ(x.screenWidth(), 2 * kMonitorWidth);
    }

    // Starts the saver on the sample clip with the pointer resting on the right monitor, and
    // waits until the saver's window has covered the primary.
    unsigned long startSaver() {
        EXPECT_EQ(std::system("xdotool mousemove 1900 360"), 0);
        std::ofstream(program.folder() + "/Tessiva.ini") << "[config]\nsound=0\npath=" TESSIVA_ASSETS_DIR "/\n";
        program.start({"/S"});
        const unsigned long window = x.waitForWindowOf(program.pid(), 5000ms);
        XSession::waitUntil(
            [&] {
                const Geometry g = x.geometry(window);
                return g.width == kMonitorWidth && g.height == x.screenHeight();
            },
            3000ms);
        return window;
    }

    // How many points of a grid over the right monitor are black.
    int blackPointsOnTheRight(int& points) {
        const auto shot = x.capture(x.root(), x.screenWidth(), x.screenHeight());
        int black = 0;
        points = 0;
        for (int py = 10; py < x.screenHeight(); py += 70) {
            for (int px = kMonitorWidth + 5; px < x.screenWidth(); px += 90) {
                const Rgb c = shot.at(static_cast<std::size_t>(py * x.screenWidth() + px));
                ++points;
                black += c.r < 16 && c.g < 16 && c.b < 16;
            }
        }
        return black;
    }

    void expectEndsOn(const char* xdotool) {
        ASSERT_EQ(std::system(xdotool), 0) << xdotool;
        const auto status = program.waitForExit(2000ms);
        ASSERT_TRUE(status.has_value()) << xdotool << " over the right monitor left the saver running";
        EXPECT_EQ(*status, 0);
    }
};

TEST_F(Monitors, TheOtherMonitorIsBlackWithoutAPointerWhileTheVideoPlaysOnThePrimary) {
    const unsigned long window = startSaver();
    ASSERT_NE(window, 0u);
    const Geometry g = x.geometry(window);
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.width, kMonitorWidth);
    int points = 0;
    ASSERT_TRUE(XSession::waitUntil([&] { return blackPointsOnTheRight(points) == points; }, 3000ms))
        << blackPointsOnTheRight(points) << " of " << points << " points black on the right monitor";
    EXPECT_TRUE(x.cursorIsBlank());
    // The primary shows the clip, not black.
    ASSERT_TRUE(XSession::waitUntil(
        [&] {
            const auto shot = x.capture(x.root(), x.screenWidth(), x.screenHeight());
            const Rgb c = shot.at(static_cast<std::size_t>(360 * x.screenWidth() + 640));
            return c.r + c.g + c.b > 60;
        },
        5000ms));
    // It stays so, and the saver stays up.
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(blackPointsOnTheRight(points), points);
    EXPECT_FALSE(program.waitForExit(0ms).has_value());
}

// With the pointer on the other monitor: the mouse watcher ignores the right button, so that
// click can end the saver only through the black window's own events; a key; a movement.
class MonitorsInput : public Monitors, public ::testing::WithParamInterface<const char*> {};

TEST_P(MonitorsInput, OnTheOtherMonitorEndsTheSaver) {
    const unsigned long window = startSaver();
    ASSERT_NE(window, 0u);
    int points = 0;
    ASSERT_TRUE(XSession::waitUntil([&] { return blackPointsOnTheRight(points) == points && x.hasFocus(window); }, 3000ms));
    expectEndsOn(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Each, MonitorsInput,
                         ::testing::Values("xdotool click 3", "xdotool key a", "xdotool mousemove_relative 3 3"));

}  // namespace
}  // namespace tessiva::integration
