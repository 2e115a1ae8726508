// The configuration dialog ("/C") of the real program on a real X server: what it draws
// where its controls should be, how keys and clicks reach them (through xdotool, as a user's
// devices deliver them), and what it leaves in the settings file next to the binary.
// Runs with and without a window manager; the places follow TESSIVA_TEST_DPI.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "x_session.h"

namespace tessiva::integration {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

int testDpi() {
    const char* dpi = std::getenv("TESSIVA_TEST_DPI");
    return dpi != nullptr ? std::atoi(dpi) : 96;
}

// A control's place in pixels within the client area, rounded as the program rounds twips.
struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    int centerX() const { return left + width / 2; }
    int centerY() const { return top + height / 2; }
    // Shrunk on every side, so that rounding at the edges can't decide a probe.
    Rect inset(int by) const { return Rect{left + by, top + by, width - 2 * by, height - 2 * by}; }
};

int toPixels(double twips) { return static_cast<int>(std::lround(twips * testDpi() / 1440.0)); }
Rect twips(double left, double top, double width, double height) {
    return Rect{toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}
// Between two places given in twips, where no control is.
Rect spanTwips(double left, double top, double right, double bottom) {
    const int l = toPixels(left), t = toPixels(top);
    return Rect{l, t, toPixels(right) - l, toPixels(bottom) - t};
}

const Rect& cmdOK() { static const Rect r = twips(3840, 2520, 1215, 495); return r; }
const Rect& cmdCancel() { static const Rect r = twips(2520, 2520, 1215, 495); return r; }
const Rect& check1() { static const Rect r = twips(240, 2160, 1215, 375); return r; }
const Rect& label4() { static const Rect r = twips(225, 1680, 4695, 495); return r; }
const Rect& label2() { static const Rect r = twips(600, 240, 3855, 495); return r; }
const Rect& label3() { static const Rect r = twips(1005, 720, 3135, 375); return r; }
const Rect& label1() { static const Rect r = twips(120, 1320, 3015, 375); return r; }

const std::string kSiteAddress = "https://tessiva.example.org/";
const std::string kCodecAddress = "https://tessiva.example.org/codec/";

// A capture of the dialog's client area.
struct Shot {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;

    Rgb at(int px, int py) const { return pixels.at(static_cast<std::size_t>(py * width + px)); }
    int count(const Rect& r, const std::function<bool(Rgb)>& test) const {
        int n = 0;
        for (int py = std::max(r.top, 0); py < std::min(r.bottom(), height); ++py) {
            for (int px = std::max(r.left, 0); px < std::min(r.right(), width); ++px) n += test(at(px, py)) ? 1 : 0;
        }
        return n;
    }
    std::vector<Rgb> region(const Rect& r) const {
        std::vector<Rgb> out;
        for (int py = r.top; py < r.bottom(); ++py) {
            for (int px = r.left; px < r.right(); ++px) out.push_back(at(px, py));
        }
        return out;
    }
    void savePng(const std::string& file) const {
        QImage image(width, height, QImage::Format_RGB32);
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) image.setPixel(px, py, qRgb(at(px, py).r, at(px, py).g, at(px, py).b));
        }
        image.save(QString::fromStdString(file), "PNG");
    }
};

// The links' pure blue, allowing for the edges of smoothed glyphs.
bool isLinkBlue(Rgb p) { return p.b >= 180 && p.r <= 90 && p.g <= 90; }
// Black text on the grey background, again allowing for smoothing, but not the links' blue.
bool isDarkText(Rgb p) { return std::max({p.r, p.g, p.b}) <= 110 && p.b - std::max(p.r, p.g) < 60; }
bool sameColour(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
bool samePixels(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameColour);
}

std::string readText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// A folder of the test's own, removed at the end.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/tessiva-dialog-XXXXXX";
        if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

int xdotool(const std::string& arguments) { return std::system(("xdotool " + arguments).c_str()); }

// One start of the dialog: the program's copy and, once shown, its window.
struct DialogRun {
    ProgramCopy program;
    unsigned long window = 0;

    std::string settings() const { return program.folder() + "/Tessiva.ini"; }
    void store(const std::string& text) const { std::ofstream(settings(), std::ios::binary) << text; }
    bool hasSettings() const { return fs::exists(settings()); }
};

class Dialog : public ::testing::Test {
protected:
    XSession x;
    DialogRun run;

    unsigned long windowTitled(ProgramCopy& program, const std::string& title, std::chrono::milliseconds timeout) {
        unsigned long found = 0;
        XSession::waitUntil(
            [&] {
                for (unsigned long w : x.viewableWindowsOf(program.pid())) {
                    if (x.title(w) == title) found = w;
                }
                return found != 0;
            },
            timeout);
        return found;
    }

