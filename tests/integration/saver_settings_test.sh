#!/usr/bin/env bash
# The saver's two settings on a real desktop: "sound" and "path".
# - sound=0 plays with no sound path: no device opened (nothing said about one on stderr, where
#   none answers) and no stream on a sound server; sound=1 plays its sound to the server.
# - a "path" of 80 CJK characters (longer than 254 bytes of UTF-8, shorter than 254
#   characters) still finds the clip.
# The sound server is a PulseAudio of the test's own with a null sink. Runs on an X display
# (run-under-xvfb.sh).
#   saver_settings_test.sh PROGRAM
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../checks.sh"
program=$1
assets=$(cd "$here/../../assets" && pwd)
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"' EXIT
cp "$program" "$work/tessiva"
unset PULSE_SERVER

has_focus() { [ "$(xdotool getwindowfocus getwindowpid 2>/dev/null)" = "$1" ]; }
# Starts "/S" with the settings given and waits for its picture; the saver's PID is $pid.
start_saver() {
    settings "$1" "$2" >"$work/Tessiva.ini"
    "$work/tessiva" /S >"$work/saver.log" 2>&1 &
    pid=$!
    wait_for 10 has_focus "$pid" && wait_for 10 picture_shows
}
end_saver() {
    xdotool key a
    wait_exit "$pid" 50
    [ "$status" = 0 ]
}

# No sound server and no sound card: a sound path would try every device and complain.
start_saver "$assets/" 0
shown=$?
end_saver
ended=$?
[ "$shown" = 0 ] && [ "$ended" = 0 ] && ! grep -qi 'device\|ALSA' "$work/saver.log"
check "sound=0 plays and says nothing about a sound device" $? "shown $shown, status $status: $(head -c 300 "$work/saver.log")"

start_sound_server "$work/pulse"
check "a PulseAudio with a null sink runs" $? "$(tail -3 "$work/pulse/log")"
streams_of() { pactl list sink-inputs 2>/dev/null | grep -c "application.process.id = \"$1\""; }
streaming() { [ "$(streams_of "$1")" -gt 0 ]; }

start_saver "$assets/" 1
wait_for 10 streaming "$pid"
check "sound=1 plays its sound to the server" $? "$(pactl list short sink-inputs 2>&1)"
end_saver
check "sound=1: the saver still ends with 0" $? "status $status"

start_saver "$assets/" 0
check "sound=0: the clip plays" $?
[ "$(streams_of "$pid")" = 0 ]
check "sound=0: no stream on the sound server while the clip plays" $? "$(pactl list short sink-inputs 2>&1)"
end_saver
check "sound=0: the saver ends with 0" $? "status $status"

# 80 CJK characters, 3 bytes each in UTF-8: with the folders above it the value passes 254
# bytes, well within 254 characters.
cjk=$(python3 -c 'print("".join(chr(0x4E00 + i * 7) for i in range(80)))')
folder="$work/$cjk"
mkdir "$folder" && cp "$assets/vorn.evc" "$folder/"
value="$folder/"
python3 -c 'import sys; v = sys.argv[1]; sys.exit(not (len(v.encode()) > 254 >= len(v)))' "$value"
check "the folder's name is over 254 bytes and within 254 characters" $?
start_saver "$value" 0
check "a folder of 80 CJK characters in \"path\" plays the clip" $?
end_saver

finish
