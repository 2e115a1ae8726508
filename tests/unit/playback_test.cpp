// The media graph's two methods and the looping playback driver, against a recording fake.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "fakes/fake_platform.h"
#include "platform/runtime_error.h"
#include "window/form1.h"
#include "window/form1_definition.h"

namespace tessiva {
namespace {

using fakes::CallLog;
using fakes::FakePlatform;
using fakes::ProgramEnded;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A loaded configuration-mode window: a Form1 with a window and no graph of its own yet.
struct Graph {
    FakePlatform fake;
    ModeFlags flags{kFalse, kTrue};
    Form1 form{fake.platform, flags};

    Graph() {
        fake.forms.load(form1Definition(), form);
        fake.log.clear();
    }
    void soundSetting(const std::string& value) { fake.profile.files["/opt/tessiva\\Tessiva.ini"]["config/sound"] = value; }
    CallLog open() {
        form.OpenDShowFile("/clips/vorn.evc");
        CallLog calls;
        for (const auto& line : fake.log) {
            if (line.rfind("ReadProfile", 0) != 0) calls.push_back(line);
        }
        return calls;
    }
};

const std::string kHandle = std::to_string(fakes::kFakeWindowHandle);

const CallLog kAllSteps = {"CreateGraph", "Render /clips/vorn.evc", "QueryAudio", "Volume 0", "Balance 0",
                           "QueryVideo", "WindowStyle 268435456", "VideoTop 0", "VideoLeft 0", "VideoWidth 5145",
                           "VideoHeight 3150", "Owner " + kHandle, "FullScreen 1", "QueryPosition", "Rate 1.000000"};

CallLog without(CallLog calls, std::initializer_list<std::string> gone) {
    for (const auto& g : gone) calls.erase(std::remove(calls.begin(), calls.end(), g), calls.end());
    return calls;
}

TEST(OpenDShowFile, RunsEveryStepInOrderAndLeavesAnOpenGraph) {
    Graph g;
    EXPECT_THAT(g.open(), ElementsAreArray(kAllSteps));
    EXPECT_TRUE(g.form.MediaControl && g.form.BasicAudio && g.form.VideoWindow && g.form.MediaPosition);
}

TEST(OpenDShowFile, SoundIsOnOnlyForASettingEqualToOne) {
    struct Case {
        const char* stored;  // nullptr: no key at all
        const char* volume;
    };
    for (const Case c : {Case{nullptr, "Volume 0"}, Case{"1", "Volume 0"}, Case{" 1 ", "Volume 0"}, Case{"1.0", "Volume 0"},
                         Case{"0", "Volume -10000"}, Case{"2", "Volume -10000"}, Case{"0.5", "Volume -10000"},
                         Case{"-1", "Volume -10000"}, Case{"", "Volume 0"}, Case{"loud", "Volume 0"}}) {
        Graph g;
        if (c.stored != nullptr) g.soundSetting(c.stored);
        const CallLog calls = g.open();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), c.volume), 1) << (c.stored ? c.stored : "(missing)");
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Balance 0"), 1);
        EXPECT_EQ(calls.back(), "Rate 1.000000");
    }
}

TEST(OpenDShowFile, AFailingStepIsSkippedAndTheNextOneRuns) {
    for (const char* failing : {"Render", "Volume", "Balance", "WindowStyle", "VideoTop", "VideoWidth", "Owner",
                                "FullScreen", "QueryAudio", "QueryVideo", "QueryPosition"}) {
        Graph g;
        g.fake.media.script.failing.insert(failing);
        const CallLog calls = g.open();
        // A failed query leaves its reference unset, so every call through it fails unseen.
        CallLog expected = kAllSteps;
        if (std::string(failing) == "QueryAudio") expected = without(expected, {"Volume 0", "Balance 0"});
        if (std::string(failing) == "QueryVideo") {
            expected = without(expected, {"WindowStyle 268435456", "VideoTop 0", "VideoLeft 0", "VideoWidth 5145",
                                          "VideoHeight 3150", "Owner " + kHandle, "FullScreen 1"});
        }
        if (std::string(failing) == "QueryPosition") expected = without(expected, {"Rate 1.000000"});
        EXPECT_THAT(calls, ElementsAreArray(expected)) << failing;
    }
}