    Shot capture(const DialogRun& r) {
        const Geometry g = x.geometry(r.window);
        return Shot{g.width, g.height, x.capture(r.window, g.width, g.height)};
    }

    // Starts "/C" and waits until the dialog is on screen, painted and holding the focus.
    void open(DialogRun& r, const StartOptions& options = {}) {
        r.program.startWith({"/C"}, options);
        r.window = windowTitled(r.program, "Configure", 5000ms);
        ASSERT_NE(r.window, 0u) << "no dialog; stderr: " << r.program.standardError();
        ASSERT_TRUE(XSession::waitUntil([&] { return capture(r).count(label3(), isLinkBlue) > 0; }, 3000ms))
            << "the dialog was never painted";
        ASSERT_TRUE(XSession::waitUntil([&] { return x.hasFocus(r.window); }, 3000ms)) << "the dialog has no focus";
        // Parks the pointer off the dialog, so that no control shows a hover look.
        parkPointer();
    }

    void parkPointer() {
        const std::string corner = std::to_string(x.screenWidth() - 1) + " " + std::to_string(x.screenHeight() - 1);
        ASSERT_EQ(xdotool("mousemove " + corner), 0);
    }

    // Moves the pointer onto the middle of a control, as a user's mouse does, and clicks.
    void click(const DialogRun& r, const Rect& control) {
        const Geometry g = x.geometry(r.window);
        ASSERT_EQ(xdotool("mousemove " + std::to_string(g.x + control.centerX()) + " " +
                          std::to_string(g.y + control.centerY()) + " click 1"),
                  0);
    }

    void keys(const std::string& names) { ASSERT_EQ(xdotool("key " + names), 0) << names; }

    // Lets the program have its time, then checks that it still runs and shows the dialog.
    void expectStaysOpen(DialogRun& r, const std::string& after) {
        std::this_thread::sleep_for(500ms);
        EXPECT_FALSE(r.program.waitForExit(0ms).has_value()) << "ended after " << after;
        EXPECT_TRUE(x.isViewable(r.window)) << "the dialog went away after " << after;
    }

    void expectEndsWithZero(DialogRun& r, const std::string& after) {
        const auto status = r.program.waitForExit(3000ms);
        ASSERT_TRUE(status.has_value()) << "still running after " << after;
        EXPECT_EQ(*status, 0) << r.program.standardError();
    }

    // Nothing but the binary, its stderr and (when saved) the settings: no temporary files.
    void expectFolderHolds(const DialogRun& r, bool withSettings) {
        std::set<std::string> expected{"tessiva", "stderr.txt"};
        if (withSettings) expected.insert("Tessiva.ini");
        EXPECT_EQ(namesIn(r.program.folder()), expected);
    }
};

