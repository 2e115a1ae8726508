#include "platform/linux/qt/session_bus.h"

#include <QByteArray>

namespace tessiva {
namespace {

// A socket that can't exist: connecting fails with ENOENT, before any autolaunch.
constexpr char kNoBus[] = "unix:path=/nonexistent/tessiva-has-no-session-bus";

}  // namespace

void keepQtOffTheSessionBus() { qputenv("DBUS_SESSION_BUS_ADDRESS", kNoBus); }

void keepQtFromStartingABus() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) qputenv("DBUS_SESSION_BUS_ADDRESS", kNoBus);
}

}  // namespace tessiva
