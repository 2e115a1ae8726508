# What the compositor benchmarks share (bench-wayland.sh, bench-gnome.sh); sourced, not run.
# The caller defines `measure COMMAND...`, which runs one player for its round and prints its
# own CPU seconds and the compositor's; `compare_players` then plays the saver and playbin in
# alternating rounds and prints the table, the medians and one goal line.
#   compare_players COMPOSITOR GOAL SAVER CLIP
#     COMPOSITOR   the compositor's name in the table ("sway", "gnome-shell")
#     GOAL         the goal line's text
#     SAVER        the saver's program; CLIP the clip playbin plays
# Environment: BENCH_RUNS (5 rounds).

hz=$(getconf CLK_TCK)
# A process's user and system time so far, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

compare_players() {
    local compositor=$1 goal=$2 saver=$3 clip=$4 round t ts p ps
    local ours=() theirs=() ours_c=() theirs_c=()
    printf '%-6s %-26s %-26s\n' round "tessiva ($compositor)" "playbin waylandsink ($compositor)"
    for round in $(seq "${BENCH_RUNS:-5}"); do
        read -r t ts < <(measure "$saver" /S)
        read -r p ps < <(measure gst-launch-1.0 -q playbin "uri=file://$clip" "video-sink=waylandsink")
        ours+=("$t") ours_c+=("$ts") theirs+=("$p") theirs_c+=("$ps")
        printf '%-6s %-26s %-26s\n' "$round" "$t ($ts)" "$p ($ps)"
    done
    local mo mp mos mps ratio both met
    mo=$(median "${ours[@]}") mp=$(median "${theirs[@]}")
    mos=$(median "${ours_c[@]}") mps=$(median "${theirs_c[@]}")
    ratio=$(awk -v a="$mo" -v b="$mp" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }')
    both=$(awk -v a="$mo" -v b="$mp" -v c="$mos" -v d="$mps" 'BEGIN { if (b + d > 0) printf "%.3f", (a + c) / (b + d); else print "inf" }')
    echo "medians: tessiva $mo s, $compositor beside it $mos s; playbin $mp s, $compositor beside it $mps s"
    echo "with $compositor's own share counted: $both x"
    met=$(awk -v r="$ratio" 'BEGIN { print (r != "inf" && r <= 1.05) ? "met" : "NOT met" }')
    printf 'Goal: %-58s %-12s %s\n' "$goal" "$met" "$ratio"
}