TEST_F(Dialog, DrawsEachControlWhereItsPlaceSaysAndNothingElsewhere) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    const Shot shot = capture(run);
    if (const char* folder = std::getenv("TESSIVA_SCREENSHOT_DIR"); folder != nullptr && *folder != '\0') {
        fs::create_directories(folder);
        shot.savePng(std::string(folder) + "/dialog.png");
    }
    ASSERT_EQ(shot.width, toPixels(5145));
    ASSERT_EQ(shot.height, toPixels(3150));

    // Where no control lies: above Label2, between Label3 and Label1 (the hidden preview
    // picture's place), below Label4 between the box and Cancel, and right of OK and Label4.
    const Rgb background = shot.at(2, 2);
    EXPECT_GT(background.r, 150) << "the background is not a light grey";
    EXPECT_EQ(background.r, background.g);
    EXPECT_EQ(background.g, background.b);
    const auto isBackground = [&](Rgb p) { return sameColour(p, background); };
    for (const auto& [name, empty] : {std::pair{"top strip", spanTwips(0, 0, 5145, 240)},
                                      std::pair{"between Label3 and Label1", spanTwips(0, 1095, 5145, 1320)},
                                      std::pair{"between the box and Cancel", spanTwips(1455, 2175, 2520, 3150)},
                                      std::pair{"right strip", spanTwips(5055, 0, 5145, 3150)}}) {
        const Rect probe = empty.inset(1);
        EXPECT_EQ(shot.count(probe, isBackground), probe.width * probe.height) << "something drawn in the " << name;
    }

    // The links: blue, underlined, no black text.
    for (const auto& [name, link] : {std::pair{"Label3", label3()}, std::pair{"Label4", label4()}}) {
        SCOPED_TRACE(name);
        EXPECT_GE(shot.count(link, isLinkBlue), 100);
        EXPECT_EQ(shot.count(link, isDarkText), 0);
        // The underline: one row of blue running (nearly) the whole width the blue text spans.
        int leftmost = link.right(), rightmost = link.left;
        for (int py = link.top; py < link.bottom(); ++py) {
            for (int px = link.left; px < link.right(); ++px) {
                if (isLinkBlue(shot.at(px, py))) {
                    leftmost = std::min(leftmost, px);
                    rightmost = std::max(rightmost, px);
                }
            }
        }
        int longestRow = 0;
        for (int py = link.top; py < link.bottom(); ++py) {
            longestRow = std::max(longestRow, shot.count(Rect{link.left, py, link.width, 1}, isLinkBlue));
        }
        EXPECT_GE(longestRow, (rightmost - leftmost) * 9 / 10) << "no underline";
    }

    // The plain labels: dark text, none of the links' blue.
    for (const auto& [name, label] : {std::pair{"Label1", label1()}, std::pair{"Label2", label2()}}) {
        SCOPED_TRACE(name);
        EXPECT_GE(shot.count(label, isDarkText), 100);
        EXPECT_EQ(shot.count(label, isLinkBlue), 0);
    }

    // Buttons: a face and a frame filling their place, unlike the plain background, with a
    // caption of dark text. The box: its square and its caption.
    struct Drawn {
        const char* name;
        Rect place;
        int differentShare;  // at least 1/differentShare of the place unlike the background
    };
    for (const Drawn& control :
         {Drawn{"OK", cmdOK(), 2}, Drawn{"Cancel", cmdCancel(), 2}, Drawn{"Check1", check1(), 10}}) {
        SCOPED_TRACE(control.name);
        const int area = control.place.width * control.place.height;
        EXPECT_GE(area - shot.count(control.place, isBackground), area / control.differentShare);
        EXPECT_GE(shot.count(control.place, isDarkText), 20);
    }
}

TEST_F(Dialog, TheBoxStartsWithTheFocusSoSpaceClearsItAndOkSavesZero) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    ASSERT_NO_FATAL_FAILURE(keys("space"));
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "Space on the box"));
    EXPECT_FALSE(run.hasSettings()) << "Space on the box saved";
    ASSERT_NO_FATAL_FAILURE(click(run, cmdOK()));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "a click on OK"));
    EXPECT_EQ(readText(run.settings()), "[config]\nsound=0\n");
    expectFolderHolds(run, true);
}

TEST_F(Dialog, OneTabMovesToCancelSoSpaceEndsWithoutSaving) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    ASSERT_NO_FATAL_FAILURE(keys("Tab space"));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "Tab, Space"));
    expectFolderHolds(run, false);
}

TEST_F(Dialog, TwoTabsMoveToOkSoSpaceSavesTheUntouchedBox) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    ASSERT_NO_FATAL_FAILURE(keys("Tab Tab space"));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "Tab, Tab, Space"));
    EXPECT_EQ(readText(run.settings()), "[config]\nsound=1\n");
}

TEST_F(Dialog, EnterEscapeLettersAndMouseMovesNeitherEndItNorTouchTheBox) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    // Return and Escape with the focus on each control in turn (the third Tab wraps back to
    // the box): no button is a default or cancel button.
    ASSERT_NO_FATAL_FAILURE(keys("Return Escape KP_Enter Tab Return Escape KP_Enter Tab Return Escape KP_Enter Tab"));
    ASSERT_NO_FATAL_FAILURE(keys("a o c x q"));
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "keys"));
    const Geometry g = x.geometry(run.window);
    ASSERT_EQ(xdotool("mousemove " + std::to_string(g.x + 5) + " " + std::to_string(g.y + 5)), 0);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(xdotool("mousemove_relative 20 20"), 0);
    // And beside the dialog, where its window sees nothing of it.
    const int besideX = g.x + g.width + 30 < x.screenWidth() - 60 ? g.x + g.width + 30 : 5;
    ASSERT_EQ(xdotool("mousemove " + std::to_string(besideX) + " " + std::to_string(g.y + 5) +
                      " mousemove_relative 20 20 mousemove_relative 20 20"),
              0);
    ASSERT_NO_FATAL_FAILURE(parkPointer());
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "mouse moves"));
    EXPECT_FALSE(run.hasSettings());

    // The box is as it started: ticked.
    ASSERT_NO_FATAL_FAILURE(click(run, cmdOK()));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "a click on OK"));
    EXPECT_EQ(readText(run.settings()), "[config]\nsound=1\n");
}

