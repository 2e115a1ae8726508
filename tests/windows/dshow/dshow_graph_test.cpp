// The media layer on real DirectShow (Wine's quartz on the host's GStreamer), under Xvfb.
// run-with-clips.sh makes the clips with ffmpeg and names their folder, as a Windows path, in
// TESSIVA_DSHOW_CLIPS:
//   clip.evc      MPEG-1 video + MP2 sound in an MPEG program stream, 320x240, 3 s, moving
//   vidéo ß.evc   the same file under a name that isn't ASCII
//   text.evc      a line of text
// The tests run on one thread, a single-threaded apartment, as the program's interface thread
// is; they handle the thread's window messages while they wait, as the program's yield does.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/windows/dshow/dshow_media.h"
#include "platform/window_style.h"

namespace tessiva {
namespace {

constexpr int kOwnerWidth = 640;
constexpr int kOwnerHeight = 360;

std::string clip(const std::string& name) {
    const char* folder = std::getenv("TESSIVA_DSHOW_CLIPS");
    return std::string(folder != nullptr ? folder : "") + "/" + name;
}

// Handles the thread's messages for up to `limit`, until `done` holds; false on timeout.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void pumpFor(std::chrono::milliseconds time) { pumpUntil([] { return false; }, time); }

// What reached the owner window's procedure.
std::vector<UINT> g_ownerMessages;

LRESULT CALLBACK ownerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_LBUTTONDOWN) g_ownerMessages.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A top-level window whose client area is 640x360: a popup, so that no frame takes a share.
HWND createOwner() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ownerProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = L"TessivaDShowTestOwner";
    RegisterClassW(&windowClass);  // fails harmlessly when a test before registered it
    return CreateWindowExW(0, windowClass.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                           kOwnerWidth, kOwnerHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
}

// The video window's rectangle in its owner's client coordinates.
RECT placeInOwner(HWND video, HWND owner) {
    RECT rect{};
    GetWindowRect(video, &rect);
    MapWindowPoints(HWND_DESKTOP, owner, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class DShowGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("TESSIVA_DSHOW_CLIPS"), nullptr) << "run through tests/windows/dshow/run-with-clips.sh";
        const Status created = m_media.createFilterGraph(m_graph);
        ASSERT_TRUE(created.ok()) << created.message();
        ASSERT_TRUE(m_graph->query(m_position).ok());
    }

    void render(const std::string& file) {
        const Status rendered = m_graph->renderFile(file);
        ASSERT_TRUE(rendered.ok()) << rendered.message();
    }

    double position() {
        double seconds = -1.0;
        const Status status = m_position->getCurrentPosition(seconds);
        EXPECT_TRUE(status.ok()) << status.message();
        return seconds;
    }

    DShowMedia m_media;
    std::shared_ptr<MediaControl> m_graph;
    std::shared_ptr<MediaPosition> m_position;
};

TEST_F(DShowGraphTest, PlaysAnMpeg1ProgramStreamWhateverItsNameSays) {
    render(clip("clip.evc"));
    double duration = 0.0;
    const Status measured = m_position->getDuration(duration);
    ASSERT_TRUE(measured.ok()) << measured.message();
    EXPECT_NEAR(duration, 3.0, 0.2);
    EXPECT_TRUE(m_position->putRate(1.0).ok());

    const Status ran = m_graph->run();
    ASSERT_TRUE(ran.ok()) << ran.message();
    EXPECT_TRUE(pumpUntil([&] { return position() > 1.0; })) << "position " << position();

    // The playback loop's rewind: back to the start, and on from there.
    const Status rewound = m_position->putCurrentPosition(0.0);
    ASSERT_TRUE(rewound.ok()) << rewound.message();
    ASSERT_TRUE(m_graph->run().ok());
    EXPECT_LT(position(), 0.5);
    EXPECT_TRUE(pumpUntil([&] { return position() > 0.5; })) << "position " << position();
    EXPECT_TRUE(m_graph->stop().ok());
}

TEST_F(DShowGraphTest, TakesAPathThatIsNotAscii) {
    render(clip("vid\xC3\xA9o \xC3\x9F.evc"));  // "vidéo ß.evc" in UTF-8
}

