#!/usr/bin/env bash
# The saver's processor use on GNOME, against gst-launch-1.0 playbin with waylandsink full
# screen, in the same headless gnome-shell (tests/linux/wayland/gnome_session.sh, one
# 1280x720 monitor), in alternating rounds. Counts each player's own CPU time and
# gnome-shell's while it plays, since a player can save its own time by handing work to the
# compositor, its interface thread's wake-ups and its private dirty memory. Prints numbers and
# goal lines; never fails on a number.
#   scripts/bench-gnome.sh PROGRAM CLIP
# Environment: BENCH_RUNS (5 rounds), BENCH_WAYLAND_SECONDS (12 measured seconds a round,
# after 2 s of start; the clip must be longer than both).
set -uo pipefail
program=$1
clip=$2
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/checks.sh"
. "$root/tests/linux/wayland/gnome_session.sh"
. "$root/scripts/bench-players.sh"
rounds=${BENCH_RUNS:-5}
seconds=${BENCH_WAYLAND_SECONDS:-12}

work=$(mktemp -d)
chmod 755 "$work"
trap 'session_stop; rm -rf "$work"' EXIT
new_app "$work" "$program" "$(dirname "$clip")" 1
GNOME_MONITORS=1280x720 session_start "$work" || { echo "GNOME: gnome-shell did not start"; exit 1; }
# waylandsink's own fullscreen property fails in GStreamer 1.22: a key of GNOME's makes its
# window full screen instead (GNOME binds none by default).
as_user gsettings set org.gnome.desktop.wm.keybindings toggle-fullscreen "['<Super>f']"

start_player() {
    as_user_job "$@" >"$work/player.log" 2>&1 &
    player=$!
}
fullscreen_player() { key super press && key f && key super release; }
compositor=$session_pid

echo "GNOME: headless gnome-shell $(gnome-shell --version | awk '{print $3}'), one 1280x720 monitor, $rounds rounds of $seconds s"
compare_players gnome-shell "$app/tessiva" "$clip"