TEST_F(Dialog, StoredValuesShowClearTickedAndGrayedAndOkSavesThemUnchanged) {
    std::vector<std::vector<Rgb>> looks;
    for (const std::string value : {"0", "1", "2"}) {
        SCOPED_TRACE("sound=" + value);
        DialogRun r;
        const std::string text = "[config]\nsound=" + value + "\n";
        r.store(text);
        ASSERT_NO_FATAL_FAILURE(open(r));
        looks.push_back(capture(r).region(check1()));
        ASSERT_NO_FATAL_FAILURE(click(r, cmdOK()));
        ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(r, "a click on OK"));
        EXPECT_EQ(readText(r.settings()), text);
        expectFolderHolds(r, true);
    }
    ASSERT_EQ(looks.size(), 3u);
    EXPECT_FALSE(samePixels(looks[0], looks[1])) << "clear and ticked look alike";
    EXPECT_FALSE(samePixels(looks[2], looks[0])) << "grayed looks clear";
    EXPECT_FALSE(samePixels(looks[2], looks[1])) << "grayed looks ticked";
}

TEST_F(Dialog, OkRewritesOnlyTheSoundLine) {
    for (const std::string lineEnd : {"\n", "\r\n"}) {
        SCOPED_TRACE(lineEnd == "\n" ? "LF" : "CRLF");
        DialogRun r;
        const auto file = [&](const char* sound) {
            return "; settings of the screensaver, kept by hand" + lineEnd + "[config]" + lineEnd +
                   "path=/home/someone/My Clips/" + lineEnd + "sound=" + sound + lineEnd + "; volume comes later" +
                   lineEnd + lineEnd + "[other]" + lineEnd + "sound=0" + lineEnd;
        };
        r.store(file("0"));
        ASSERT_NO_FATAL_FAILURE(open(r));
        ASSERT_NO_FATAL_FAILURE(keys("space"));  // ticks the box
        ASSERT_NO_FATAL_FAILURE(click(r, cmdOK()));
        ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(r, "a click on OK"));
        EXPECT_EQ(readText(r.settings()), file("1"));
        expectFolderHolds(r, true);
    }
}

TEST_F(Dialog, CancelEndsWithoutSavingAndLeavesAStoredFileAlone) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    ASSERT_NO_FATAL_FAILURE(keys("space"));
    ASSERT_NO_FATAL_FAILURE(click(run, cmdCancel()));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "a click on Cancel"));
    expectFolderHolds(run, false);

    DialogRun stored;
    const std::string text = "[config]\r\nsound=2\r\n";
    stored.store(text);
    ASSERT_NO_FATAL_FAILURE(open(stored));
    ASSERT_NO_FATAL_FAILURE(keys("space"));
    ASSERT_NO_FATAL_FAILURE(click(stored, cmdCancel()));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(stored, "a click on Cancel"));
    EXPECT_EQ(readText(stored.settings()), text);
    expectFolderHolds(stored, true);
}

TEST_F(Dialog, AFailedSaveIsReportedAndTheDialogStaysOpen) {
    // Root ignores permissions, so as root the program runs as nobody, in a folder of its own
    // (another user's folder would send the save to nobody's own settings file); either way
    // the folder can be read and entered but not written.
    StartOptions options;
    options.asNobody = geteuid() == 0;
    if (const passwd* nobody = getpwnam("nobody"); options.asNobody && nobody != nullptr) {
        ASSERT_EQ(chown(run.program.folder().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    fs::permissions(run.program.folder(), fs::perms(0555));
    ASSERT_NO_FATAL_FAILURE(open(run, options));
    ASSERT_NO_FATAL_FAILURE(click(run, cmdOK()));

    const unsigned long box = windowTitled(run.program, "Tessiva", 5000ms);
    ASSERT_NE(box, 0u) << "no message box; stderr: " << run.program.standardError();
    EXPECT_TRUE(x.isViewable(run.window));
    EXPECT_FALSE(run.program.waitForExit(200ms).has_value()) << "ended with the box up";
    ASSERT_TRUE(XSession::waitUntil([&] { return x.hasFocus(box); }, 3000ms)) << "the box has no focus";
    ASSERT_NO_FATAL_FAILURE(keys("Return"));
    EXPECT_TRUE(XSession::waitUntil([&] { return !x.isViewable(box); }, 3000ms)) << "Return left the box up";
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "the box was dismissed"));
    expectFolderHolds(run, false);

    // The dialog still answers: once the folder can be written, OK saves and ends.
    fs::permissions(run.program.folder(), fs::perms(0755));
    ASSERT_NO_FATAL_FAILURE(click(run, cmdOK()));
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "a second click on OK"));
    EXPECT_EQ(readText(run.settings()), "[config]\nsound=1\n");
}

