#pragma once
// The session bus, as Qt would use it. Qt connects to it as it starts (its accessibility
// bridge asks the bus where the accessibility bus is), and libdbus, finding no
// DBUS_SESSION_BUS_ADDRESS, runs `dbus-launch --autolaunch` where dbus-x11 is installed: that
// bus outlives the program, one per start. The saver and the preview on X11 need nothing
// from a bus, and a connection to a desktop's bus costs them time at their end.
//
// Both work by what Qt reads: an address where nothing answers fails at once, and nothing is
// started. Before the QApplication exists, on the interface thread.
namespace tessiva {

// Qt makes no connection to the session bus, whether or not one runs.
void keepQtOffTheSessionBus();

// Where no session bus is named, Qt starts none; a named one stays Qt's (the dialog's
// accessibility).
void keepQtFromStartingABus();

}  // namespace tessiva
