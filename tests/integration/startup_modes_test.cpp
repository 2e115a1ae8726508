// The real program on a real X server, in each display mode, started from a copy of the
// binary the way a screensaver host starts it. Runs with and without a window manager and
// at 96 and 144 DPI (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "child_process.h"
#include "x_session.h"

namespace tessiva::integration {
namespace {

using namespace std::chrono_literals;

int testDpi() {
    const char* dpi = std::getenv("TESSIVA_TEST_DPI");
    return dpi != nullptr ? std::atoi(dpi) : 96;
}

int twipsToPixels(double twips) { return static_cast<int>(std::lround(twips * testDpi() / 1440.0)); }

// Sets Xft.dpi the way a desktop's X resources carry it, before any program of ours starts.
class DpiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        XSession x;
        x.setResources("Xft.dpi:\t" + std::to_string(testDpi()) + "\n");
    }
};
const auto* const g_dpi = ::testing::AddGlobalTestEnvironment(new DpiEnvironment);

class StartupModes : public ::testing::Test {
protected:
    XSession x;
    ProgramCopy program;

    unsigned long waitForWindow() { return x.waitForWindowOf(program.pid(), 5000ms); }

    void expectEndsAtOnceWithoutAWindow(const std::vector<std::string>& arguments) {
        ProgramCopy copy;
        x.startCountingMaps();
        copy.start(arguments);
        const auto status = copy.waitForExit(3000ms);
        ASSERT_TRUE(status.has_value()) << "still running";
        EXPECT_EQ(*status, 0);
        EXPECT_EQ(x.mapsCounted(), 0) << "a window was shown";
    }
};

TEST_F(StartupModes, SaverCoversTheScreenWithoutFrameAndHoldsTheFocus) {
    program.start({"/S"});
    const unsigned long window = waitForWindow();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(XSession::waitUntil(
        [&] {
            const Geometry g = x.geometry(window);
            return g.x == 0 && g.y == 0 && g.width == x.screenWidth() && g.height == x.screenHeight();
        },
        3000ms))
        << "geometry " << x.geometry(window).width << "x" << x.geometry(window).height << "+" << x.geometry(window).x
        << "+" << x.geometry(window).y;
    for (int extent : x.frameExtents(window)) EXPECT_EQ(extent, 0);
    EXPECT_TRUE(XSession::waitUntil([&] { return x.hasFocus(window); }, 3000ms));
    if (std::string(std::getenv("TESSIVA_TEST_WM") ? std::getenv("TESSIVA_TEST_WM") : "") == "yes") {
        // Told to the window manager, so that it keeps the saver above panels. The manager
        // sets the state a moment after the window has its place, on a busy machine later.
        const auto has = [&](const char* atom) {
            const auto state = x.netWmState(window);
            return std::find(state.begin(), state.end(), atom) != state.end();
        };
        EXPECT_TRUE(XSession::waitUntil([&] { return has("_NET_WM_STATE_FULLSCREEN"); }, 3000ms));
        EXPECT_TRUE(XSession::waitUntil([&] { return has("_NET_WM_STATE_ABOVE"); }, 3000ms));
    }
    EXPECT_FALSE(program.waitForExit(0ms).has_value());
}

TEST_F(StartupModes, ConfigurationShowsTheWindowAtItsDesignSize) {
    program.start({"/c:123"});
    const unsigned long window = waitForWindow();
    ASSERT_NE(window, 0u);
    const Geometry g = x.geometry(window);
    EXPECT_EQ(g.width, twipsToPixels(5145));
    EXPECT_EQ(g.height, twipsToPixels(3150));
}

class Preview : public StartupModes, public ::testing::WithParamInterface<int> {
protected:
    std::vector<std::string> switchFor(unsigned long host) {
        switch (GetParam()) {
        case 0: return {"/P", std::to_string(host)};
        case 1: return {"/p:" + std::to_string(host)};
        default: return {"/p 0x" + [&] {
                             char hex[32];
                             std::snprintf(hex, sizeof hex, "%lx", host);
                             return std::string(hex);
                         }()};
        }
    }
};

