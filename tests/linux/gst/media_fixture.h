#pragma once
// What the media layer's tests share: clips made with ffmpeg at test time (named *.evc, so
// only content sniffing can recognise them), a connection to the test's X server for owner
// windows and screenshots, and waiting the way the program's playback loop does.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/media.h"

using Display = struct _XDisplay;

namespace tessiva::mediatest {

struct Clips {
    std::string folder;     // everything below lives here; removed at the end of the run
    std::string pattern;    // 320x240, 30 fps, 2 s, H.264 + AAC in MP4
    std::string quadrants;  // 320x240, 2 s: red, green / blue, white quadrants, no sound
    std::string breaking;   // PNG frames in Matroska, the second half corrupt: fails mid-stream
    std::string truncated;  // the first half of `pattern` (its index is at the end)
    std::string empty;
    std::string text;
    std::string directory;
    std::string missing;
};

// Made on first use; an empty `folder` means ffmpeg could not make them.
const Clips& clips();

struct Rgb {
    int r = 0, g = 0, b = 0;
};

struct WindowInfo {
    int x = 0, y = 0, width = 0, height = 0;
    unsigned long parent = 0;
    bool viewable = false;
    long allEventMasks = 0;  // what all clients together select on the window
};

class TestDisplay {
public:
    TestDisplay();
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    bool ok() const { return m_display != nullptr; }
    unsigned long root() const;
    // A mapped top-level window painted grey, at 0,0.
    unsigned long createOwner(int width, int height);
    void resize(unsigned long window, int width, int height);
    void destroy(unsigned long window);
    std::vector<unsigned long> children(unsigned long window);
    WindowInfo info(unsigned long window);
    Rgb pixel(unsigned long window, int x, int y);

private:
    Display* m_display = nullptr;
};

inline constexpr long kInputMasks = (1L << 0) | (1L << 1) | (1L << 2) | (1L << 3) | (1L << 6);  // keys, buttons, motion

// Calls the position getter every 10 ms (as the playback loop does) until `done` holds or
// `limit` passes; false on timeout.
bool pollUntil(MediaPosition& position, const std::function<bool(double position)>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));

// Threads of this process now.
int threadCount();

bool near(const Rgb& actual, const Rgb& expected, int tolerance = 48);

}  // namespace tessiva::mediatest