TEST_F(DShowGraphTest, VideoWindowCoversItsOwnersClientArea) {
    render(clip("clip.evc"));
    std::shared_ptr<VideoWindow> video;
    ASSERT_TRUE(m_graph->query(video).ok());
    const HWND owner = createOwner();
    ASSERT_NE(owner, nullptr);

    // What OpenDShowFile passes: WS_VISIBLE, 0, 0, the owner's size in twips, the owner.
    EXPECT_TRUE(video->putWindowStyle(win::kWsVisible).ok());
    EXPECT_TRUE(video->putTop(0).ok());
    EXPECT_TRUE(video->putLeft(0).ok());
    EXPECT_TRUE(video->putWidth(kOwnerWidth * 15).ok());
    EXPECT_TRUE(video->putHeight(kOwnerHeight * 15).ok());
    const Status owned = video->putOwner(reinterpret_cast<NativeHandle>(owner));
    ASSERT_TRUE(owned.ok()) << owned.message();

    const HWND child = GetWindow(owner, GW_CHILD);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), owner);
    EXPECT_NE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD, 0);
    EXPECT_TRUE(IsWindowVisible(child));
    RECT rect = placeInOwner(child, owner);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, kOwnerWidth);
    EXPECT_EQ(rect.bottom, kOwnerHeight);

    // Keys and clicks over the video reach the owner's handlers.
    ASSERT_TRUE(m_graph->run().ok());
    g_ownerMessages.clear();
    PostMessageW(child, WM_KEYDOWN, 'A', 0);
    PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(pumpUntil([] { return g_ownerMessages.size() >= 2; }));

    // Clipped to the owner; nothing left of it: hidden; back in the owner: shown again.
    EXPECT_TRUE(video->putLeft(600).ok());
    rect = placeInOwner(child, owner);
    EXPECT_EQ(rect.left, 600);
    EXPECT_EQ(rect.right, kOwnerWidth);
    EXPECT_TRUE(video->putLeft(kOwnerWidth).ok());
    EXPECT_FALSE(IsWindowVisible(child));
    ASSERT_TRUE(m_graph->stop().ok());  // nor does the graph's AutoShow when it runs again
    ASSERT_TRUE(m_graph->run().ok());
    pumpFor(std::chrono::milliseconds(200));
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_TRUE(video->putLeft(0).ok());
    EXPECT_TRUE(IsWindowVisible(child));

    // Full-screen mode: passed on (Wine answers E_NOTIMPL), and the video fills the owner.
    EXPECT_TRUE(video->putWidth(100).ok());
    static_cast<void>(video->putFullScreenMode(1));
    rect = placeInOwner(child, owner);
    EXPECT_EQ(rect.right - rect.left, kOwnerWidth);
    EXPECT_EQ(rect.bottom - rect.top, kOwnerHeight);

    // RemoveDShow's steps: stop, take it out of the owner.
    EXPECT_TRUE(m_graph->stop().ok());
    EXPECT_TRUE(video->putOwner(0).ok());
    EXPECT_EQ(GetWindow(owner, GW_CHILD), nullptr);
    EXPECT_FALSE(IsWindowVisible(child));  // no top-level window of its own
    video.reset();
    DestroyWindow(owner);
}

// A graph without a clip: the black saver that still ends on input.
TEST_F(DShowGraphTest, FilesThatDontPlayLeaveAnEmptyGraph) {
    for (const std::string& file : {clip("text.evc"), clip("missing.evc")}) {
        SCOPED_TRACE(file);
        std::shared_ptr<MediaControl> graph;
        ASSERT_TRUE(m_media.createFilterGraph(graph).ok());
        const Status rendered = graph->renderFile(file);
        EXPECT_FALSE(rendered.ok());
        EXPECT_EQ(rendered.message().rfind("DirectShow: ", 0), 0u) << rendered.message();

        std::shared_ptr<MediaPosition> position;
        ASSERT_TRUE(graph->query(position).ok());
        double seconds = -1.0;
        EXPECT_TRUE(position->getCurrentPosition(seconds).ok());
        EXPECT_EQ(seconds, 0.0);
        seconds = -1.0;
        EXPECT_TRUE(position->getDuration(seconds).ok());
        EXPECT_EQ(seconds, 0.0);
        EXPECT_TRUE(graph->run().ok());
        EXPECT_TRUE(position->putCurrentPosition(0.0).ok());
        EXPECT_TRUE(graph->stop().ok());
    }
}

}  // namespace
}  // namespace tessiva

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The composition root's part: the layer never initialises COM itself.
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(initialised)) {
        std::fprintf(stderr, "CoInitializeEx failed: 0x%08lX\n", static_cast<unsigned long>(initialised));
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
