#pragma once
// The end of the program when its display goes away, whichever desktop it was: the X server
// or the Wayland compositor died, or our connection to it broke. Nothing can be shown any
// more, not even a report. Any thread.
namespace tessiva {

// Ends the process at once with status 1, after one line on stderr, from whichever thread
// notices first, without a destructor or exit handler: a second thread that notices
// meanwhile ends the same process the same way.
[[noreturn]] void displayLost();

// From now on an exit() from a library counts as a lost display. Qt's xcb plugin calls
// exit(1) when its connection breaks, while the video's threads still use theirs; exit's
// teardown on one thread under those threads corrupted the heap. The program itself never
// calls exit(), so this is registered last, once the window system is up, and runs first.
void treatLibraryExitAsDisplayLost();

}  // namespace tessiva
