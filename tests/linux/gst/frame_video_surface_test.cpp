// The media layer handing its pictures to a surface of the forms layer (Wayland's way), with
// real pipelines and clips; no display is involved.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <atomic>
#include <mutex>
#include <set>
#include <tuple>

#include "platform/linux/wayland/video/frame_video_surface.h"
#include "platform/linux/gst/gst_media.h"
#include "tests/linux/gst/media_fixture.h"

namespace tessiva {
namespace {

using mediatest::clips;
using mediatest::pollUntil;
using mediatest::Rgb;

constexpr std::int32_t kVisible = 0x10000000;

// A surface that keeps the last picture it was given.
class RecordingTarget final : public FrameTarget {
public:
    int width = 1280, height = 720;
    bool scales = false;

    bool scalesFrames() const override { return scales; }
    void ownerSize(int& w, int& h) override {
        w = width;
        h = height;
    }
    void showFrame(const FrameView& frame, const PixelRect& place) override {
        std::lock_guard lock(m_mutex);
        m_frames++;
        m_place = place;
        m_width = frame.width;
        m_height = frame.height;
        m_pixels.assign(frame.pixels, frame.pixels + static_cast<std::ptrdiff_t>(frame.stride) * frame.height);
        m_stride = frame.stride;
        if (frame.shared.fd < 0 || frame.shared.attachment == nullptr) return;
        m_sharedFrames++;
        m_memories.insert(frame.shared.attachment);
        // What a compositor would read: the memory mapped on its own, at the frame's offset.
        void* mapped = mmap(nullptr, frame.shared.size, PROT_READ, MAP_SHARED, frame.shared.fd, 0);
        if (mapped == MAP_FAILED) return;
        const auto* corner = static_cast<const std::uint8_t*>(mapped) + frame.shared.offset + 5 * frame.stride + 5 * 4;
        m_sharedCorner = Rgb{corner[2], corner[1], corner[0]};
        munmap(mapped, frame.shared.size);
    }
    void hideVideo() override { m_hidden++; }

    std::pair<int, int> frameSize() {
        std::lock_guard lock(m_mutex);
        return {m_width, m_height};
    }
    // Frames that came in shared memory, the pieces of memory they came in, and the top-left
    // pixel of the last as another process would see it.
    std::tuple<int, int, std::size_t, Rgb> shared() {
        std::lock_guard lock(m_mutex);
        return {m_frames, m_sharedFrames, m_memories.size(), m_sharedCorner};
    }
    int frames() {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    PixelRect place() {
        std::lock_guard lock(m_mutex);
        return m_place;
    }
    Rgb pixel(int x, int y) {
        std::lock_guard lock(m_mutex);
        if (x >= m_width || y >= m_height) return Rgb{-1, -1, -1};
        const std::uint8_t* p = m_pixels.data() + static_cast<std::ptrdiff_t>(y) * m_stride + x * 4;
        return Rgb{p[2], p[1], p[0]};  // BGRx
    }
    std::atomic<int> m_hidden{0};

private:
    std::mutex m_mutex;
    int m_frames = 0;
    int m_sharedFrames = 0;
    std::set<const void*> m_memories;
    Rgb m_sharedCorner{-1, -1, -1};
    PixelRect m_place;
    int m_width = 0, m_height = 0, m_stride = 0;
    std::vector<std::uint8_t> m_pixels;
};

// The quadrants clip playing full screen into `target`, registered as the owner.
struct Playing {
    FrameTargetRegistry targets;
    GstMedia media{pictureVideo(targets)};
    std::shared_ptr<MediaControl> control;
    std::shared_ptr<VideoWindow> window;
    std::shared_ptr<MediaPosition> position;