TEST(OpenDShowFile, WithoutAGraphEveryStepFailsQuietlyButTheSettingIsStillRead) {
    Graph g;
    g.fake.media.script.failing.insert("CreateGraph");
    g.form.OpenDShowFile("/clips/vorn.evc");
    EXPECT_THAT(g.fake.log, ElementsAre("CreateGraph", "ReadProfile /opt/tessiva\\Tessiva.ini config sound"));
    EXPECT_FALSE(g.form.MediaControl || g.form.BasicAudio || g.form.VideoWindow || g.form.MediaPosition);
}

TEST(OpenDShowFile, TheInnerSizeGoesOverInTwipsRoundedHalfToEven) {
    for (const auto& [scale, passed] : {std::pair{959.5, "960"}, std::pair{960.5, "960"}, std::pair{961.5, "962"}}) {
        Graph g;
        g.fake.forms.window->clientWidth = scale;
        g.fake.forms.window->clientHeight = scale;
        const CallLog calls = g.open();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("VideoWidth ") + passed), 1) << scale;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("VideoHeight ") + passed), 1) << scale;
    }
}

TEST(RemoveDShow, StopsDisownsAndReleasesTheGraph) {
    Graph g;
    g.open();
    g.fake.log.clear();
    g.form.RemoveDShow();
    EXPECT_THAT(g.fake.log, ElementsAre("Stop", "Owner 0"));
    EXPECT_FALSE(g.form.MediaControl || g.form.BasicAudio || g.form.VideoWindow || g.form.MediaPosition);
    EXPECT_TRUE(g.fake.media.lastGraph.expired());
}

TEST(RemoveDShow, GivesUpAtTheFirstFailureKeepingTheRest) {
    Graph g;
    g.open();
    g.fake.media.script.failing.insert("Stop");
    g.fake.log.clear();
    g.form.RemoveDShow();
    EXPECT_THAT(g.fake.log, ElementsAre("Stop"));
    EXPECT_TRUE(g.form.MediaControl && g.form.BasicAudio && g.form.VideoWindow && g.form.MediaPosition);

    Graph h;
    h.open();
    h.fake.media.script.failing.insert("Owner");
    h.form.RemoveDShow();
    EXPECT_TRUE(h.form.MediaControl && h.form.VideoWindow);
}

TEST(RemoveDShow, AnEmptyGraphIsLeftAlone) {
    Graph g;
    g.form.RemoveDShow();
    EXPECT_TRUE(g.fake.log.empty());
}

// Runs the driver over a scripted series of positions, one per pass, and counts rewinds.
int rewindsFor(double duration, std::initializer_list<double> positions) {
    Graph g;
    g.open();
    g.fake.media.script.duration = duration;
    g.fake.media.script.positions = positions;
    g.fake.forms.endAtYield = static_cast<int>(positions.size());
    g.fake.log.clear();
    VBBool running = kTrue;
    EXPECT_THROW(g.form.RunPlaybackLoop(running), ProgramEnded);
    EXPECT_EQ(g.fake.log.front(), "Run");
    int rewinds = 0;
    for (std::size_t i = 0; i + 1 < g.fake.log.size(); ++i) {
        if (g.fake.log[i] == "Seek 0.000000") {
            EXPECT_EQ(g.fake.log[i + 1], "Run");  // a rewind is exactly these two calls
            ++rewinds;
        }
    }
    return rewinds;
}

