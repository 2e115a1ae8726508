#!/usr/bin/env bash
# The Windows build's saver under Wine, mid-clip: how often its interface thread wakes, and
# what the process spends, while "/s" plays the installer's MPEG-1 clip full screen. Run on an
# X server of its own (tests/integration/run-under-xvfb.sh). Prints numbers and one goal line;
# never fails on a number.
#   scripts/bench-wine.sh BUILD-WINDOWS-DIR
# BUILD-WINDOWS-DIR holds tessiva.scr, vorn.evc and tests/windows/tessiva_start_as_host.exe.
# Environment: BENCH_RUNS (5 rounds), BENCH_WINE_SECONDS (10 measured seconds a round, after
# 6 s of start, within the clip's 20 s).
set -uo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${BENCH_RUNS:-5}
seconds=${BENCH_WINE_SECONDS:-10}
hz=$(getconf CLK_TCK)

work=$(mktemp -d)
export TESSIVA_WINEPREFIX=$work/prefix
# Wine's last processes may still write into the prefix a moment after they are told to end.
trap '"$root/tests/windows/wine-prefix.sh" stop "$TESSIVA_WINEPREFIX"; rm -rf "$work" 2>/dev/null || { sleep 1; rm -rf "$work"; }' EXIT
"$root/tests/windows/wine-prefix.sh" fresh "$TESSIVA_WINEPREFIX" || exit 1
# The prefix's desktop process started without a display; one started with ours must follow.
"$root/tests/windows/wine-prefix.sh" stop "$TESSIVA_WINEPREFIX"
mkdir -p "$work/app/clips"
cp "$build/tessiva.scr" "$work/app/"
cp "$build/vorn.evc" "$work/app/clips/"
windows_path() { echo "Z:${1//\//\\}"; }
printf '[config]\r\nsound=1\r\npath=%s\\clips\\\r\n' "$(windows_path "$work/app")" >"$work/app/Tessiva.ini"

switches() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/task/$2/status" 2>/dev/null || echo 0; }
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The Unix process behind the saver (the launcher's own line names the program too).
saver_pid() { pgrep -x tessiva.scr | head -n1; }

# One round: starts "/s" as a launcher would, waits, and prints the interface thread's
# voluntary context switches per second and the process's CPU seconds per 10 s. The thread
# that runs the program's WinMain is the process's first (its id is the process id).
measure() {
    # The last round's saver may linger a moment after its Wine is ended.
    for _ in $(seq 50); do [ -z "$(saver_pid)" ] && break; sleep 0.1; done
    "$root/scripts/wine-run.sh" "$build/tests/windows/tessiva_start_as_host.exe" \
        "$(windows_path "$work/app/tessiva.scr")" /s >"$work/round.log" 2>&1 &
    local host=$! pid="" w0 c0
    for _ in $(seq 100); do
        pid=$(saver_pid)
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -n "$pid" ] || { echo "n/a n/a"; kill "$host" 2>/dev/null; wait "$host" 2>/dev/null; return; }
    sleep 6
    w0=$(switches "$pid" "$pid")
    c0=$(ticks "$pid")
    sleep "$seconds"
    echo "$(( $(switches "$pid" "$pid") - w0 )) $(( $(ticks "$pid") - c0 ))" |
        awk -v s="$seconds" -v hz="$hz" '{ printf "%.1f %.2f\n", $1 / s, $2 / hz * 10 / s }'
    # A move of the pointer ends it, as it would a user's saver.
    xdotool mousemove_relative 40 40 2>/dev/null
    for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.1; done
    kill "$host" 2>/dev/null
    wait "$host" 2>/dev/null
    "$root/tests/windows/wine-prefix.sh" stop "$TESSIVA_WINEPREFIX"
}

wakes=() cpus=()
echo "Wine: $(/usr/lib/wine/wine64 --version 2>/dev/null), $rounds rounds of $seconds s mid-clip (the installer's MPEG-1 clip, sound=1)"
printf '%-6s %-26s %s\n' round "wake-ups per s" "CPU s per 10 s"
for round in $(seq "$rounds"); do
    read -r w c < <(measure)
    printf '%-6s %-26s %s\n' "$round" "$w" "$c"
    [ "$w" = n/a ] || { wakes+=("$w"); cpus+=("$c"); }
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mw=$(median "${wakes[@]}")
echo "medians: $mw wake-ups per s, $(median "${cpus[@]}") s CPU per 10 s"
met=$(awk -v w="$mw" 'BEGIN { print (w != "n/a" && w <= 5) ? "met" : "NOT met" }')
printf 'Goal: %-58s %-12s %s\n' "Windows interface thread wake-ups at most 5 per second (Wine)" "$met" "$mw per second (median of the rounds)"
