#!/usr/bin/env bash
# The saver on a desktop that changes under it, as a user meets it: the screen grows and
# shrinks (a laptop docked: Xtigervnc, whose size xrandr can change), a monitor is plugged in
# and taken away (xrandr --setmonitor on Xvfb), and the X server dies while the clip plays,
# 25 times over. Starts its own X servers.
#   changing_desktop_test.sh PROGRAM
# Ends with "N passed, N failed".
set -uo pipefail
program=$1
. "$(dirname "$0")/../checks.sh"
work=$(mktemp -d)
servers=()
cleanup() {
    pkill -P $$ 2>/dev/null
    for p in "${servers[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# Starts an X server ("$@", which takes -displayfd 3) and sets DISPLAY and server.
start_server() {
    rm -f "$work/display"
    "$@" -displayfd 3 3>"$work/display" >"$work/server.log" 2>&1 &
    server=$!
    servers+=("$server")
    wait_for 10 test -s "$work/display"
    export DISPLAY=":$(head -n1 "$work/display")"
}
stop_server() { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; }

# Starts the saver and waits, up to 10 s, until its window holds the focus, which it takes
# once it has placed itself; sets saver and pid.
start_saver() {
    "$program" /S >"$work/saver.log" 2>&1 &
    pid=$!
    saver=""
    wait_for 10 saver_has_focus
}
saver_has_focus() {
    saver=$(xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Form1\":" {print $1; exit}')
    [ -n "$saver" ] && [ "$(xdotool getwindowfocus getwindowpid 2>/dev/null)" = "$pid" ]
}
geometry() { xwininfo -id "$saver" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
has_geometry() { [ "$(geometry)" = "$1" ]; }
# Pure-green pixels (the desktop's background) in the region WxH+X+Y of the screen.
green_in() { import -window root -crop "$1" +repage -depth 8 txt:- 2>/dev/null | grep -c '#00FF00'; }

# ---- The screen grows and shrinks.
start_server Xtigervnc -geometry 1920x1080 -SecurityTypes None -rfbport 0 -nolisten tcp
xsetroot -solid '#00ff00'
start_saver
wait_for 5 has_geometry 1920x1080
check "the saver covers the 1920x1080 screen" $? "$(geometry)"
xrandr -s 1920x1200 >/dev/null 2>&1
sleep 1
[ "$(geometry)" = 1920x1200 ] && [ "$(green_in 1920x1200+0+0)" = 0 ]
check "a second after the screen grew to 1920x1200, the saver covers all of it" $? \
    "$(geometry), $(green_in 1920x1200+0+0) desktop pixels show"
xrandr -s 1920x1080 >/dev/null 2>&1
sleep 1
[ "$(geometry)" = 1920x1080 ]
check "a second after it shrank back, the saver fits it again" $? "$(geometry)"
xdotool mousemove_relative 5 5
wait_exit "$pid" 50
[ "$status" = 0 ]
check "and it still ends with 0 on a mouse movement" $? "status $status"
stop_server

# ---- A monitor plugged in, and taken away again.
start_server Xvfb -screen 0 2560x720x24 -nolisten tcp -noreset
xrandr --setmonitor L 1280/339x720/191+0+0 screen >/dev/null 2>&1
xsetroot -solid '#00ff00'
start_saver
wait_for 5 has_geometry 1280x720
[ "$(geometry)" = 1280x720 ] && [ "$(green_in 1280x720+1280+0)" = 921600 ]
check "with one monitor, the saver covers it and the rest of the screen shows the desktop" $? "$(geometry)"
xrandr --setmonitor R 1280/339x720/191+1280+0 none >/dev/null 2>&1
sleep 1
[ "$(green_in 1280x720+1280+0)" = 0 ]
check "a second after a monitor came, it is black" $? "$(green_in 1280x720+1280+0) desktop pixels show"
xrandr --delmonitor R >/dev/null 2>&1
sleep 1
[ "$(green_in 1280x720+1280+0)" = 921600 ] && [ "$(geometry)" = 1280x720 ]
check "a second after it went, its cover is gone and the saver stays" $? "$(geometry)"
kill -0 "$pid" 2>/dev/null
check "the saver runs on through the changes" $?
stop_server
wait_exit "$pid" 50

# ---- The X server dies while the clip plays.
signals=0
heap=0
statuses=""
for run in $(seq 25); do
    start_server Xvfb -screen 0 640x480x24 -nolisten tcp -noreset
    start_saver
    sleep 1  # a second into the clip
    kill -9 "$server"
    wait "$server" 2>/dev/null
    wait_exit "$pid" 100
    [ "$status" = running ] && kill -9 "$pid" 2>/dev/null
    [ "$status" != running ] && [ "$status" -gt 128 ] && signals=$((signals + 1))
    grep -qiE 'double free|corruption|invalid pointer|malloc\(\)|free\(\)' "$work/saver.log" && heap=$((heap + 1))
    statuses+="$status "
done
[ "$signals" = 0 ] && [ "$heap" = 0 ]
check "25 times the X server died under the saver: no run died of a signal or of a broken heap" $? \
    "$signals by a signal, $heap with a heap message; statuses: $statuses"
[ "$(tr ' ' '\n' <<<"$statuses" | grep -c '^1$')" = 25 ]
check "every run ended with status 1" $? "statuses: $statuses"

finish
