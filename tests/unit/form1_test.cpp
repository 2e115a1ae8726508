// Form1: its creation state, and its Load and Unload handlers in each mode.
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

struct Loaded {
    FakePlatform fake;
    ModeFlags flags;
    Form1 form{fake.platform, flags};

    Loaded(VBBool preview, VBBool config) {
        flags.PreviewMode = preview;
        flags.ConfigMode = config;
    }
    void load() { fake.forms.load(form1Definition(), form); }
    // What the handler did after the mouse watcher was set up.
    CallLog afterInitMouse() const {
        const auto acquire = std::find(fake.log.begin(), fake.log.end(), "Acquire");
        return acquire == fake.log.end() ? CallLog{} : CallLog(acquire + 1, fake.log.end());
    }
};

TEST(Form1Definition, ControlsLieInsideTheInnerArea) {
    const FormDefinition& form = form1Definition();
    EXPECT_EQ(form.clientWidth, 5145);
    EXPECT_EQ(form.clientHeight, 3150);
    for (const auto& c : form.controls) {
        EXPECT_LE(c.left + c.width, form.clientWidth) << c.name;
        EXPECT_LE(c.top + c.height, form.clientHeight) << c.name;
    }
    EXPECT_EQ(form.controls[CmdOK].left + form.controls[CmdOK].width, 5055);
    EXPECT_EQ(form.controls[CmdCancel].top + form.controls[CmdCancel].height, 3015);
}

TEST(Form1Definition, OnlyLabel4IsVisibleAtCreation) {
    const FormDefinition& form = form1Definition();
    for (const auto& c : form.controls) EXPECT_EQ(c.visible, c.name == "Label4") << c.name;
    EXPECT_EQ(form.borderStyle, 0);
    EXPECT_EQ(form.caption, "Form1");
    EXPECT_EQ(form.controls[Check1].value, 1);
}

TEST(Form1Definition, FocusMovesFromTheCheckBoxToCancelToOK) {
    std::vector<std::pair<int, std::string>> focusable;
    for (const auto& c : form1Definition().controls) {
        if (c.tabIndex >= 0 && (c.kind == ControlKind::CommandButton || c.kind == ControlKind::CheckBox)) {
            focusable.emplace_back(c.tabIndex, c.name);
        }
    }
    std::sort(focusable.begin(), focusable.end());
    ASSERT_EQ(focusable.size(), 3u);
    EXPECT_EQ(focusable[0].second, "Check1");
    EXPECT_EQ(focusable[1].second, "CmdCancel");
    EXPECT_EQ(focusable[2].second, "CmdOK");
}

TEST(Form1Definition, LinkLabelsAreBlueUnderlinedWithTheHand) {
    for (ControlIndex i : {Label3, Label4}) {
        const auto& c = form1Definition().controls[static_cast<std::size_t>(i)];
        EXPECT_EQ(c.foreColor, 0x0000FFu) << c.name;
        ASSERT_TRUE(c.font.has_value());
        EXPECT_TRUE(c.font->underline) << c.name;
        EXPECT_EQ(c.mouseIcon, PictureId::HandPointer) << c.name;
    }
    // The image control is as big as its picture: 153 x 115 pixels.
    EXPECT_EQ(form1Definition().controls[Image1].width, 153 * 15);
    EXPECT_EQ(form1Definition().controls[Image1].height, 115 * 15);
}

TEST(Form1Load, SetsUpTheMouseWatcherFirstInEveryMode) {
    for (const auto& [preview, config] : {std::pair{kTrue, kFalse}, std::pair{kFalse, kTrue}, std::pair{kFalse, kFalse}}) {
        Loaded run(preview, config);
        try {
            run.load();
        } catch (const ProgramEnded&) {
        }
        ASSERT_GE(run.fake.log.size(), 10u);
        const std::string h = std::to_string(run.fake.forms.window->handle);
        EXPECT_THAT(CallLog(run.fake.log.begin(), run.fake.log.begin() + 10),
                    ElementsAre("Load", "CreateDirectX8", "DirectInputCreate", "CreateDevice guid_SysMouse",
                                "SetCommonDataFormat 2", "SetCooperativeLevel " + h + " 10",
                                "SetProperty DIPROP_BUFFERSIZE 0 0 10", "CreateEvent",
                                "SetEventNotification " + std::to_string(run.fake.input.mouse->eventHandle),
                                "Acquire"));
        EXPECT_EQ(run.form.MouseEvent, run.fake.input.mouse->eventHandle);
    }
}

