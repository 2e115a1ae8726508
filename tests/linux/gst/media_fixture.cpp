#include "tests/linux/gst/media_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Status

namespace tessiva::mediatest {
namespace {

namespace fs = std::filesystem;

bool ffmpeg(const std::string& arguments) {
    const std::string command = "ffmpeg -nostdin -v error -y " + arguments;
    return std::system(command.c_str()) == 0;
}

// Scrambles the start of every PNG IDAT chunk in the second half of the file: the container
// stays sound, the first frames decode, and the decoder fails on the rest.
bool corruptSecondHalf(const std::string& path) {
    std::string data;
    {
        std::ifstream in(path, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (data.empty()) return false;
    unsigned seed = 1;
    for (auto at = data.find("IDAT", data.size() / 2); at != std::string::npos; at = data.find("IDAT", at + 40)) {
        for (std::size_t i = at + 4; i < at + 40 && i < data.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            data[i] = static_cast<char>(seed >> 16);
        }
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    return true;
}

bool truncateCopy(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::string data(std::istreambuf_iterator<char>(in), {});
    std::ofstream(to, std::ios::binary | std::ios::trunc) << data.substr(0, data.size() / 2);
    return !data.empty();
}

Clips makeClips() {
    Clips made;
    char pattern[] = "/tmp/tessiva-media-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return made;
    const std::string folder = pattern;
    made.pattern = folder + "/vorn.evc";
    made.quadrants = folder + "/quadrants.evc";
    made.breaking = folder + "/breaking.evc";
    made.truncated = folder + "/truncated.evc";
    made.empty = folder + "/empty.evc";
    made.text = folder + "/text.evc";
    made.directory = folder + "/folder.evc";
    made.missing = folder + "/missing.evc";
    const bool ok =
        ffmpeg("-f lavfi -i testsrc2=size=320x240:rate=30 -f lavfi -i sine=frequency=440 -t 2 "
               "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -f mp4 " + made.pattern) &&
        ffmpeg("-f lavfi -i color=c=red:size=320x240:rate=30,"
               "drawbox=x=160:y=0:w=160:h=120:color=lime:t=fill,"
               "drawbox=x=0:y=120:w=160:h=120:color=blue:t=fill,"
               "drawbox=x=160:y=120:w=160:h=120:color=white:t=fill "
               "-t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -f mp4 " + made.quadrants) &&
        ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=30 -t 2 -c:v png -f matroska " + made.breaking) &&
        corruptSecondHalf(made.breaking) && truncateCopy(made.pattern, made.truncated);
    std::ofstream(made.empty).flush();
    std::ofstream(made.text) << "This is not a video.\n";
    fs::create_directory(made.directory);
    made.folder = folder;
    if (!ok) made.folder.clear();
    return made;
}

class ClipsCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        const Clips& made = clips();
        std::error_code ignored;
        if (!made.pattern.empty()) fs::remove_all(fs::path(made.pattern).parent_path(), ignored);
    }
};
[[maybe_unused]] ::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new ClipsCleanup);

}  // namespace

const Clips& clips() {
    static const Clips made = makeClips();
    return made;
}

TestDisplay::TestDisplay() : m_display(XOpenDisplay(nullptr)) {}

TestDisplay::~TestDisplay() {
    if (m_display != nullptr) XCloseDisplay(m_display);
}

unsigned long TestDisplay::root() const { return DefaultRootWindow(m_display); }

unsigned long TestDisplay::createOwner(int width, int height) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x808080;
    attributes.override_redirect = True;
    const Window window = XCreateWindow(m_display, root(), 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
    XMapWindow(m_display, window);
    XSync(m_display, False);
    return window;
}

void TestDisplay::resize(unsigned long window, int width, int height) {
    XResizeWindow(m_display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(m_display, False);
}

void TestDisplay::destroy(unsigned long window) {
    XDestroyWindow(m_display, window);
    XSync(m_display, False);
}

std::vector<unsigned long> TestDisplay::children(unsigned long window) {
    Window rootReturn = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned count = 0;
    std::vector<unsigned long> result;
    if (XQueryTree(m_display, window, &rootReturn, &parent, &list, &count) != 0) {
        result.assign(list, list + count);
        if (list != nullptr) XFree(list);
    }
    return result;
}

WindowInfo TestDisplay::info(unsigned long window) {
    WindowInfo result;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(m_display, window, &attributes) == 0) return result;
    result.x = attributes.x;
    result.y = attributes.y;
    result.width = attributes.width;
    result.height = attributes.height;
    result.viewable = attributes.map_state == IsViewable;
    result.allEventMasks = attributes.all_event_masks;
    Window rootReturn = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned count = 0;
    if (XQueryTree(m_display, window, &rootReturn, &parent, &list, &count) != 0) {
        result.parent = parent;
        if (list != nullptr) XFree(list);
    }
    return result;
}

Rgb TestDisplay::pixel(unsigned long window, int x, int y) {
    XImage* image = XGetImage(m_display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return Rgb{-1, -1, -1};
    const unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return Rgb{static_cast<int>((value >> 16) & 0xff), static_cast<int>((value >> 8) & 0xff),
               static_cast<int>(value & 0xff)};
}

bool pollUntil(MediaPosition& position, const std::function<bool(double position)>& done,
               std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        double seconds = -1.0;
        if (position.getCurrentPosition(seconds).ok() && done(seconds)) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int threadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++count;
    return count;
}

bool near(const Rgb& actual, const Rgb& expected, int tolerance) {
    return std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

}  // namespace tessiva::mediatest
