# What the compositor benchmarks share (bench-wayland.sh, bench-gnome.sh); sourced, not run.
# The caller defines `start_player COMMAND...`, which starts one player in the background in
# the compositor's session and sets `player` to its PID, and `fullscreen_player`, which makes
# playbin's window full screen; and sets `compositor` to the compositor's PID and `seconds`.
# `compare_players` then plays the saver and playbin in alternating rounds and prints the
# table, the medians and the goal lines.
#   compare_players COMPOSITOR SAVER CLIP
#     COMPOSITOR   the compositor's name in the table ("sway", "gnome-shell")
#     SAVER        the saver's program; CLIP the clip playbin plays
# Environment: BENCH_RUNS (5 rounds).

hz=$(getconf CLK_TCK)
# A process's user and system time so far, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# How often the process's main thread (the interface thread) has gone to sleep and woken.
switches() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/task/$1/status" 2>/dev/null || echo 0; }
# Its private dirty memory in kB.
private_dirty() { awk '/^Private_Dirty/ { print $2 }' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Plays COMMAND for 2 + seconds, and prints over the last `seconds` its CPU seconds, the
# compositor's, its interface thread's wake-ups a second, and at the end its private dirty MB.
measure() {
    start_player "$@"
    sleep 1
    [ "$1" = gst-launch-1.0 ] && fullscreen_player
    sleep 1
    local a s w
    a=$(ticks "$player") s=$(ticks "$compositor") w=$(switches "$player")
    sleep "$seconds"
    echo "$(( $(ticks "$player") - a )) $(( $(ticks "$compositor") - s )) $(( $(switches "$player") - w )) $(private_dirty "$player")" |
        awk -v hz="$hz" -v s="$seconds" '{ printf "%.2f %.2f %.1f %.1f\n", $1 / hz, $2 / hz, $3 / s, $4 / 1024 }'
    kill "$player" 2>/dev/null
    wait "$player" 2>/dev/null
    sleep 0.5
}

goal() {  # goal TEXT VALUE LIMIT SHOWN
    printf 'Goal: %-62s %-8s %s\n' "$1" "$(awk -v v="$2" -v l="$3" 'BEGIN { print (v != "inf" && v <= l) ? "met" : "NOT met" }')" "$4"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }'; }

compare_players() {
    local compositor_name=$1 saver=$2 clip=$3 round t ts tw tm p ps pw pm
    local ours=() theirs=() ours_c=() theirs_c=() ours_w=() theirs_w=() ours_m=() theirs_m=()
    printf '%-6s %-44s %s\n' round "tessiva: CPU s ($compositor_name), wake-ups/s, MB" \
        "playbin waylandsink: CPU s ($compositor_name), wake-ups/s, MB"
    for round in $(seq "${BENCH_RUNS:-5}"); do
        read -r t ts tw tm < <(measure "$saver" /S)
        read -r p ps pw pm < <(measure gst-launch-1.0 -q playbin "uri=file://$clip" "video-sink=waylandsink")
        ours+=("$t") ours_c+=("$ts") ours_w+=("$tw") ours_m+=("$tm")
        theirs+=("$p") theirs_c+=("$ps") theirs_w+=("$pw") theirs_m+=("$pm")
        printf '%-6s %-44s %s\n' "$round" "$t ($ts), $tw, $tm" "$p ($ps), $pw, $pm"
    done
    local mo mp mos mps mow mpw mom mpm own both memory
    mo=$(median "${ours[@]}") mp=$(median "${theirs[@]}") mos=$(median "${ours_c[@]}") mps=$(median "${theirs_c[@]}")
    mow=$(median "${ours_w[@]}") mpw=$(median "${theirs_w[@]}") mom=$(median "${ours_m[@]}") mpm=$(median "${theirs_m[@]}")
    echo "medians: tessiva $mo s, $compositor_name beside it $mos s, $mow wake-ups/s, $mom MB;" \
        "playbin $mp s, $compositor_name beside it $mps s, $mpw wake-ups/s, $mpm MB"
    own=$(ratio "$mo" "$mp") both=$(ratio "$(awk -v a="$mo" -v b="$mos" 'BEGIN { print a + b }')" \
        "$(awk -v a="$mp" -v b="$mps" 'BEGIN { print a + b }')") memory=$(ratio "$mom" "$mpm")
    goal "CPU at most 1.05 x playbin with waylandsink ($compositor_name)" "$own" 1.05 "$own"
    goal "with $compositor_name's own share counted, at most 1.05 x" "$both" 1.05 "$both"
    goal "interface thread wake-ups at most 5 per second" "$mow" 5 "$mow per second"
    goal "private dirty memory at most 1.05 x playbin's" "$memory" 1.05 "$memory ($mom MB against $mpm MB)"
}
