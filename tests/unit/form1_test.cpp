// Form1: its creation state and its Load and Unload handlers in each mode.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_platform.h"
#include "window/form1.h"
#include "window/form1_definition.h"

namespace tessiva {
namespace {

using fakes::FakePlatform;
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

TEST(Form1Load, PreviewOnlySetsThePicture) {
    Loaded run(kTrue, kFalse);
    run.load();
    EXPECT_THAT(run.fake.log, ElementsAre("Load", "Picture 3"));
    EXPECT_EQ(run.fake.forms.window->currentPicture, PictureId::PreviewPicture);
    EXPECT_EQ(run.fake.desktop.cursorCount, 0);
    EXPECT_EQ(run.form.Running, kFalse);
}

TEST(Form1Load, SaverShowsThenCoversTheScreenThenHidesTheCursor) {
    Loaded run(kFalse, kFalse);
    VBBool runningAtShow = kFalse;
    run.fake.forms.onCreate = [&](fakes::FakeFormWindow& window) {
        window.onShow = [&] { runningAtShow = run.form.Running; };
    };
    run.load();
    EXPECT_EQ(runningAtShow, kTrue);
    EXPECT_THAT(run.fake.log, ElementsAre("Load", "Show", "WindowState 0", "Top 0", "Left 0", "Width 19200",
                                          "Height 10800", "ShowCursor 0"));
    EXPECT_EQ(run.fake.desktop.cursorCount, -1);
}

TEST(Form1Load, ConfigurationLeavesTheWindowAlone) {
    Loaded run(kFalse, kTrue);
    run.load();
    EXPECT_EQ(run.fake.desktop.cursorCount, 0);
    EXPECT_EQ(run.form.Running, kFalse);
}

TEST(Form1Unload, RaisesTheCursorCountOnceAndLeavesCancelAlone) {
    Loaded run(kFalse, kTrue);
    run.load();
    std::int16_t cancel = 0;
    run.form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(run.fake.desktop.cursorCount, 1);
}

}  // namespace
}  // namespace tessiva
