#!/usr/bin/env bash
# The headless sway of sway_session.sh, without the saver: two outputs as configured, painted
# the background colour, a pointer and a keyboard that reach the compositor, and nothing left
# behind at the stop. A saver test that fails for want of any of these would blame the saver.
#   harness_selftest.sh VIRTUAL_POINTER
# Ends with "N passed, N failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../checks.sh"
. "$here/sway_session.sh"
. "$here/pictures.sh"
work=$(mktemp -d)
idle_pid=
cleanup() {
    [ -n "$idle_pid" ] && kill "$idle_pid" 2>/dev/null && wait "$idle_pid" 2>/dev/null
    session_stop
    rm -rf "$work"
}
trap cleanup EXIT
ms() { echo $(( $(date +%s%N) / 1000000 )); }

t0=$(ms)
session_start "$work" "${1:-}"
check "sway starts" $? "see above"
[ "$passed" = 1 ] || { finish; exit 1; }
echo "     (sway up, two outputs and a pointer in $(( $(ms) - t0 )) ms)"
run=$session_run

got=$(sway_outputs | tr '\n' ' ')
[ "$got" = "HEADLESS-1 1280x720+0+0 HEADLESS-2 800x600+1280+0 " ]
check "two outputs side by side" $? "$got"

shot start
one=$session_shots/start-1.ppm two=$session_shots/start-2.ppm
size=$(identify -format %wx%h "$two" 2>/dev/null)
[ "$size" = 800x600 ]
check "a shot has its output's size" $? "$size"
share=$(pixel_share "$two" "$SESSION_BACKGROUND")
[ "$share" = 1000 ]
check "HEADLESS-2 shows the background only" $? "share $share"
# sway draws the cursor into the picture (no hardware cursor here): a saver that does not hide
# it shows it too.
share=$(pixel_share "$one" "$SESSION_BACKGROUND")
[ "$share" -ge 999 ] 2>/dev/null
check "HEADLESS-1 shows the background" $? "share $share"
read -r w h x y < <(convert "$one" -fill white -opaque "$SESSION_BACKGROUND" -trim -format '%w %h %X %Y' info:)
[ $((x)) -le 640 ] && [ $((x + w)) -gt 640 ] && [ $((y)) -le 360 ] && [ $((y + h)) -gt 360 ]
check "and the cursor at its middle" $? "${w}x$h$x$y"
[ "$(pixel_share "$two" '#000000')" = 0 ]
check "pixel_share counts only the colour asked" $?

# Focus follows the pointer onto the other output: the motion reached sway's cursor.
[ "$(sway_focused_output)" = HEADLESS-1 ]
check "HEADLESS-1 focused at the start" $? "$(sway_focused_output)"
pointer move 1000 0 && [ "$(sway_focused_output)" = HEADLESS-2 ]
check "pointer moves onto HEADLESS-2" $? "$(sway_focused_output)"
pointer move -1000 0 && [ "$(sway_focused_output)" = HEADLESS-1 ]
check "pointer moves back" $? "$(sway_focused_output)"
pointer button right click && pointer button left press && pointer button left release \
    && pointer wheel 1 && pointer wheel -2
check "buttons and wheel answered" $?
! pointer jump 1 2 2>/dev/null
check "a wrong pointer command fails" $?

# Keys and motion count as activity for the idle timer, with or without a focused client.
idle_log=$session_run/idle.log
as_user touch "$idle_log"
as_user_job swayidle timeout 1 "echo idle >>$idle_log" resume "echo resume >>$idle_log" 2>/dev/null &
idle_pid=$!
# Waits up to 3 s for the idle log's last line to be $1.
idle_now() {
    local i
    for i in $(seq 60); do [ "$(tail -n1 "$idle_log")" = "$1" ] && return 0; sleep 0.05; done
    return 1
}
for input in "pointer move 3 0" "key x" "key shift"; do
    idle_now idle && $input && idle_now resume
    check "$input is activity" $? "$(tr '\n' ' ' <"$idle_log")"
done
kill "$idle_pid"; wait "$idle_pid" 2>/dev/null; idle_pid=

t0=$(ms)
session_stop
echo "     (stopped in $(( $(ms) - t0 )) ms)"
left=$(session_processes "$run")
[ -z "$left" ]
check "no process of the session remains" $? "$left"
[ ! -e "$run" ] && [ -z "${SWAYSOCK:-}" ] && [ -z "$session_run" ]
check "runtime dir removed, nothing of the session in our environment" $?

finish
