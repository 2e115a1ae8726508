#!/usr/bin/env bash
# The real tessiva.scr under Wine as "/s", against what else runs on the desktop; run under
# tests/integration/run-under-xvfb.sh --wm: the window manager gives the keyboard to the
# window that Windows makes the foreground one, as a desktop does.
# - Sound: against a PulseAudio of the test's own (Wine plays to it), sound=1 streams the
#   clip's sound, and sound=0 leaves no audio renderer running: no stream at all.
# - The foreground: another program's window that takes it ends the saver with 0, and what
#   is typed afterwards reaches that window; the saver's own window made the foreground one
#   again keeps it playing.
# - A folder of 80 CJK characters in "path" (a Unicode settings file, as the installer
#   writes) still finds the clip.
#   saver_desktop_test.sh BUILD-DIR START-AS-HOST-EXE TAKER-EXE
set -uo pipefail

build=$1
start_exe=$2
taker_exe=$3
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../scripts/wine-run.sh"
work=$(mktemp -d)
source "$here/checks.sh"
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"' EXIT

# A copy of the program with a Unicode settings file: path $2, sound $3.
new_copy() {
    local dir=$work/$1
    mkdir -p "$dir"
    cp "$build/tessiva.scr" "$dir/"
    write_settings --unicode "$dir/Tessiva.ini" "$3" "$2"
    echo "$dir"
}

# Starts "/s" from a copy named $1 with clips in the folder $2 and sound $3, and waits for
# its picture; sets pid, and shown to 0 once the clip shows.
start_saver() {
    dir=$(new_copy "$1" "$(windows_path "$2")\\" "$3")
    start_program "$dir" /s
    [ -n "$(find_window Form1 150)" ] && wait_for 10 picture_shows
    shown=$?
}
saver_ends() {
    xdotool key a 2>/dev/null
    wait_exit "$pid" 50
    [ "$status" = 0 ]
}

start_sound_server "$work/pulse"
check "a PulseAudio with a null sink runs" $? "$(tail -3 "$work/pulse/log")"
streaming() { [ "$(sound_streams)" -gt 0 ]; }

mkdir -p "$work/clips"
cp "$build/vorn.evc" "$work/clips/"
start_saver sound1 "$work/clips" 1
[ "$shown" = 0 ] && wait_for 10 streaming
check "sound=1 plays the clip's sound" $? "shown $shown, streams: $(pactl list short sink-inputs 2>&1)"
saver_ends
check "sound=1: a key ends the saver with 0" $? "status $status"

start_saver sound0 "$work/clips" 0
[ "$shown" = 0 ] && [ "$(sound_streams)" = 0 ]
check "sound=0 plays the clip with no audio renderer running" $? "shown $shown, streams: $(pactl list short sink-inputs 2>&1)"
saver_ends
check "sound=0: a key ends the saver with 0" $? "status $status"

start_saver foreground "$work/clips" 0
"$run" "$taker_exe" take >"$work/taker.log" 2>&1 &
taker=$!
wait_exit "$pid" 100
[ "$shown" = 0 ] && [ "$status" = 0 ]
check "another program's window taking the foreground ends the saver with 0" $? "shown $shown, status $status"
taker_window=$(find_window Taker 100)
has_focus() { [ -n "$taker_window" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$((taker_window))" ]; }
wait_for 10 has_focus
check "that window has the keyboard" $?
xdotool type abc 2>/dev/null
wait_exit "$taker" 100
[ "$status" = 0 ] && grep -q '^typed abc' "$work/taker.log"
check "what is typed then reaches that window" $? "status $status: $(cat "$work/taker.log")"

start_saver again "$work/clips" 0
"$run" "$taker_exe" activate >"$work/activate.log" 2>&1
activated=$?
wait_exit "$pid" 1
[ "$shown" = 0 ] && [ "$activated" = 0 ] && [ "$status" = running ]
check "the saver's own window made the foreground one again keeps it playing" $? "shown $shown, activate $activated, status $status"
saver_ends
check "and a key still ends it with 0" $? "status $status"

cjk=$(python3 -c 'print("".join(chr(0x4E00 + i * 7) for i in range(80)))')
mkdir -p "$work/$cjk"
cp "$build/vorn.evc" "$work/$cjk/"
start_saver cjk "$work/$cjk" 0
check "a folder of 80 CJK characters in \"path\" plays the clip" "$shown"
saver_ends

finish
