// Main: the switch rules, the mode flags, the embedding sequence and the run-time errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_platform.h"
#include "platform/runtime_error.h"
#include "startup/main_procedure.h"
#include "startup/switches.h"
#include "window/form1.h"

namespace tessiva {
namespace {

using fakes::FakePlatform;
using fakes::ProgramEnded;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct MainRun {
    FakePlatform fake;
    ModeFlags flags;
    Form1 form{fake.platform, flags};

    explicit MainRun(const std::string& commandLine) { fake.forms.commandText = commandLine; }
    void main() { Main(fake.platform, flags, form); }
};

TEST(Switches, OtherCommandLinesEndTheProgramBeforeAnyWindow) {
    for (const char* line : {"", "   ", "/A", "-s", "S", "s/", "//S", "/ S", "\t/S"}) {
        MainRun run(line);
        EXPECT_THROW(run.main(), ProgramEnded) << '"' << line << '"';
        EXPECT_THAT(run.fake.log, ElementsAre("End")) << '"' << line << '"';
        EXPECT_EQ(run.flags.PreviewMode, kFalse);
        EXPECT_EQ(run.flags.ConfigMode, kFalse);
    }
}

TEST(Switches, SaverIgnoresCaseSurroundingSpacesAndTrailingText) {
    for (const char* line : {"/S", "/s", "  /s  ", "/SAVER", "/s:12"}) {
        MainRun run(line);
        // The saver lives inside Load until input ends it: Main never gets past Load.
        EXPECT_THROW(run.main(), ProgramEnded) << line;
        EXPECT_EQ(run.flags.PreviewMode, kFalse) << line;
        EXPECT_EQ(run.flags.ConfigMode, kFalse) << line;
        ASSERT_FALSE(run.fake.log.empty());
        EXPECT_EQ(run.fake.log.front(), "Load") << line;
        EXPECT_EQ(std::count(run.fake.log.begin(), run.fake.log.end(), "Show"), 1) << line;
        EXPECT_EQ(run.fake.log.back(), "End") << line;
    }
}

TEST(Switches, ConfigurationIgnoresAnyNumberAfterTheSwitch) {
    for (const char* line : {"/C", "/c", "/c:123", " /C 4711 "}) {
        MainRun run(line);
        run.main();
        EXPECT_EQ(run.flags.PreviewMode, kFalse) << line;
        EXPECT_EQ(run.flags.ConfigMode, kTrue) << line;
        EXPECT_EQ(run.fake.log.front(), "Load") << line;
        EXPECT_EQ(run.fake.log.back(), "Show") << line;
    }
}

TEST(Switches, PreviewHandleDropsTheThirdCharacterWhateverItIs) {
    EXPECT_EQ(hostHandle(switchText("/p 123")), 123);
    EXPECT_EQ(hostHandle(switchText("/p:123")), 123);
    EXPECT_EQ(hostHandle(switchText("/p123")), 23);
    EXPECT_EQ(hostHandle(switchText("/P  -7 ")), -7);
    EXPECT_EQ(hostHandle(switchText("/p 0x4a00007")), 0x4a00007);  // as X tools print ids
    EXPECT_EQ(hostHandle(switchText("/P 2147483647")), 2147483647);
}

TEST(Switches, BadPreviewHandlesRaiseRunTimeErrorsBeforeAnyWindow) {
    struct Case {
        const char* line;
        int error;
    };
    for (const Case c : {Case{"/P", 5}, Case{"/p", 5}, Case{"/PX", 13}, Case{"/P:", 13}, Case{"/P abc", 13},
                         Case{"/P 12abc", 13}, Case{"/P 2147483648", 6}, Case{"/P 0x", 13}}) {
        MainRun run(c.line);
        try {
            run.main();
            ADD_FAILURE() << c.line << " raised nothing";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), c.error) << c.line;
        }
        EXPECT_THAT(run.fake.log, IsEmpty()) << c.line;
        EXPECT_EQ(run.flags.PreviewMode, kTrue) << c.line;
    }
}

TEST(Switches, ArgumentsJoinWithSingleSpaces) {
    const char* split[] = {"tessiva", "/p", "123"};
    const char* quoted[] = {"tessiva", "/p 123"};
    const char* none[] = {"tessiva"};
    EXPECT_EQ(joinArguments(3, split), "/p 123");
    EXPECT_EQ(joinArguments(2, quoted), "/p 123");
    EXPECT_EQ(joinArguments(1, none), "");
}

TEST(Embedding, CallsFollowLoadInOrderWithTheirArguments) {
    MainRun run("/p:77");
    run.fake.desktop.clientRects[77] = ClientRect{0, 0, 152, 112};
    run.main();
    const std::string h = std::to_string(run.fake.forms.window->handle);
    const auto picture = std::find(run.fake.log.begin(), run.fake.log.end(), "Picture 3");
    ASSERT_NE(picture, run.fake.log.end());
    EXPECT_THAT(std::vector<std::string>(picture, run.fake.log.end()),
                ElementsAre("Picture 3", "GetClientRect 77", "GetWindowLong " + h + " -16",
                            "SetWindowLong " + h + " -16 0x46000000", "SetParent " + h + " 77",
                            "SetWindowLong " + h + " -8 0x4D", "SetWindowPos " + h + " 0 0 0 152 112 0x54"));
    EXPECT_EQ(run.flags.PreviewMode, kTrue);
    EXPECT_EQ(run.flags.ConfigMode, kFalse);
}

TEST(Embedding, KeepsEveryOtherStyleBit) {
    MainRun run("/P 77");
    run.fake.desktop.clientRects[77] = ClientRect{0, 0, 200, 150};
    run.fake.desktop.style = 0x16CF0000;
    run.main();
    EXPECT_EQ(run.fake.desktop.style, 0x16CF0000 | win::kWsChild);
}

TEST(Embedding, AHostThatDoesNotExistGetsAZeroSizedWindow) {
    MainRun run("/P 999");
    run.main();
    const std::string h = std::to_string(run.fake.forms.window->handle);
    EXPECT_EQ(run.fake.log.back(), "SetWindowPos " + h + " 0 0 0 0 0 0x54");
}

}  // namespace
}  // namespace tessiva
