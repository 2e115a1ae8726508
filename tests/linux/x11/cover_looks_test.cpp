// The saver's window keeps no picture of itself while a native child (the video) covers all
// of it, and gets it back once any of it shows, as its looks find, on a real QApplication
// (offscreen platform); the windowing system's answer to "what covers this point" is the
// test's own.
#include <QApplication>
#include <QBackingStore>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/qt/qt_window_presenter.h"
#include "platform/linux/x11/qt/cover_looks.h"

namespace tessiva {
namespace {

class NoEvents final : public FormEvents {
public:
    void attach(FormWindow&) override {}
    void Form_Load() override {}
    void Form_Unload(std::int16_t&) override {}
    void Form_KeyPress(std::int16_t&) override {}
    void Form_MouseDown(std::int16_t, std::int16_t, float, float) override {}
    void Form_MouseMove(std::int16_t, std::int16_t, float, float) override {}
    void Control_Click(ControlIndex) override {}
};

// Runs Qt's events until `done` holds, for at most `ms`.
template <class Done>
bool processUntil(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(CoverLooks, DroppedWhileTheVideoCoversTheWholeWindowAndBackOnceAnyOfItShows) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessiva_qt_tests";
    static char* argv[] = {name, nullptr};
    // One application per process, whichever test makes it first.
    if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);

    QtWindowPresenter presenter;
    QtForms forms("/S", presenter);
    bool covered = false;
    int cornerAsked = 0;
    CoverLooks picture([&](const QWidget&, QPoint at) {
        if (at == QPoint(0, 0)) ++cornerAsked;
        return covered;
    });
    FormDefinition definition;
    definition.name = "Form1";
    definition.clientWidth = 640 * 15;
    definition.clientHeight = 360 * 15;
    NoEvents events;
    forms.load(definition, events);
    QtFormWindow& window = *forms.window();
    ASSERT_TRUE(window.show().ok());
    picture.lookFrom(window);  // as the saver's covers start it
    const auto storeSize = [&] { return window.backingStore() != nullptr ? window.backingStore()->size() : QSize(); };

    // Nothing covers it yet: the picture stays, however often it is looked at.
    ASSERT_TRUE(processUntil([&] { return cornerAsked >= 2; }, 2000));
    EXPECT_EQ(storeSize(), window.size());

    covered = true;
    ASSERT_TRUE(processUntil([&] { return storeSize() == QSize(1, 1); }, 3000));
    EXPECT_FALSE(window.updatesEnabled());

    // The screen changed (the saver covers it again), and the video doesn't follow at once.
    covered = false;
    picture.lookFrom(window);
    ASSERT_TRUE(processUntil([&] { return storeSize() == window.size(); }, 3000));
    EXPECT_TRUE(window.updatesEnabled());
}

}  // namespace
}  // namespace tessiva
