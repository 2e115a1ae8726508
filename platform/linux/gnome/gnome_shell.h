#pragma once
// GNOME Shell, where the saver needs it, on Wayland and on X11 alike: a full-screen window
// mapped while the overview is open (as it is right after login) stays a thumbnail inside it,
// never gets the keyboard, and keys don't end it, so the saver closes the overview before it
// shows.
//
// Facts relied on (gnome-shell 43): org.gnome.Shell on the session bus has the writable
// property OverviewActive, which any client may set. The program never starts a session bus:
// without DBUS_SESSION_BUS_ADDRESS there is nothing to ask. Interface thread, at start-up.
namespace tessiva {

// Closes GNOME Shell's overview if it is open; does nothing elsewhere, and waits at most
// a second for an answer.
void closeGnomeOverview();

}  // namespace tessiva
