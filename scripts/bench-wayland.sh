#!/usr/bin/env bash
# The saver's processor use on Wayland, against gst-launch-1.0 playbin with waylandsink full
# screen, in the same headless sway (tests/linux/wayland/sway_session.sh), in alternating rounds,
# at each output size. Counts each player's own CPU time and sway's while it plays, since a
# player can save its own time by handing work to the compositor, its interface thread's
# wake-ups and its private dirty memory. Prints numbers and goal lines; never fails on a
# number.
#   scripts/bench-wayland.sh PROGRAM VIRTUAL_POINTER CLIP
# Environment: BENCH_RUNS (5 rounds), BENCH_WAYLAND_SECONDS (12 measured seconds a round,
# after 2 s of start; the clip must be longer than both), BENCH_WAYLAND_SIZES (the first
# output's sizes, "1280x720 3840x2160").
set -uo pipefail
program=$1
pointer_tool=$2
clip=$3
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/checks.sh"
. "$root/tests/linux/wayland/sway_session.sh"
. "$root/scripts/bench-players.sh"
rounds=${BENCH_RUNS:-5}
seconds=${BENCH_WAYLAND_SECONDS:-12}

work=$(mktemp -d)
chmod 755 "$work"
trap 'session_stop; rm -rf "$work"' EXIT
new_app "$work" "$program" "$(dirname "$clip")" 1

start_player() {
    as_user_job "$@" >"$work/player.log" 2>&1 &
    player=$!
}
# waylandsink's own fullscreen property fails in GStreamer 1.22 (its window doesn't exist yet
# when the property is set, and none shows): sway makes the new window full screen instead.
fullscreen_player() { sway_msg -q fullscreen enable; }

for size in ${BENCH_WAYLAND_SIZES:-1280x720 3840x2160}; do
    SWAY_OUTPUT_SIZE=$size session_start "$work" "$pointer_tool" || exit 1
    compositor=$session_pid
    echo
    echo "Wayland: headless sway $(sway --version | awk '{print $3}'), output $(sway_outputs | head -n1), $rounds rounds of $seconds s"
    compare_players sway "$app/tessiva" "$clip"
    session_stop
done
