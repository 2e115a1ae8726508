// The program from start to end on the fake platform: what runProgram does after Main, and
// what it must not do on the way out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <string>

#include "fakes/fake_platform.h"
#include "startup/run_program.h"

namespace tessiva {
namespace {

using fakes::FakePlatform;
using fakes::ProgramEnded;
using fakes::ProgramReported;

bool logged(const FakePlatform& fake, const std::string& line) {
    return std::find(fake.log.begin(), fake.log.end(), line) != fake.log.end();
}

TEST(RunProgram, AnUnloadedPreviewEndsTheProcessWithForm1StillAlive) {
    FakePlatform fake;
    fake.forms.commandText = "/p 77";
    fake.desktop.clientRects[77] = ClientRect{0, 0, 152, 112};
    fake.forms.onIdle = [&] { fake.forms.unload(); };  // the host goes away
    // The watcher's thread may be inside the callback as the process ends: what it reads
    // must still be there, so the end comes before any teardown.
    int readsAtTheEnd = -1;
    fake.forms.onEnd = [&] {
        fake.input.mouse->callback->DXCallback(fake.input.mouse->eventHandle);
        readsAtTheEnd = fake.input.mouse->reads;
    };
    EXPECT_THROW(runProgram(fake.platform), ProgramEnded);
    EXPECT_EQ(readsAtTheEnd, 1);
    const auto idle = std::find(fake.log.begin(), fake.log.end(), "RunUntilUnloaded");
    ASSERT_NE(idle, fake.log.end());
    EXPECT_THAT(std::vector<std::string>(idle, fake.log.end()), ::testing::ElementsAre("RunUntilUnloaded", "Unload",
                                                                                        "ShowCursor -1", "End"));
}

TEST(RunProgram, ARunTimeErrorInMainIsReportedAndNothingRunsAfterIt) {
    FakePlatform fake;
    fake.forms.commandText = "/P";
    try {
        runProgram(fake.platform);
        FAIL() << "runProgram returned";
    } catch (const ProgramReported& report) {
        EXPECT_EQ(report.error.number(), errors::kInvalidProcedureCall);
    }
    EXPECT_FALSE(logged(fake, "Load"));
    EXPECT_FALSE(logged(fake, "RunUntilUnloaded"));
}

TEST(RunProgram, ASaverUnloadedInItsLoopEndsQuietlyEvenWhenStopFails) {
    FakePlatform fake;
    fake.forms.commandText = "/s";
    fake.media.script.failing.insert("Stop");  // so the Unload handler can't let the graph go
    fake.forms.endAtYield = 100;               // only the unload may end the loop early
    fake.forms.onYield = [&] {
        if (fake.forms.yields == 3) fake.forms.unload();
    };
    EXPECT_THROW(runProgram(fake.platform), ProgramEnded);
    EXPECT_EQ(fake.forms.yields, 3);
    EXPECT_FALSE(logged(fake, "Report 91"));
    // Main's Show after Load runs on the unloaded window and is no error.
    const auto unload = std::find(fake.log.begin(), fake.log.end(), "Unload");
    ASSERT_NE(unload, fake.log.end());
    EXPECT_NE(std::find(unload, fake.log.end(), "RunUntilUnloaded"), fake.log.end());
}

#ifndef _WIN32
TEST(RunProgram, TakesTheUsersLocaleForTheConversions) {
    const char* const german[] = {"de_DE.UTF-8", "de_DE.utf8"};
    const char* found = nullptr;
    for (const char* name : german) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) found = name;
    }
    std::setlocale(LC_ALL, "C");
    if (found == nullptr) GTEST_SKIP() << "no German locale is installed here (locale-gen de_DE.UTF-8)";
    const char* before = std::getenv("LC_ALL");
    const std::string saved = before != nullptr ? before : "";
    ::setenv("LC_ALL", found, 1);

    // "1,0" is the number 1 only where the comma is the decimal separator.
    FakePlatform fake;
    fake.forms.commandText = "/c";
    fake.profile.files["/opt/tessiva\\Tessiva.ini"]["config/sound"] = "1,0";
    fake.forms.onIdle = [&] { fake.forms.unload(); };
    EXPECT_THROW(runProgram(fake.platform), ProgramEnded);
    EXPECT_TRUE(logged(fake, "Value 1"));

    if (before != nullptr) ::setenv("LC_ALL", saved.c_str(), 1);
    else ::unsetenv("LC_ALL");
    std::setlocale(LC_ALL, "C");
}
#endif

}  // namespace
}  // namespace tessiva
