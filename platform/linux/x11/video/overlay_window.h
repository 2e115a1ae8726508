#pragma once
// The X window the video is drawn into. We create it ourselves, unmapped, before the pipeline
// prerolls and hand it to the sink, so the sink never makes (and maps) a top-level window of
// its own. The program then parents it into its full-screen window, shows it, and places it.
//
// Contract: settings (owner, visibility, requested rectangle, full-screen mode) may be given
// before the window exists; open() applies them. Every setter answers what the sink must do
// next (scale to a new size, put the last picture back). Interface thread only; the sink draws
// into the window from its own thread through its own connection, which is why every change
// here is synced to the server before the sink is told about it.
//
// Facts relied on (Xlib):
// - The window is ours on a connection of our own to DISPLAY; the owner (the program's Qt
//   window) is someone else's, so requests naming it can fail with BadWindow. Those run
//   synchronously with an error handler that records instead of exiting.
// - Event masks are per client: what we select on the owner (StructureNotifyMask, to follow
//   its size) doesn't disturb its own client. The video window selects ExposureMask and
//   StructureNotifyMask only; with no client selecting pointer or key events on it, X
//   propagates them to the owner, so every click and key still reaches the program.
// - A window dies with its parent: when the owner is destroyed, so is the video window.
// - A window with a background pixel is cleared to it (black) wherever it is exposed.
#include "platform/basic_types.h"
#include "platform/shared/video_placement.h"
#include "platform/status.h"

using Display = struct _XDisplay;

namespace tessiva {

// What the sink must do after a change to the window.
struct WindowChange {
    bool resized = false;  // the window has a new size: the picture must be scaled to it
    bool redraw = false;   // the window shows, and its picture must be put back

    WindowChange& operator|=(const WindowChange& other) {
        resized = resized || other.resized;
        redraw = redraw || other.redraw;
        return *this;
    }
};

class OverlayWindow {
public:
    OverlayWindow() = default;
    OverlayWindow(const OverlayWindow&) = delete;
    OverlayWindow& operator=(const OverlayWindow&) = delete;
    ~OverlayWindow();

    // Connects to the display and creates the window, unmapped, as a child of the root. A
    // failure's message is the reason alone, for the render that needed the window.
    Status open();
    // Destroys the window and disconnects; the settings stay for the next open().
    void close();
    bool isOpen() const { return m_window != 0; }
    unsigned long id() const { return m_window; }
    int width() const { return static_cast<int>(m_placed.width); }
    int height() const { return static_cast<int>(m_placed.height); }
    bool mapped() const { return m_mapped; }

    // Parents the window into `owner` (0: back to the root, unmapped). Fails when `owner`
    // names no window.
    Status setOwner(NativeHandle owner, WindowChange& change);
    WindowChange setVisible(bool visible);
    WindowChange setRequest(const PixelRect& request);
    WindowChange setFillOwner(bool fill);
    const PixelRect& request() const { return m_request; }

    // Reads what the server has told us since the last call: the owner's new size, exposed
    // parts of the video window, destruction.
    WindowChange pollEvents();
    // The connection's descriptor (-1 when closed), and whether Xlib already holds events
    // that the socket no longer shows.
    int fd() const;
    bool eventsQueued() const;

private:
    bool eventsWaiting() const;
    WindowChange apply();
    void forgetOwner();

    Display* m_display = nullptr;
    unsigned long m_window = 0;
    NativeHandle m_owner = 0;
    int m_ownerWidth = 0;
    int m_ownerHeight = 0;
    PixelRect m_request = kWholeOwner;
    PixelRect m_placed;  // the window's geometry in its parent
    bool m_visible = false;
    bool m_fill = false;
    bool m_mapped = false;
    bool m_gone = false;  // destroyed along with its owner
};

}  // namespace tessiva
