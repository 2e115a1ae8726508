// The configuration dialog: its set-up from the stored setting, and what OK, Cancel, a close
// and the two links do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

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
using ::testing::HasSubstr;

const char* const kFile = "/opt/tessiva\\Tessiva.ini";

struct Dialog {
    FakePlatform fake;
    ModeFlags flags{kFalse, kTrue};
    Form1 form{fake.platform, flags};

    explicit Dialog(const char* stored = nullptr) {
        if (stored != nullptr) fake.profile.files[kFile]["config/sound"] = stored;
    }
    void load() { fake.forms.load(form1Definition(), form); }
    CallLog afterInitMouse() const {
        const auto acquire = std::find(fake.log.begin(), fake.log.end(), "Acquire");
        return CallLog(acquire + 1, fake.log.end());
    }
    std::int16_t box() const { return fake.forms.window->values[Check1]; }
    std::string saved() { return fake.profile.files[kFile]["config/sound"]; }
};

TEST(DialogSetUp, ShowsTheControlsInOrderThenLoadsTheBoxThenFrameAndTitle) {
    Dialog d;
    d.load();
    EXPECT_THAT(d.afterInitMouse(),
                ElementsAre("Visible CmdCancel", "Visible CmdOK", "Visible Label1", "Visible Label2", "Visible Label3",
                            "Visible Label4", "Visible Check1", std::string("ReadProfile ") + kFile + " config sound",
                            "Value 1", "BorderStyle 3", "Caption Configure"));
    EXPECT_FALSE(d.fake.forms.window->visible[Image1]);
}

TEST(DialogSetUp, StoredValuesTheBoxTakes) {
    for (const auto& [stored, value] : {std::pair{"0", 0}, std::pair{"1", 1}, std::pair{"2", 2}, std::pair{" 2 ", 2},
                                        std::pair{"+1", 1}, std::pair{"1.5", 2}}) {
        Dialog d(stored);
        d.load();
        EXPECT_EQ(d.box(), value) << stored;
    }
    Dialog missing;
    missing.load();
    EXPECT_EQ(missing.box(), 1);
}

TEST(DialogSetUp, StoredValuesTheBoxRefusesStopTheLoadWithAClearReport) {
    struct Case {
        const char* stored;
        int error;
    };
    for (const Case c : {Case{"3", 380}, Case{"-1", 380}, Case{"loud", 13}, Case{"", 13}, Case{"70000", 6}, Case{"0x", 13}}) {
        Dialog d(c.stored);
        try {
            d.load();
            ADD_FAILURE() << c.stored << " was taken";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), c.error) << c.stored;
            EXPECT_THAT(error.description(), HasSubstr("/opt/tessiva/Tessiva.ini"));
            EXPECT_THAT(error.description(), HasSubstr("\"sound\""));
            EXPECT_THAT(error.description(), HasSubstr(std::string("\"") + c.stored + "\""));
            EXPECT_THAT(error.description(), HasSubstr("0, 1 or 2"));
        }
        EXPECT_EQ(std::count(d.fake.log.begin(), d.fake.log.end(), "BorderStyle 3"), 0) << c.stored;
    }
}

TEST(DialogButtons, OKStoresTheBoxAsDecimalTextAndEnds) {
    for (std::int16_t value : {0, 1, 2}) {
        Dialog d("2");
        d.load();
        d.fake.forms.window->values[Check1] = value;
        d.fake.log.clear();
        EXPECT_THROW(d.form.Control_Click(CmdOK), ProgramEnded);
        EXPECT_THAT(d.fake.log, ElementsAre(std::string("WriteProfile ") + kFile + " config sound=" + std::to_string(value), "End"));
        EXPECT_EQ(d.saved(), std::to_string(value));
    }
}

TEST(DialogButtons, AFailedSaveIsShownAndTheDialogStaysOpen) {
    Dialog d;
    d.load();
    d.fake.profile.failWrites = true;
    EXPECT_NO_THROW(d.form.Control_Click(CmdOK));
    ASSERT_EQ(d.fake.forms.messages.size(), 1u);
    EXPECT_THAT(d.fake.forms.messages[0], HasSubstr("Could not save settings to"));
    EXPECT_EQ(d.fake.log.back().rfind("MessageBox", 0), 0u);
    // The user can still cancel.
    EXPECT_THROW(d.form.Control_Click(CmdCancel), ProgramEnded);
}

TEST(DialogButtons, CancelEndsWithoutWriting) {
    Dialog d;
    d.load();
    d.fake.log.clear();
    EXPECT_THROW(d.form.Control_Click(CmdCancel), ProgramEnded);
    EXPECT_THAT(d.fake.log, ElementsAre("End"));
}

TEST(DialogButtons, ClosingTheWindowRunsTheUnloadHandlerAndWritesNothing) {
    Dialog d;
    d.load();
    d.fake.log.clear();
    std::int16_t cancel = 0;
    d.form.Form_Unload(cancel);
    EXPECT_THAT(d.fake.log, ElementsAre("ShowCursor -1"));
}

TEST(DialogLinks, EachLabelOpensItsOwnTargetAndTheDialogStays) {
    Dialog d;
    d.load();
    d.fake.log.clear();
    const std::string h = std::to_string(d.fake.forms.window->handle);
    d.form.Control_Click(Label3);
    d.form.Control_Click(Label4);
    d.form.Control_Click(Label4);
    d.form.Control_Click(Label1);  // no handler
    d.form.Control_Click(Image1);
    EXPECT_THAT(d.fake.log, ElementsAre("ShellExecute " + h + " open " + std::string(kPublisherAddress) + "/ 0 0 0",
                                        "ShellExecute " + h + " open " + std::string(kCodecAddress) + " 0 0 0",
                                        "ShellExecute " + h + " open " + std::string(kCodecAddress) + " 0 0 0"));
    EXPECT_EQ(d.box(), 1);
}

}  // namespace
}  // namespace tessiva
