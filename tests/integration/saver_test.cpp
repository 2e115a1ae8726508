// The full-screen saver, end to end: the real program plays a real clip on a real X server,
// and real input (through xdotool, as a user's devices would deliver it) ends it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <thread>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "quadrant_clip.h"
#include "x_session.h"

namespace tessiva::integration {
namespace {

using namespace std::chrono_literals;

class Saver : public ::testing::Test {
protected:
    XSession x;
    ProgramCopy program;

    unsigned long startWith(const std::string& clip) { return startSaver(program, clip, false); }

    // The saver up with the quadrant clip, holding the keyboard: its input is watched by then.
    unsigned long startPlaying() {
        const unsigned long window = startWith(quadrantClip());
        if (window != 0) XSession::waitUntil([&] { return x.hasFocus(window); }, 3000ms);
        return window;
    }

    // Puts `clip` (or nothing) where the settings say the clip is, and starts the saver.
    unsigned long startSaver(ProgramCopy& copy, const std::string& clip, bool asFolder) {
        const std::string folder = copy.folder() + "/clips/";
        std::filesystem::create_directories(folder);
        if (asFolder) std::filesystem::create_directories(folder + "vorn.evc");
        else if (!clip.empty()) std::filesystem::copy_file(clip, folder + "vorn.evc");
        std::ofstream(copy.folder() + "/Tessiva.ini") << "[config]\nsound=0\npath=" << folder << "\n";
        copy.start({"/S"});
        // The saver shows itself first and then covers the screen: wait until it does.
        const unsigned long window = x.waitForWindowOf(copy.pid(), 5000ms);
        XSession::waitUntil(
            [&] {
                const Geometry g = x.geometry(window);
                return g.width == x.screenWidth() && g.height == x.screenHeight();
            },
            3000ms);
        return window;
    }

    Rgb pixelAt(int px, int py) {
        const auto shot = x.capture(x.root(), x.screenWidth(), x.screenHeight());
        return shot.at(static_cast<std::size_t>(py * x.screenWidth() + px));
    }

    static bool near(Rgb got, Rgb want) {
        return std::abs(got.r - want.r) < 40 && std::abs(got.g - want.g) < 40 && std::abs(got.b - want.b) < 40;
    }

    void expectEndsOn(const char* xdotool) {
        ASSERT_EQ(std::system(xdotool), 0) << xdotool;
        const auto status = program.waitForExit(2000ms);
        ASSERT_TRUE(status.has_value()) << xdotool << " left the saver running";
        EXPECT_EQ(*status, 0);
    }