TEST_F(Dialog, EachLinkStartsTheOpenerWithItsAddressAndTheDialogStaysOpen) {
    TempFolder bin;
    const std::string record = bin.path() + "/opened.txt";
    {
        std::ofstream script(bin.path() + "/xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << record << "'\n";
    }
    fs::permissions(bin.path() + "/xdg-open", fs::perms(0755));
    StartOptions options;
    const char* path = std::getenv("PATH");
    options.environment = {{"PATH", bin.path() + ":" + (path != nullptr ? path : "/usr/bin:/bin")}};
    ASSERT_NO_FATAL_FAILURE(open(run, options));

    ASSERT_NO_FATAL_FAILURE(click(run, label3()));
    EXPECT_TRUE(XSession::waitUntil([&] { return readText(record) == kSiteAddress + "\n"; }, 3000ms))
        << "opened: " << readText(record);
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "a click on Label3"));

    ASSERT_NO_FATAL_FAILURE(click(run, label4()));
    EXPECT_TRUE(
        XSession::waitUntil([&] { return readText(record) == kSiteAddress + "\n" + kCodecAddress + "\n"; }, 3000ms))
        << "opened: " << readText(record);
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "a click on Label4"));
    EXPECT_EQ(x.viewableWindowsOf(run.program.pid()).size(), 1u);
    expectFolderHolds(run, false);
}

TEST_F(Dialog, WithoutAnOpenerALinkClickChangesNothing) {
    TempFolder empty;
    StartOptions options;
    options.environment = {{"PATH", empty.path()}};
    ASSERT_NO_FATAL_FAILURE(open(run, options));
    const Shot before = capture(run);
    ASSERT_NO_FATAL_FAILURE(click(run, label3()));
    ASSERT_NO_FATAL_FAILURE(click(run, label4()));
    ASSERT_NO_FATAL_FAILURE(parkPointer());
    ASSERT_NO_FATAL_FAILURE(expectStaysOpen(run, "link clicks"));
    EXPECT_EQ(x.viewableWindowsOf(run.program.pid()).size(), 1u) << "another window came up";
    EXPECT_TRUE(samePixels(capture(run).pixels, before.pixels)) << "the dialog's look changed";
    expectFolderHolds(run, false);
}

TEST_F(Dialog, ClosingThroughTheWindowManagerEndsWithoutSaving) {
    ASSERT_NO_FATAL_FAILURE(open(run));
    ASSERT_NO_FATAL_FAILURE(keys("space"));
    x.requestClose(run.window);
    ASSERT_NO_FATAL_FAILURE(expectEndsWithZero(run, "WM_DELETE_WINDOW"));
    expectFolderHolds(run, false);
}

TEST_F(Dialog, AStoredValueTheBoxCannotTakeIsReportedBeforeTheDialogShows) {
    struct Case {
        std::string value;
        std::string error;
    };
    for (const Case& c : {Case{"3", "Run-time error '380'"}, Case{"loud", "Run-time error '13'"},
                          Case{"70000", "Run-time error '6'"}, Case{"", "Run-time error '13'"}}) {
        SCOPED_TRACE("sound=" + c.value);
        DialogRun r;
        const std::string text = "[config]\nsound=" + c.value + "\n";
        r.store(text);
        r.program.start({"/C"});
        const unsigned long box = windowTitled(r.program, "Tessiva", 5000ms);
        ASSERT_NE(box, 0u) << "no error box; stderr: " << r.program.standardError();
        EXPECT_EQ(windowTitled(r.program, "Configure", 0ms), 0u) << "the dialog showed";
        const std::string report = r.program.standardError();
        EXPECT_NE(report.find(c.error), std::string::npos) << report;
        for (const std::string& part :
             {r.settings(), std::string("\"sound\""), "\"" + c.value + "\"", std::string("0, 1 or 2")}) {
            EXPECT_NE(report.find(part), std::string::npos) << "no " << part << " in: " << report;
        }
        EXPECT_FALSE(r.program.waitForExit(200ms).has_value()) << "ended before the box was dismissed";
        ASSERT_TRUE(XSession::waitUntil([&] { return x.hasFocus(box); }, 3000ms)) << "the box has no focus";
        ASSERT_NO_FATAL_FAILURE(keys("Return"));
        const auto status = r.program.waitForExit(3000ms);
        ASSERT_TRUE(status.has_value()) << "still running after Return";
        EXPECT_EQ(*status, 1);
        EXPECT_EQ(readText(r.settings()), text) << "the bad value was replaced";
    }
}

}  // namespace
}  // namespace tessiva::integration
