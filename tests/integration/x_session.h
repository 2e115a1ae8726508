#pragma once
// What a test needs to see of the X server: the program's windows (found by _NET_WM_PID),
// where they are, who has the focus, what is on screen, and host windows to embed into.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Display = struct _XDisplay;

namespace tessiva::integration {

struct Geometry {
    int x = 0, y = 0;  // relative to the root window
    int width = 0, height = 0;
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};

class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    Display* display() const { return m_display; }
    unsigned long root() const;
    int screenWidth() const;
    int screenHeight() const;

    // Viewable windows whose _NET_WM_PID is `pid`, anywhere in the tree.
    std::vector<unsigned long> viewableWindowsOf(pid_t pid);
    // The program's first viewable window once it has one, or 0 when the time is up.
    unsigned long waitForWindowOf(pid_t pid, std::chrono::milliseconds timeout);
    // The names of the window's _NET_WM_STATE atoms.
    std::vector<std::string> netWmState(unsigned long window);
    std::string title(unsigned long window);
    Geometry geometry(unsigned long window);
    std::vector<unsigned long> children(unsigned long window);
    bool isViewable(unsigned long window);
    // True when the focus is on `window` or inside it.
    bool hasFocus(unsigned long window);
    std::vector<int> frameExtents(unsigned long window);  // left, right, top, bottom; empty if unset

    // Replaces the X resources (RESOURCE_MANAGER on the root), as xrdb would.
    void setResources(const std::string& resources);

    unsigned long createHost(int width, int height, std::uint32_t background);
    void destroy(unsigned long window);

    // The window's pixels, row by row.
    std::vector<Rgb> capture(unsigned long window, int width, int height);

    // True when the pointer's current image is fully transparent (a hidden cursor).
    bool cursorIsBlank();
    // Asks the window to close, as a window manager's close command does.
    void requestClose(unsigned long window);

    // Counts MapNotify events for children of the root from now on.
    void startCountingMaps();
    int mapsCounted();

    // Polls until `condition` holds or the time is up; says whether it held.
    static bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

private:
    Display* m_display = nullptr;
    int m_maps = 0;
};

}  // namespace tessiva::integration
