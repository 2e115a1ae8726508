#!/usr/bin/env bash
# The saver's processor use on Wayland, against gst-launch-1.0 playbin with waylandsink full
# screen, in the same headless sway (tests/linux/wayland/sway_session.sh), in alternating rounds.
# Counts each player's own CPU time and sway's while it plays, since a player can save its own
# time by handing work to the compositor. Prints numbers and one goal line; never fails on a
# number.
#   scripts/bench-wayland.sh PROGRAM VIRTUAL_POINTER CLIP
# Environment: BENCH_RUNS (5 rounds), BENCH_WAYLAND_SECONDS (12 measured seconds a round,
# after 2 s of start; the clip must be longer than both).
set -uo pipefail
program=$1
pointer_tool=$2
clip=$3
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/linux/wayland/sway_session.sh"
rounds=${BENCH_RUNS:-5}
seconds=${BENCH_WAYLAND_SECONDS:-12}
hz=$(getconf CLK_TCK)

work=$(mktemp -d)
chmod 755 "$work"
trap 'pkill -P $$ 2>/dev/null; sway_stop; rm -rf "$work"' EXIT
mkdir "$work/app"
cp "$program" "$work/app/tessiva"
printf '[config]\npath=%s/\nsound=1\n' "$(dirname "$clip")" >"$work/app/Tessiva.ini"
sway_start "$work" "$pointer_tool" || exit 1
sway=$(pgrep -f -x "sway -c $XDG_RUNTIME_DIR/config" | head -n1)

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# Runs "$@" for 2 + seconds, and prints its CPU seconds and sway's over the last `seconds`.
# waylandsink's own fullscreen property fails in GStreamer 1.22 (its window doesn't exist yet
# when the property is set, and none shows): sway makes the new window full screen instead.
measure() {
    "$@" >"$work/player.log" 2>&1 &
    local pid=$! a s
    sleep 1
    [ "$1" = gst-launch-1.0 ] && swaymsg -q fullscreen enable
    sleep 1
    a=$(ticks "$pid")
    s=$(ticks "$sway")
    sleep "$seconds"
    echo "$(( $(ticks "$pid") - a )) $(( $(ticks "$sway") - s ))" | awk -v hz="$hz" '{ printf "%.2f %.2f\n", $1 / hz, $2 / hz }'
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    sleep 0.5
}

ours=() theirs=() ours_sway=() theirs_sway=()
echo "Wayland: headless sway $(sway --version | awk '{print $3}'), output $(outputs | head -n1), $rounds rounds of $seconds s"
printf '%-6s %-22s %-22s\n' round "tessiva (sway)" "playbin waylandsink (sway)"
for round in $(seq "$rounds"); do
    read -r t ts < <(measure "$work/app/tessiva" /S)
    read -r p ps < <(measure gst-launch-1.0 -q playbin "uri=file://$clip" "video-sink=waylandsink")
    ours+=("$t") ours_sway+=("$ts") theirs+=("$p") theirs_sway+=("$ps")
    printf '%-6s %-22s %-22s\n' "$round" "$t ($ts)" "$p ($ps)"
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mo=$(median "${ours[@]}") mp=$(median "${theirs[@]}")
mos=$(median "${ours_sway[@]}") mps=$(median "${theirs_sway[@]}")
ratio=$(awk -v a="$mo" -v b="$mp" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }')
both=$(awk -v a="$mo" -v b="$mp" -v c="$mos" -v d="$mps" 'BEGIN { if (b + d > 0) printf "%.3f", (a + c) / (b + d); else print "inf" }')
echo "medians: tessiva $mo s, sway beside it $mos s; playbin $mp s, sway beside it $mps s"
echo "with sway's own share counted: $both x"
met=$(awk -v r="$ratio" 'BEGIN { print (r != "inf" && r <= 1.05) ? "met" : "NOT met" }')
printf 'Goal: %-58s %-12s %s\n' "Wayland CPU at most 1.05 x playbin with waylandsink" "$met" "$ratio"
