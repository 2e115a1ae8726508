// The forms layers' shared rules: twips and pixels, the handlers' button and shift codes, the
// tab order, the check box's range, and a form's life from Load to its one unload.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "platform/shared/form_life.h"
#include "platform/shared/form_rules.h"

namespace tessiva {
namespace {

TEST(FormRules, TwipsBecomePixelsAtTheLogicalDpi) {
    EXPECT_EQ(twipsToPixels(1440, 96.0 / 1440), 96);
    EXPECT_EQ(twipsToPixels(1440, 144.0 / 1440), 144);
    EXPECT_EQ(twipsToPixels(22, 96.0 / 1440), 1);  // 1.47 pixels round to the nearest
    EXPECT_DOUBLE_EQ(pixelsToTwips(96, 96.0 / 1440), 1440.0);
}

TEST(FormRules, ButtonAndShiftCodesAreOredBits) {
    EXPECT_EQ(buttonCode(false, false, false), 0);
    EXPECT_EQ(buttonCode(true, false, false), kLeftButton);
    EXPECT_EQ(buttonCode(true, true, true), 7);
    EXPECT_EQ(shiftCode(true, false, true), 5);
    EXPECT_EQ(shiftCode(false, true, false), 2);
}

TEST(FormRules, TabWalksTheFocusableControlsByTabIndex) {
    std::vector<ControlDefinition> controls(4);
    controls[0].tabIndex = 2;
    controls[1].tabIndex = -1;  // takes no part
    controls[2].tabIndex = 0;
    controls[3].tabIndex = 1;   // can't take the focus
    EXPECT_EQ(tabOrder(controls, [](std::size_t i) { return i != 3; }), (std::vector<std::size_t>{2, 0}));
}

TEST(FormRules, ACheckBoxTakesZeroToTwo) {
    for (std::int16_t value : {0, 1, 2}) EXPECT_TRUE(checkBoxValueAllowed(value).ok());
    for (std::int16_t value : {-1, 3}) {
        const Status refused = checkBoxValueAllowed(value);
        EXPECT_EQ(refused.code(), 380);
        EXPECT_EQ(refused.message(), "Invalid property value");
    }
}

struct UnloadCounter : FormEvents {
    int unloads = 0;
    std::int16_t cancel = 0;
    void attach(FormWindow&) override {}
    void Form_Load() override {}
    void Form_Unload(std::int16_t& Cancel) override {
        ++unloads;
        Cancel = cancel;
    }
    void Form_KeyPress(std::int16_t&) override {}
    void Form_MouseDown(std::int16_t, std::int16_t, float, float) override {}
    void Form_MouseMove(std::int16_t, std::int16_t, float, float) override {}
    void Control_Click(ControlIndex) override {}
};

TEST(FormLife, TheUnloadHandlerRunsUntilItLetsTheFormGoThenNeverAgain) {
    fakes::FakePlatform fake;
    UnloadCounter events;
    FormLife life;
    EXPECT_FALSE(life.unload(fake.forms, events));  // not loaded: no handler
    life.load();
    events.cancel = 1;
    EXPECT_FALSE(life.unload(fake.forms, events));
    EXPECT_TRUE(life.loaded());
    events.cancel = 0;
    EXPECT_TRUE(life.unload(fake.forms, events));
    EXPECT_FALSE(life.unload(fake.forms, events));
    EXPECT_EQ(events.unloads, 2);
    EXPECT_FALSE(life.loaded());
}

TEST(FormLife, CallsOnAGoneWindowDoNothingAndSucceed) {
    int calls = 0;
    EXPECT_TRUE(unlessGone(true, [&] { ++calls; }).ok());
    EXPECT_TRUE(unlessGone(true, [&] { return Status::failure(Status::kFail, "x"); }).ok());
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(unlessGone(false, [&] { return Status::failure(Status::kFail, "x"); }).ok());
    EXPECT_TRUE(unlessGone(false, [&] { ++calls; }).ok());
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tessiva
