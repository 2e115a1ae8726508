// The screensaver daemons' command lines, and where a daemon's window plays what.
#include "platform/linux/session/daemon_switches.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/x11/qt/hosted_session.h"

namespace tessiva {
namespace {

std::optional<DaemonHost> read(std::vector<const char*> arguments, const char* variable = nullptr) {
    arguments.insert(arguments.begin(), "tessiva");
    return daemonHost(static_cast<int>(arguments.size()), arguments.data(), variable);
}

TEST(DaemonSwitches, NameTheWindowFromEitherSpellingAndTheIdWinsOverRoot) {
    EXPECT_EQ(read({"--root"}, "0x1e00007")->window, 0x1e00007u);
    EXPECT_EQ(read({"-root"}, "31457287")->window, 31457287u);
    EXPECT_EQ(read({"--root", "--window-id", "0x80080A"}, "0x1e00007")->window, 0x80080Au);
    EXPECT_EQ(read({"-window-id", "123"})->window, 123u);
    EXPECT_EQ(read({"--window-id=0X2a"})->window, 42u);
}

TEST(DaemonSwitches, LeaveTheProgramsOwnSwitchesAlone) {
    for (const auto& line : std::vector<std::vector<const char*>>{{}, {"/S"}, {"/s", "--root"}, {"/P", "123"}, {"-s"}, {"root"}}) {
        EXPECT_FALSE(read(line, "0x10").has_value()) << (line.empty() ? "" : line[0]);
    }
}

TEST(DaemonSwitches, ThatNameNoWindowSayWhy) {
    for (const auto& [line, variable] : std::vector<std::pair<std::vector<const char*>, const char*>>{
             {{"--root"}, nullptr},
             {{"--root"}, ""},
             {{"--root"}, "window"},
             {{"--window-id"}, nullptr},
             {{"--window-id", "0x"}, nullptr},
             {{"--window-id", "0"}, nullptr},
             {{"--window-id", "-5"}, nullptr},
             {{"--window-id", "12abc"}, nullptr},
             {{"--window-id", "0x100000000"}, nullptr},
             {{"--root", "--fps"}, "0x10"}}) {
        const std::optional<DaemonHost> host = read(line, variable);
        ASSERT_TRUE(host.has_value());
        EXPECT_EQ(host->window, 0u);
        EXPECT_FALSE(host->error.empty());
        EXPECT_EQ(host->error.find('\n'), std::string::npos);
    }
}

TEST(PlayingIn, ThePrimaryMonitorAsSetAnotherNothingASmallerWindowSilently) {
    const std::vector<PixelRect> two{{1280, 0, 1280, 720}, {0, 0, 1280, 720}};  // the primary second
    EXPECT_EQ(playingIn({0, 0, 1280, 720}, two, 1), Playing::AsSet);
    EXPECT_EQ(playingIn({0, 0, 2560, 720}, two, 1), Playing::AsSet);  // one window over both
    EXPECT_EQ(playingIn({1280, 0, 1280, 720}, two, 1), Playing::Nothing);
    EXPECT_EQ(playingIn({402, 112, 565, 317}, two, 1), Playing::Silently);
    EXPECT_EQ(playingIn({1300, 20, 565, 317}, two, 1), Playing::Silently);
    EXPECT_EQ(playingIn({0, 0, 1280, 720}, two, 7), Playing::Nothing);  // no primary: the first is
    EXPECT_EQ(playingIn({0, 0, 10, 10}, {}, 0), Playing::AsSet);
}

}  // namespace
}  // namespace tessiva