TEST(PlaybackLoop, RewindsWhenThePositionRoundsToTheDuration) {
    EXPECT_EQ(rewindsFor(10.0, {9.49}), 0);
    EXPECT_EQ(rewindsFor(10.0, {9.5}), 1);
    EXPECT_EQ(rewindsFor(11.0, {10.5}), 0);
    EXPECT_EQ(rewindsFor(11.0, {10.51}), 1);
    EXPECT_EQ(rewindsFor(10.4, {9.49, 9.5}), 1);
    EXPECT_EQ(rewindsFor(10.6, {10.5, 10.5001}), 1);
    EXPECT_EQ(rewindsFor(2.5, {1.49, 1.5}), 1);
    EXPECT_EQ(rewindsFor(3.5, {3.4, 3.49, 3.5}), 1);
    EXPECT_EQ(rewindsFor(0.4, {0.0, 0.1, 0.3}), 3);
    EXPECT_EQ(rewindsFor(7.3, {7.3}), 1);
    EXPECT_EQ(rewindsFor(20.0, {0.0}), 0);
}

// What the loop allowed each of its yields to wait, over scripted positions, one per pass.
std::vector<std::chrono::milliseconds> waitsFor(double duration, std::initializer_list<double> positions) {
    Graph g;
    g.open();
    g.fake.media.script.duration = duration;
    g.fake.media.script.positions = positions;
    g.fake.forms.endAtYield = static_cast<int>(positions.size());
    VBBool running = kTrue;
    EXPECT_THROW(g.form.RunPlaybackLoop(running), ProgramEnded);
    return g.fake.forms.waits;
}

// Between passes the loop sleeps until its next rewind can first fall, at rate 1.0, and wakes
// just past that point: never before it, and no later than a few milliseconds after.
TEST(PlaybackLoop, SleepsUntilTheNextRewindCanFall) {
    struct Case {
        double duration, position;
    };
    for (const Case c : {Case{10.0, 9.49}, Case{11.0, 10.5}, Case{10.4, 9.0}, Case{10.6, 10.45}, Case{2.5, 1.2},
                         Case{3.5, 3.4}, Case{20.0, 19.1}, Case{20.0, 0.0}}) {
        const double rewindFrom = std::nearbyint(c.duration) - 0.5;
        const double wokeAt = c.position + waitsFor(c.duration, {c.position}).at(0).count() / 1000.0;
        EXPECT_LE(wokeAt, rewindFrom + 0.010) << c.duration << " at " << c.position;
        EXPECT_GE(wokeAt, std::min(rewindFrom, c.position + 1.0)) << c.duration << " at " << c.position;
    }
    // A rewind counts the next sleep from the start; a long clip still wakes once a second.
    EXPECT_EQ(waitsFor(20.0, {19.6}).at(0), std::chrono::milliseconds(1000));
    EXPECT_EQ(waitsFor(1.0, {0.6}).at(0), std::chrono::milliseconds(508));
    // A clip that rewinds on every pass shows its first frame: passes a frame apart.
    EXPECT_EQ(waitsFor(0.4, {0.1}).at(0), std::chrono::milliseconds(20));
    EXPECT_EQ(waitsFor(0.0, {0.0}).at(0), std::chrono::milliseconds(20));
}

TEST(PlaybackLoop, AFailingCallIsARunTimeError) {
    for (const char* failing : {"Run", "Position", "Duration"}) {
        Graph g;
        g.open();
        g.fake.media.script.failing.insert(failing);
        VBBool running = kTrue;
        EXPECT_THROW(g.form.RunPlaybackLoop(running), RuntimeError) << failing;
    }
    Graph seekFails;
    seekFails.open();
    seekFails.fake.media.script.duration = 0.2;
    seekFails.fake.media.script.failing.insert("Seek");
    VBBool running = kTrue;
    EXPECT_THROW(seekFails.form.RunPlaybackLoop(running), RuntimeError);
}

TEST(PlaybackLoop, NoGraphFailsAtTheFirstRun) {
    Graph g;
    VBBool running = kTrue;
    try {
        g.form.RunPlaybackLoop(running);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 91);
    }
    EXPECT_TRUE(g.fake.log.empty());
}

TEST(PlaybackLoop, APositionOutOfRangeOverflows) {
    Graph g;
    g.open();
    g.fake.media.script.positions = {3e9};
    VBBool running = kTrue;
    try {
        g.form.RunPlaybackLoop(running);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 6);
    }
}

}  // namespace
}  // namespace tessiva
