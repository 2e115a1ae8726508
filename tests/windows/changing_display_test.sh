#!/usr/bin/env bash
# The saver under Wine on a display that changes size while it runs, as the Display settings
# change it (ChangeDisplaySettingsEx, which tells every window with WM_DISPLAYCHANGE). Runs
# on an Xtigervnc of its own, whose size can change; Xvfb's can't.
#   changing_display_test.sh BUILD-DIR START-AS-HOST-EXE DESKTOP-PROBE-EXE
# TESSIVA_WINEPREFIX names the prefix. Ends with "N passed, N failed".
set -uo pipefail
build=$1
start_exe=$2
probe_exe=$3
work=$(mktemp -d)
Xtigervnc -geometry 1280x1024 -SecurityTypes None -rfbport 0 -nolisten tcp -displayfd 3 3>"$work/display" \
    >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
wine=/usr/lib/wine/wine64
export WINEPREFIX=$TESSIVA_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
source "$(dirname "$0")/checks.sh"
trap '"$(dirname "$0")/wine-prefix.sh" stop "$WINEPREFIX"; kill "$server" 2>/dev/null; rm -rf "$work"' EXIT

cp "$build/tessiva.scr" "$build/vorn.evc" "$work/"
write_settings "$work/Tessiva.ini" 0 "$(windows_path "$work")\\"
"$wine" "$start_exe" "$(windows_path "$work/tessiva.scr")" /s >/dev/null 2>&1 &
pid=$!
saver=$(find_window Form1 150)
geometry_of() { xwininfo -id "$1" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
video() { xwininfo -root -tree | awk '$2 == "\"ActiveMovie" {print $1; exit}'; }
for _ in $(seq 50); do [ "$(geometry_of "$saver")" = 1280x1024 ] && break; sleep 0.1; done
[ "$(geometry_of "$saver")" = 1280x1024 ]
check "the saver covers the 1280x1024 screen" $? "$(geometry_of "$saver")"
sleep 2

"$wine" "$probe_exe" display 1920 1200
check "the display grows to 1920x1200" $?
sleep 1
[ "$(geometry_of "$saver")" = 1920x1200 ] && [ "$(geometry_of "$(video)")" = 1920x1200 ]
check "a second later the saver and its video cover all of it" $? \
    "saver $(geometry_of "$saver"), video $(geometry_of "$(video)")"
"$wine" "$probe_exe" display 1280 1024
sleep 1
[ "$(geometry_of "$saver")" = 1280x1024 ] && [ "$(geometry_of "$(video)")" = 1280x1024 ]
check "and after it shrank back, they fit it again" $? "saver $(geometry_of "$saver"), video $(geometry_of "$(video)")"
xdotool mousemove_relative 5 5
wait_exit "$pid" 50
[ "$status" = 0 ]
check "the saver still ends with 0 on a mouse movement" $? "status $status"

finish
