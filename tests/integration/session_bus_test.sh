#!/usr/bin/env bash
# The saver, the preview and the dialog start no session bus of their own. In an X session
# started by hand (startx with xautolock, say) no DBUS_SESSION_BUS_ADDRESS is set; where
# dbus-x11 is installed, libdbus would then autolaunch a dbus-daemon for Qt, which outlives
# the program: one more with every start of the saver. Runs on an X display
# (run-under-xvfb.sh), with dbus-x11 installed.
#   session_bus_test.sh PROGRAM
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../checks.sh"
program=$1
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"' EXIT
unset DBUS_SESSION_BUS_ADDRESS
cp "$program" "$work/tessiva"
settings "$(cd "$here/../../assets" && pwd)/" 0 >"$work/Tessiva.ini"

command -v dbus-launch >/dev/null
check "dbus-x11 is installed, so that libdbus could autolaunch a bus" $?
daemons() { pgrep -x dbus-daemon | sort; }
before=$(daemons)
# The daemons that came since the start (one that went meanwhile is no matter here).
new_daemons() { comm -13 <(echo "$before") <(daemons) | grep -c .; }
has_focus() { [ "$(xdotool getwindowfocus getwindowpid 2>/dev/null)" = "$1" ]; }

"$work/tessiva" /S >"$work/saver.log" 2>&1 &
pid=$!
wait_for 10 has_focus "$pid"
xdotool key a
wait_exit "$pid" 50
[ "$status" = 0 ] && [ "$(new_daemons)" = 0 ]
check "\"/S\" ends on a key and leaves no dbus-daemon behind" $? "status $status; $(new_daemons) new dbus-daemon"

"$work/tessiva" /C >"$work/dialog.log" 2>&1 &
pid=$!
wait_for 10 has_focus "$pid"
xdotool key Tab space  # Cancel
wait_exit "$pid" 50
[ "$status" = 0 ] && [ "$(new_daemons)" = 0 ]
check "\"/C\" ends on Cancel and leaves no dbus-daemon behind" $? "status $status; $(new_daemons) new dbus-daemon"

# A preview host that closes at once: the preview starts, finds its host gone and ends.
"$work/tessiva" /P 0 >"$work/preview.log" 2>&1 &
pid=$!
wait_exit "$pid" 100
[ "$status" = 0 ] && [ "$(new_daemons)" = 0 ]
check "\"/P\" leaves no dbus-daemon behind" $? "status $status; $(new_daemons) new dbus-daemon"

finish
