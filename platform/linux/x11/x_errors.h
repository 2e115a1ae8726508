#pragma once
// The program's one Xlib error handler, for every X connection of ours: the queries', the
// desktop watch's, the video window's, the sinks' and the mouse watcher's.
//
// Facts relied on:
// - Xlib's error handler is process-wide. It is called for an error on any connection, on
//   whichever thread reads that connection's replies; the default handler exits the process.
// - Qt's xcb plugin installs a handler of its own that drops every error, so ours goes back
//   in around each checked request as well as once at start-up.
// - XSync returns once the server has answered everything sent so far, errors included.
//
// - Xlib calls the I/O error handler when a connection breaks, on the thread that used it, and
//   exits the process if the handler returns; the default handler calls exit().
//
// The handler drops every error, so that a window destroyed under a sink can't end the
// program, except that an error on a display that is inside refused() counts for that call
// alone. An error on another connection at the same moment (the sink's, the watcher's) is
// not the answer to our request and must not pass for one.
#include <functional>

using Display = struct _XDisplay;

namespace tessiva::x11 {

// Installs the error handler, and the I/O error handler that ends the program when a
// connection is lost (process/display_lost.h); safe to call again. The first call comes before any thread of ours, the
// media framework's included, opens a connection.
void installErrorHandler();

// Runs `requests` on `display` synchronously and says whether the server refused one of
// them. Thread-safe across displays; one display is checked by one thread at a time.
bool refused(Display* display, const std::function<void()>& requests);

}  // namespace tessiva::x11