TEST_P(Preview, EmbedsAsAnUnfocusedChildShowingTheStillPicture) {
    const unsigned long host = x.createHost(200, 150, 0xFF00FF);
    program.start(switchFor(host));
    unsigned long child = 0;
    ASSERT_TRUE(XSession::waitUntil(
        [&] {
            const auto kids = x.children(host);
            if (kids.size() != 1 || !x.isViewable(kids.front())) return false;
            child = kids.front();
            return true;
        },
        5000ms));
    const Geometry hostAt = x.geometry(host);
    const Geometry childAt = x.geometry(child);
    EXPECT_EQ(childAt.x, hostAt.x);
    EXPECT_EQ(childAt.y, hostAt.y);
    EXPECT_EQ(childAt.width, 200);
    EXPECT_EQ(childAt.height, 150);
    EXPECT_FALSE(x.hasFocus(child));

    // The still picture sits in the host's top-left corner at its own size.
    const QImage expected(QStringLiteral(TESSIVA_ASSETS_DIR "/preview.jpg"));
    ASSERT_EQ(expected.width(), 153);
    double difference = 0;
    ASSERT_TRUE(XSession::waitUntil(
        [&] {
            const auto shot = x.capture(host, 153, 115);
            if (shot.size() != 153u * 115u) return false;
            double sum = 0;
            for (int y = 0; y < 115; ++y) {
                for (int px = 0; px < 153; ++px) {
                    const QRgb want = expected.pixel(px, y);
                    const Rgb got = shot[static_cast<std::size_t>(y * 153 + px)];
                    sum += std::abs(got.r - qRed(want)) + std::abs(got.g - qGreen(want)) + std::abs(got.b - qBlue(want));
                }
            }
            difference = sum / (153.0 * 115.0 * 3.0);
            return difference < 4.0;
        },
        3000ms))
        << "mean difference per channel " << difference;

    // Destroying the host ends the preview, through the Unload handler, within a second.
    x.destroy(host);
    const auto status = program.waitForExit(1000ms);
    ASSERT_TRUE(status.has_value()) << "still running a second after the host went away";
    EXPECT_EQ(*status, 0);
}

INSTANTIATE_TEST_SUITE_P(SwitchForms, Preview, ::testing::Values(0, 1, 2));

TEST_F(StartupModes, PreviewOfAWindowThatDoesNotExistEndsAtOnce) {
    const unsigned long gone = x.createHost(50, 50, 0);
    x.destroy(gone);
    // A destroyed window, and 0, which names no window at all.
    for (const std::string& handle : {std::to_string(gone), std::string("0")}) {
        SCOPED_TRACE(handle);
        ProgramCopy copy;
        copy.start({"/p", handle});
        const auto status = copy.waitForExit(3000ms);
        ASSERT_TRUE(status.has_value()) << "an invisible preview stayed alive";
        EXPECT_EQ(*status, 0);
    }
}

TEST_F(StartupModes, OtherCommandLinesEndAtOnceWithoutAWindow) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {""}, {"/A"}, {"-s"}, {"S"}, {"-reverse"}, {"-platform", "offscreen", "/S"}}) {
        SCOPED_TRACE(arguments.empty() ? std::string("(none)") : arguments.front());
        expectEndsAtOnceWithoutAWindow(arguments);
    }
}

TEST_F(StartupModes, BadPreviewSwitchesReportTheErrorAndExitWithOne) {
    struct Case {
        const char* line;
        const char* report;
    };
    for (const Case c : {Case{"/P", "Run-time error '5'"}, Case{"/PX", "Run-time error '13'"}}) {
        SCOPED_TRACE(c.line);
        ProgramCopy copy;
        copy.start({c.line});
        unsigned long box = 0;
        ASSERT_TRUE(XSession::waitUntil(
            [&] {
                for (unsigned long w : x.viewableWindowsOf(copy.pid())) {
                    if (x.title(w) == "Tessiva") box = w;
                }
                return box != 0;
            },
            5000ms));
        EXPECT_NE(copy.standardError().find(c.report), std::string::npos) << copy.standardError();
        EXPECT_FALSE(copy.waitForExit(200ms).has_value()) << "ended before the box was dismissed";
        ASSERT_TRUE(XSession::waitUntil([&] { return x.hasFocus(box); }, 3000ms)) << "the box has no focus";
        ASSERT_EQ(std::system("xdotool key Return"), 0);
        const auto status = copy.waitForExit(3000ms);
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 1);
    }
}

TEST_F(StartupModes, NoDisplayIsAClearErrorNotAnAbort) {
    program.start({"/S"}, /*unsetDisplay=*/true);
    auto status = program.waitForExit(3000ms);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1);
    EXPECT_NE(program.standardError().find("DISPLAY"), std::string::npos) << program.standardError();

    ProgramCopy other;
    other.start({"/S"}, false, ":4711");
    status = other.waitForExit(3000ms);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1);
    EXPECT_NE(other.standardError().find("cannot open the X display"), std::string::npos) << other.standardError();
}

}  // namespace
}  // namespace tessiva::integration
