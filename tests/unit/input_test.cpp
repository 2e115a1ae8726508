// The quit rule on every input path: the window's own events and the buffered mouse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "window/form1.h"
#include "window/form1_definition.h"

namespace tessiva {
namespace {

using fakes::FakePlatform;
using fakes::ProgramEnded;

struct Mode {
    const char* name;
    VBBool preview;
    VBBool config;
    bool inputEnds;
};
const Mode kModes[] = {{"saver", kFalse, kFalse, true}, {"preview", kTrue, kFalse, false}, {"config", kFalse, kTrue, false},
                       // any value other than 0 counts as set
                       {"preview=1", 1, kFalse, false}, {"config=7", kFalse, 7, false}};

struct Watched {
    FakePlatform fake;
    ModeFlags flags;
    Form1 form{fake.platform, flags};

    explicit Watched(const Mode& mode) : flags{mode.preview, mode.config} {
        fake.input.failing.clear();
        // Set up as the Load handler would, without running the saver.
        form.attach(*(fake.forms.window = std::make_unique<fakes::FakeFormWindow>(fake.log, form1Definition())));
        form.InitMouse();
    }
    bool ends(const std::function<void()>& input) {
        try {
            input();
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }
    void queue(std::vector<std::int32_t> offsets) {
        std::vector<DeviceObjectData> batch;
        for (auto o : offsets) batch.push_back(DeviceObjectData{o, 0x80, 0, 0, 0});
        fake.input.mouse->batches.push_back(batch);
    }
    bool notify() {
        return ends([&] { fake.input.mouse->callback->DXCallback(form.MouseEvent); });
    }
};

TEST(QuitRule, KeysAndClicksEndOnlyTheSaver) {
    for (const Mode& mode : kModes) {
        Watched w(mode);
        std::int16_t key = 'a';
        EXPECT_EQ(w.ends([&] { w.form.Form_KeyPress(key); }), mode.inputEnds) << mode.name;
        for (std::int16_t button : {1, 2, 4}) {
            EXPECT_EQ(w.ends([&] { w.form.Form_MouseDown(button, 0, 10, 10); }), mode.inputEnds) << mode.name;
        }
        EXPECT_EQ(w.form.MoveCount, 0) << mode.name;
    }
}

TEST(QuitRule, TheSixthMouseMoveEndsTheSaver) {
    for (const Mode& mode : kModes) {
        Watched w(mode);
        for (int i = 1; i <= 5; ++i) EXPECT_FALSE(w.ends([&] { w.form.Form_MouseMove(0, 0, 1, 1); })) << mode.name;
        EXPECT_EQ(w.ends([&] { w.form.Form_MouseMove(0, 0, 1, 1); }), mode.inputEnds) << mode.name;
        EXPECT_EQ(w.form.MoveCount, mode.inputEnds ? 6 : 0) << mode.name;
    }
}

TEST(MouseCallback, AxisAndFirstButtonRecordsEndTheSaverWheelAndOtherButtonsDont) {
    using namespace dinput;
    for (const Mode& mode : kModes) {
        for (std::int32_t offset : {kDimofsX, kDimofsY, kDimofsButton0}) {
            Watched w(mode);
            w.queue({offset});
            EXPECT_EQ(w.notify(), mode.inputEnds) << mode.name << " offset " << offset;
            EXPECT_EQ(w.fake.input.mouse->reads, 1);
        }
        Watched skipped(mode);
        skipped.queue({kDimofsZ, kDimofsButton1, kDimofsButton2, kDimofsButton3});
        EXPECT_FALSE(skipped.notify()) << mode.name;
    }
}

TEST(MouseCallback, TheFirstCountingRecordOfABatchDecides) {
    using namespace dinput;
    Watched saver(kModes[0]);
    saver.queue({kDimofsZ, kDimofsButton2, kDimofsY});
    EXPECT_TRUE(saver.notify());

    // Outside the saver the callback leaves at the first counting record; the rest of the
    // batch is gone with the read all the same.
    Watched preview(kModes[1]);
    preview.queue({kDimofsX, kDimofsY});
    preview.queue({kDimofsButton0});
    EXPECT_FALSE(preview.notify());
    EXPECT_FALSE(preview.notify());
    EXPECT_TRUE(preview.fake.input.mouse->batches.empty());
}

TEST(MouseCallback, AForeignEventAnEmptyReadAndAFailingReadChangeNothing) {
    using namespace dinput;
    Watched w(kModes[0]);
    w.queue({kDimofsX});
    EXPECT_FALSE(w.ends([&] { w.form.DXCallback(w.form.MouseEvent + 1); }));
    EXPECT_EQ(w.fake.input.mouse->reads, 0);

    Watched empty(kModes[0]);
    EXPECT_FALSE(empty.notify());

    Watched failing(kModes[0]);
    failing.queue({kDimofsX});
    failing.fake.input.failing.insert("GetDeviceData");
    EXPECT_FALSE(failing.notify());
    failing.fake.input.failing.clear();
    EXPECT_TRUE(failing.notify());  // the next notification reads afresh
}

}  // namespace
}  // namespace tessiva