    void expectStillRunningAfter(const char* xdotool) {
        ASSERT_EQ(std::system(xdotool), 0) << xdotool;
        EXPECT_FALSE(program.waitForExit(700ms).has_value()) << xdotool << " ended the saver";
    }
};

TEST_F(Saver, ShowsTheWholeClipOverTheScreenAndLoopsIt) {
    ASSERT_FALSE(quadrantClip().empty());
    ASSERT_NE(startWith(quadrantClip()), 0u);
    const int w = x.screenWidth();
    const int h = x.screenHeight();
    // All four quadrants show: the whole frame, not a magnified corner.
    ASSERT_TRUE(XSession::waitUntil(
        [&] {
            return near(pixelAt(w / 4, h / 4), {255, 0, 0}) && near(pixelAt(3 * w / 4, h / 4), {0, 255, 0}) &&
                   near(pixelAt(w / 4, 3 * h / 4), {0, 0, 255}) && near(pixelAt(3 * w / 4, 3 * h / 4), {255, 255, 0});
        },
        5000ms))
        << "quadrants not shown";
    // The marker keeps moving, also after the clip's 3 s: it loops.
    auto markerRow = [&] {
        const auto shot = x.capture(x.root(), w, h);
        std::vector<int> row;
        for (int px = 0; px < w; px += 4) row.push_back(shot[static_cast<std::size_t>((h / 2) * w + px)].g);
        return row;
    };
    for (int second = 0; second < 5; ++second) {
        const auto before = markerRow();
        std::this_thread::sleep_for(150ms);
        EXPECT_NE(before, markerRow()) << "no change at second " << second;
        std::this_thread::sleep_for(850ms);
    }
    EXPECT_TRUE(x.cursorIsBlank());
    EXPECT_FALSE(program.waitForExit(0ms).has_value());
}

// A movement through the watcher, a key that types a character, a right click over the video.
class SaverInput : public Saver, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaverInput, EndsIt) {
    ASSERT_NE(startPlaying(), 0u);
    expectEndsOn(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Each, SaverInput,
                         ::testing::Values("xdotool mousemove_relative 3 3", "xdotool key a", "xdotool click 3"));

TEST_F(Saver, ScrollingAndALoneShiftLeaveItRunning) {
    ASSERT_NE(startPlaying(), 0u);
    expectStillRunningAfter("xdotool click 4");
    expectStillRunningAfter("xdotool click 5");
    expectStillRunningAfter("xdotool key shift");
    expectStillRunningAfter("xdotool key Left");
    expectEndsOn("xdotool key Escape");
}

TEST_F(Saver, ABadClipLeavesABlackScreenThatStillEndsOnInput) {
    const std::string folder = std::filesystem::temp_directory_path() / ("tessiva-bad-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/empty.mp4").close();
    std::ofstream(folder + "/text.mp4") << "this is not a video\n";
    {
        std::ifstream good(quadrantClip(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(good)), std::istreambuf_iterator<char>());
        std::ofstream(folder + "/truncated.mp4", std::ios::binary) << bytes.substr(0, bytes.size() / 3);
    }
    struct Case {
        const char* name;
        std::string clip;
        bool folder;
    };
    for (const Case& c : {Case{"missing", "", false}, Case{"empty", folder + "/empty.mp4", false},
                          Case{"not a video", folder + "/text.mp4", false},
                          Case{"truncated", folder + "/truncated.mp4", false}, Case{"a folder", "", true}}) {
        SCOPED_TRACE(c.name);
        ProgramCopy copy;
        const unsigned long window = startSaver(copy, c.clip, c.folder);
        ASSERT_NE(window, 0u);
        const Geometry g = x.geometry(window);
        EXPECT_EQ(g.width, x.screenWidth());
        EXPECT_EQ(g.height, x.screenHeight());
        std::this_thread::sleep_for(700ms);
        // No error box over the blank screen, and nothing crashed.
        EXPECT_EQ(x.viewableWindowsOf(copy.pid()).size(), 1u);
        EXPECT_FALSE(copy.waitForExit(0ms).has_value());
        EXPECT_TRUE(near(pixelAt(x.screenWidth() / 2, x.screenHeight() / 2), {0, 0, 0}));
        ASSERT_EQ(std::system("xdotool key space"), 0);
        const auto status = copy.waitForExit(2000ms);
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0);
    }
    std::filesystem::remove_all(folder);
}

TEST_F(Saver, ARunTimeErrorReportStaysUpUntilDismissedWhateverTheMouseDoes) {
    // GStreamer without its plugins: no filter graph can be made, so the loop's first Run
    // goes through an unset reference, a run-time error over the full-screen saver.
    const std::string plugins = program.folder() + "/no-plugins";
    std::filesystem::create_directories(plugins);
    std::ofstream(program.folder() + "/Tessiva.ini") << "[config]\nsound=0\npath=" << program.folder() << "/\n";
    StartOptions options;
    options.environment = {{"GST_PLUGIN_SYSTEM_PATH_1_0", plugins},
                           {"GST_PLUGIN_PATH_1_0", plugins},
                           {"GST_REGISTRY_1_0", program.folder() + "/registry.bin"}};
    program.startWith({"/S"}, options);
    ASSERT_TRUE(XSession::waitUntil(
        [&] { return program.standardError().find("Run-time error '91'") != std::string::npos; }, 5000ms))
        << program.standardError();
    ASSERT_TRUE(XSession::waitUntil([&] { return x.viewableWindowsOf(program.pid()).size() >= 2; }, 3000ms))
        << "no report box";
    // Reaching for the box's button: the watcher sees every move, and none may end us.
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(std::system("xdotool mousemove_relative 4 3"), 0);
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_FALSE(program.waitForExit(700ms).has_value()) << "the mouse ended the program under its report";
    ASSERT_EQ(std::system("xdotool key Return"), 0);
    const auto status = program.waitForExit(3000ms);
    ASSERT_TRUE(status.has_value()) << "still running after the report was dismissed";
    EXPECT_EQ(*status, 1);
}

// A window of another client that takes the keyboard (as a new window does under a window
// manager) would get what is typed while the saver, on top, hides it: the saver ends.
TEST_F(Saver, AnotherClientTakingTheKeyboardEndsItAndGetsWhatIsTypedNext) {
    const unsigned long window = startPlaying();
    ASSERT_TRUE(x.hasFocus(window));
    Display* d = x.display();
    const unsigned long intruder = x.createHost(200, 100, 0xffffff);
    XSelectInput(d, intruder, KeyPressMask);
    XSetInputFocus(d, intruder, RevertToParent, CurrentTime);
    XSync(d, False);
    const auto status = program.waitForExit(3000ms);
    ASSERT_TRUE(status.has_value()) << "the saver still runs over a window that has the keyboard";
    EXPECT_EQ(*status, 0);
    ASSERT_EQ(std::system("xdotool key a"), 0);
    XEvent event;
    EXPECT_TRUE(XSession::waitUntil([&] { return XCheckWindowEvent(d, intruder, KeyPressMask, &event) == True; }, 2000ms));
    x.destroy(intruder);
}

// Grabs of other clients (a screenshot tool's pointer, a window manager's key binding) take
// no window's place, and the focus on one of the saver's own windows (a black cover) is
// still the saver's.
TEST_F(Saver, GrabsOfOtherClientsAndFocusOnItsOwnWindowsLeaveItRunning) {
    const unsigned long window = startPlaying();
    ASSERT_TRUE(x.hasFocus(window));
    Display* d = x.display();
    ASSERT_EQ(XGrabPointer(d, x.root(), False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    ASSERT_EQ(XGrabKeyboard(d, x.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XSync(d, False);
    EXPECT_FALSE(program.waitForExit(700ms).has_value()) << "another client's grab ended the saver";
    XUngrabKeyboard(d, CurrentTime);
    XUngrabPointer(d, CurrentTime);
    XSync(d, False);
    for (const unsigned long own : x.viewableWindowsOf(program.pid())) {
        if (own == window) continue;
        XSetInputFocus(d, own, RevertToParent, CurrentTime);
        XSync(d, False);
        EXPECT_FALSE(program.waitForExit(700ms).has_value()) << "the focus on the saver's own window ended it";
    }
    expectEndsOn("xdotool key a");
}

TEST_F(Saver, AWindowClosedByTheWindowManagerEndsQuietly) {
    const unsigned long window = startPlaying();
    ASSERT_NE(window, 0u);
    x.requestClose(window);
    const auto status = program.waitForExit(3000ms);
    ASSERT_TRUE(status.has_value()) << "still running after the close";
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(program.standardError().find("Run-time error"), std::string::npos) << program.standardError();
}

}  // namespace
}  // namespace tessiva::integration
