// The one X error handler, on a real X server: an error counts for the connection that made
// the request, and for no other.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include "platform/linux/x11/x_errors.h"

namespace tessiva {
namespace {

// A window id that names no window any more.
Window destroyedWindow(Display* display) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, window);
    XSync(display, False);
    return window;
}

TEST(XErrors, AnErrorCountsOnlyForTheConnectionThatCausedIt) {
    Display* ours = XOpenDisplay(nullptr);
    Display* theirs = XOpenDisplay(nullptr);  // a sink's or the mouse watcher's, say
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(theirs, nullptr);
    x11::installErrorHandler();
    const Window gone = destroyedWindow(theirs);
    XWindowAttributes attributes{};

    // Another connection's error arrives while we wait for the answer to a good request.
    EXPECT_FALSE(x11::refused(ours, [&] {
        XGetWindowAttributes(ours, DefaultRootWindow(ours), &attributes);
        XGetWindowAttributes(theirs, gone, &attributes);
    }));
    EXPECT_EQ(attributes.width, DisplayWidth(ours, DefaultScreen(ours)));

    // Our own refused request still counts, also while the other connection is being checked.
    EXPECT_TRUE(x11::refused(ours, [&] { XGetWindowAttributes(ours, gone, &attributes); }));
    EXPECT_TRUE(x11::refused(theirs, [&] {
        EXPECT_FALSE(x11::refused(ours, [&] { XGetWindowAttributes(ours, DefaultRootWindow(ours), &attributes); }));
        XGetWindowAttributes(theirs, gone, &attributes);
    }));

    // Outside any check an error is dropped, not fatal.
    XGetWindowAttributes(theirs, gone, &attributes);
    XSync(theirs, False);
    XCloseDisplay(theirs);
    XCloseDisplay(ours);
}

}  // namespace
}  // namespace tessiva
