#pragma once
// The command line of a screensaver daemon (xscreensaver, and MATE's and Xfce's, which run
// xscreensaver's programs), read before the program's own switches: `--root` (or `-root`)
// plays in the window that XSCREENSAVER_WINDOW names, `--window-id ID` (or `-window-id`,
// also `--window-id=ID`) in window ID, decimal or 0x hex; the window id wins over --root.
// They count only as the first argument: "/S" and the others keep their own rule that only
// their first two characters decide. Pure; any thread.
#include <optional>
#include <string>

namespace tessiva {

struct DaemonHost {
    unsigned long window = 0;  // the window to play in; 0 with an error
    std::string error;         // why the command line names none, as one line
};

// Nothing when the command line isn't a daemon's; otherwise the window it names, or why it
// names none. `xscreensaverWindow` is the variable's value (null when unset).
std::optional<DaemonHost> daemonHost(int argc, const char* const* argv, const char* xscreensaverWindow);

}  // namespace tessiva