TEST(Form1Load, AWatcherThatFailsStopsTheLoadBeforeTheModeBranch) {
    for (const char* failing : {"CreateDirectX8", "CreateDevice", "SetCooperativeLevel", "Acquire"}) {
        Loaded run(kFalse, kFalse);
        run.fake.input.failing.insert(failing);
        EXPECT_THROW(run.load(), RuntimeError) << failing;
        EXPECT_EQ(std::count(run.fake.log.begin(), run.fake.log.end(), "Show"), 0) << failing;
        EXPECT_EQ(run.form.Running, kFalse);
    }
}

TEST(Form1Load, PreviewOnlySetsThePicture) {
    Loaded run(kTrue, kFalse);
    run.load();
    EXPECT_THAT(run.afterInitMouse(), ElementsAre("Picture 3"));
    EXPECT_EQ(run.fake.forms.window->currentPicture, PictureId::PreviewPicture);
    EXPECT_EQ(run.fake.desktop.cursorCount, 0);
    EXPECT_FALSE(run.form.MediaControl);
}

TEST(Form1Load, ConfigurationBuildsNoGraphAndLeavesTheCursorAlone) {
    Loaded run(kFalse, kTrue);
    run.load();
    EXPECT_EQ(run.fake.desktop.cursorCount, 0);
    EXPECT_EQ(run.form.Running, kFalse);
    EXPECT_EQ(std::count(run.fake.log.begin(), run.fake.log.end(), "CreateGraph"), 0);
}

TEST(Form1Load, SaverCoversTheScreenHidesTheCursorAndPlaysTheClipFromPath) {
    Loaded run(kFalse, kFalse);
    run.fake.profile.files["/opt/tessiva\\tessiva.ini"]["config/path"] = "/clips/";
    VBBool runningAtShow = kFalse;
    run.fake.forms.onCreate = [&](fakes::FakeFormWindow& window) {
        window.onShow = [&] { runningAtShow = run.form.Running; };
    };
    EXPECT_THROW(run.load(), ProgramEnded);
    EXPECT_EQ(runningAtShow, kTrue);
    const CallLog after = run.afterInitMouse();
    ASSERT_GE(after.size(), 11u);
    EXPECT_THAT(CallLog(after.begin(), after.begin() + 11),
                ElementsAre("Show", "WindowState 0", "Top 0", "Left 0", "Width 19200", "Height 10800", "ShowCursor 0",
                            "CoverOtherMonitors", "ReadProfile /opt/tessiva\\tessiva.ini config path", "CreateGraph", "Render /clips/vorn.evc"));
    EXPECT_EQ(run.fake.desktop.cursorCount, -1);
    EXPECT_EQ(run.fake.log.back(), "End");
}

TEST(Form1Load, WithoutAPathTheClipNameStandsAlone) {
    Loaded run(kFalse, kFalse);
    run.fake.profile.files["/opt/tessiva\\tessiva.ini"]["config/path"] = "/clips";
    EXPECT_THROW(run.load(), ProgramEnded);
    EXPECT_EQ(std::count(run.fake.log.begin(), run.fake.log.end(), "Render /clipsvorn.evc"), 1);

    Loaded bare(kFalse, kFalse);
    EXPECT_THROW(bare.load(), ProgramEnded);
    EXPECT_EQ(std::count(bare.fake.log.begin(), bare.fake.log.end(), "Render vorn.evc"), 1);
}

TEST(Form1Unload, InTheDialogShowsTheCursorOnce) {
    Loaded run(kFalse, kTrue);
    run.load();
    std::int16_t cancel = 0;
    run.form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(run.fake.desktop.cursorCount, 1);
}

TEST(Form1Unload, DuringPlaybackTheLoopEndsQuietly) {
    Loaded run(kFalse, kFalse);
    run.fake.forms.endAtYield = 100;  // only an unload can end the loop early
    run.fake.forms.onYield = [&] {
        if (run.fake.forms.yields == 3) {
            std::int16_t cancel = 0;
            run.form.Form_Unload(cancel);
        }
    };
    EXPECT_NO_THROW(run.load());
    EXPECT_EQ(run.fake.forms.yields, 3);
    EXPECT_EQ(run.fake.desktop.cursorCount, 0);
    EXPECT_TRUE(run.fake.media.lastGraph.expired());
}

}  // namespace
}  // namespace tessiva