    void start(RecordingTarget& target) {
        ASSERT_FALSE(clips().folder.empty()) << "ffmpeg could not make the test clips";
        const NativeHandle owner = 0x5e7;
        targets.add(owner, target);
        ASSERT_TRUE(media.createFilterGraph(control).ok());
        ASSERT_TRUE(control->query(window).ok());
        ASSERT_TRUE(control->query(position).ok());
        EXPECT_FALSE(window->putOwner(0x7777).ok()) << "a handle that names no surface of ours";
        ASSERT_TRUE(control->renderFile(clips().quadrants).ok());
        ASSERT_TRUE(window->putWindowStyle(kVisible).ok());
        ASSERT_TRUE(window->putFullScreenMode(1).ok());
        ASSERT_TRUE(window->putOwner(owner).ok());
        ASSERT_TRUE(control->run().ok());
        ASSERT_TRUE(pollUntil(*position, [&](double p) { return p > 0.5 && target.frames() > 3; }));
    }
};

TEST(FrameVideo, PicturesReachTheOwnersSurfaceScaledWithTheAspectKeptAndStopWhenHidden) {
    RecordingTarget target;
    Playing playing;
    ASSERT_NO_FATAL_FAILURE(playing.start(target));
    auto& [targets, media, control, window, position] = playing;

    // A 4:3 clip on a 16:9 owner: 960x720 in the middle of one picture of the owner's size,
    // black bars of 160 either side.
    EXPECT_EQ(target.place(), (PixelRect{0, 0, 1280, 720}));
    for (const auto& [x, y, colour] : {std::tuple{400, 180, Rgb{255, 0, 0}}, std::tuple{880, 180, Rgb{0, 255, 0}},
                                       std::tuple{400, 540, Rgb{0, 0, 255}}, std::tuple{880, 540, Rgb{255, 255, 255}},
                                       std::tuple{80, 360, Rgb{0, 0, 0}}, std::tuple{1200, 360, Rgb{0, 0, 0}}}) {
        const Rgb seen = target.pixel(x, y);
        EXPECT_TRUE(mediatest::near(seen, colour)) << "at " << x << "," << y << ": " << seen.r << " " << seen.g << " " << seen.b;
    }

    // The owner's surface shrinks (another output): the next pictures fit it.
    target.width = 640;
    target.height = 480;
    const int before = target.frames();
    ASSERT_TRUE(pollUntil(*position, [&](double) { return target.frames() > before + 3; }));
    EXPECT_EQ(target.place(), (PixelRect{0, 0, 640, 480}));
    EXPECT_TRUE(mediatest::near(target.pixel(5, 5), Rgb{255, 0, 0}));

    // Hidden: the surface is told, and gets no more pictures.
    ASSERT_TRUE(window->putWindowStyle(0).ok());
    EXPECT_EQ(target.m_hidden.load(), 1);
    const int hiddenAt = target.frames();
    pollUntil(*position, [](double) { return false; }, std::chrono::milliseconds(300));
    EXPECT_LE(target.frames(), hiddenAt + 1);  // one may have been on its way
}

// A target whose compositor scales gets the clip's own frames, whatever the owner's size:
// no picture is scaled here, and none is dropped for a new size when the owner changes.
TEST(FrameVideo, ATargetThatScalesGetsTheClipsOwnFramesWhateverTheOwnersSize) {
    RecordingTarget target;
    target.scales = true;
    target.width = 3840;
    target.height = 2160;
    Playing playing;
    ASSERT_NO_FATAL_FAILURE(playing.start(target));
    EXPECT_EQ(target.frameSize(), (std::pair{320, 240}));
    EXPECT_EQ(target.place(), (PixelRect{0, 0, 3840, 2160}));
    EXPECT_TRUE(mediatest::near(target.pixel(5, 5), Rgb{255, 0, 0}));
    EXPECT_TRUE(mediatest::near(target.pixel(315, 235), Rgb{255, 255, 255}));

    // They come in shared memory that a compositor can map as it is, a few pieces reused
    // frame after frame.
    const auto [frames, sharedFrames, memories, corner] = target.shared();
    EXPECT_EQ(sharedFrames, frames);
    EXPECT_GE(memories, 2u);
    EXPECT_LE(memories, 6u);
    EXPECT_TRUE(mediatest::near(corner, Rgb{255, 0, 0})) << corner.r << " " << corner.g << " " << corner.b;

    target.width = 800;
    target.height = 600;
    const int before = target.frames();
    ASSERT_TRUE(pollUntil(*playing.position, [&](double) { return target.frames() > before + 3; }));
    EXPECT_EQ(target.place(), (PixelRect{0, 0, 800, 600}));
    EXPECT_EQ(target.frameSize(), (std::pair{320, 240}));
}

}  // namespace
}  // namespace tessiva
