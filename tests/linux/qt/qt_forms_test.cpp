// The Qt forms layer's yield, on a real QApplication (the offscreen platform: no X needed):
// it must run what is pending, wait when nothing is, and never wait without bound, since the
// playback loop calls it on every pass.
#include <QApplication>
#include <QMetaObject>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>

#include "platform/linux/qt/qt_forms.h"
#include "platform/linux/qt/qt_window_presenter.h"

namespace {

using Clock = std::chrono::steady_clock;

class QtFormsYield : public testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tessiva_qt_tests";
        static char* argv[] = {name, nullptr};
        // One application per process, whichever test makes it first.
        if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
    }
    tessiva::QtWindowPresenter presenter;
    tessiva::QtForms forms{"", presenter};
};

TEST_F(QtFormsYield, RunsEverythingPendingInOneCall) {
    int ran = 0;
    for (int i = 0; i < 3; ++i) QMetaObject::invokeMethod(qApp, [&] { ++ran; }, Qt::QueuedConnection);
    forms.yield(std::chrono::milliseconds{10});
    EXPECT_EQ(ran, 3);
}

TEST_F(QtFormsYield, WaitsWhenIdleButReturnsWithinItsBound) {
    const auto start = Clock::now();
    for (int i = 0; i < 10; ++i) forms.yield(std::chrono::milliseconds{10});
    const auto took = Clock::now() - start;
    // Ten idle yields of 10 ms wait about 100 ms: not a busy loop, and not a wait without end.
    EXPECT_GE(took, std::chrono::milliseconds(50));
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(QtFormsYield, QtTimersStillFire) {
    bool fired = false;
    QTimer::singleShot(5, qApp, [&] { fired = true; });
    for (int i = 0; i < 100 && !fired; ++i) forms.yield(std::chrono::milliseconds{10});
    EXPECT_TRUE(fired);
}

}  // namespace
