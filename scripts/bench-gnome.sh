#!/usr/bin/env bash
# The saver's processor use on GNOME, against gst-launch-1.0 playbin with waylandsink full
# screen, in the same headless gnome-shell (tests/linux/wayland/gnome_session.sh, one
# 1280x720 monitor), in alternating rounds. Counts each player's own CPU time and
# gnome-shell's while it plays, since a player can save its own time by handing work to the
# compositor. Prints numbers and one goal line; never fails on a number.
#   scripts/bench-gnome.sh PROGRAM CLIP
# Environment: BENCH_RUNS (5 rounds), BENCH_WAYLAND_SECONDS (12 measured seconds a round,
# after 2 s of start; the clip must be longer than both).
set -uo pipefail
program=$1
clip=$2
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/checks.sh"
. "$root/tests/linux/wayland/gnome_session.sh"
rounds=${BENCH_RUNS:-5}
seconds=${BENCH_WAYLAND_SECONDS:-12}
hz=$(getconf CLK_TCK)

work=$(mktemp -d)
chmod 755 "$work"
trap 'gnome_stop; rm -rf "$work"' EXIT
mkdir "$work/app"
chmod 755 "$work/app"
cp "$program" "$work/app/tessiva"
printf '[config]\npath=%s/\nsound=1\n' "$(dirname "$clip")" >"$work/app/Tessiva.ini"
chmod 644 "$work/app/Tessiva.ini"
gnome_start "$work" 1280x720 || { echo "GNOME: gnome-shell did not start"; exit 1; }
# waylandsink's own fullscreen property fails in GStreamer 1.22: a key of GNOME's makes its
# window full screen instead (GNOME binds none by default).
as_user gsettings set org.gnome.desktop.wm.keybindings toggle-fullscreen "['<Super>f']"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
measure() {
    as_user "$@" >"$work/player.log" 2>&1 &
    local pid=$! a s
    sleep 1
    if [ "$1" = gst-launch-1.0 ]; then remote key 0xffeb press && remote key 0x66 click && remote key 0xffeb release; fi
    sleep 1
    a=$(ticks "$pid")
    s=$(ticks "$gnome_pid")
    sleep "$seconds"
    echo "$(( $(ticks "$pid") - a )) $(( $(ticks "$gnome_pid") - s ))" | awk -v hz="$hz" '{ printf "%.2f %.2f\n", $1 / hz, $2 / hz }'
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    sleep 0.5
}

ours=() theirs=() ours_shell=() theirs_shell=()
echo "GNOME: headless gnome-shell $(gnome-shell --version | awk '{print $3}'), one 1280x720 monitor, $rounds rounds of $seconds s"
printf '%-6s %-26s %-26s\n' round "tessiva (gnome-shell)" "playbin waylandsink (gnome-shell)"
for round in $(seq "$rounds"); do
    read -r t ts < <(measure "$work/app/tessiva" /S)
    read -r p ps < <(measure gst-launch-1.0 -q playbin "uri=file://$clip" "video-sink=waylandsink")
    ours+=("$t") ours_shell+=("$ts") theirs+=("$p") theirs_shell+=("$ps")
    printf '%-6s %-26s %-26s\n' "$round" "$t ($ts)" "$p ($ps)"
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mo=$(median "${ours[@]}") mp=$(median "${theirs[@]}")
mos=$(median "${ours_shell[@]}") mps=$(median "${theirs_shell[@]}")
ratio=$(awk -v a="$mo" -v b="$mp" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }')
both=$(awk -v a="$mo" -v b="$mp" -v c="$mos" -v d="$mps" 'BEGIN { if (b + d > 0) printf "%.3f", (a + c) / (b + d); else print "inf" }')
echo "medians: tessiva $mo s, gnome-shell beside it $mos s; playbin $mp s, gnome-shell beside it $mps s"
echo "with gnome-shell's own share counted: $both x"
met=$(awk -v r="$ratio" 'BEGIN { print (r != "inf" && r <= 1.05) ? "met" : "NOT met" }')
printf 'Goal: %-58s %-12s %s\n' "GNOME CPU at most 1.05 x playbin with waylandsink" "$met" "$ratio"
