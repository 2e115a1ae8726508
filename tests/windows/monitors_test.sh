#!/usr/bin/env bash
# The real tessiva.scr under Wine on a desktop of two monitors side by side; run under
# tests/integration/run-under-xvfb.sh --two-monitors.
#   monitors_test.sh BUILD-DIR START-AS-HOST-EXE
# Wine lists the monitors of this X server only through Xinerama (with XRandR it sees one
# 1024x768 screen), so the test turns Wine's XRandR use off in the prefix, and on again at
# the end. Ends with "N passed, N failed".
set -uo pipefail

build=$1
start_exe=$2
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../scripts/wine-run.sh"
work=$(mktemp -d)
wine=/usr/lib/wine/wine64
x11_key='HKCU\Software\Wine\X11 Driver'
pid=""
# The pointer rests on the right monitor from before any Wine window exists: Wine takes a
# pointer moved while none of its windows was under it for a movement once one comes.
xdotool mousemove 1900 360
source "$here/checks.sh"
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    WINEPREFIX=$TESSIVA_WINEPREFIX WINEDEBUG=-all "$wine" reg delete "$x11_key" /v UseXRandR /f >/dev/null 2>&1
    "$here/wine-prefix.sh" stop "$TESSIVA_WINEPREFIX"
    rm -rf "$work"
}
trap cleanup EXIT
WINEPREFIX=$TESSIVA_WINEPREFIX WINEDEBUG=-all "$wine" reg add "$x11_key" /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
# Wine's processes read the setting when they start.
"$here/wine-prefix.sh" restart "$TESSIVA_WINEPREFIX"

# A 3 s clip of four coloured quadrants as an MPEG-1 system stream.
mkdir -p "$work/clips"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "color=c=red:s=320x180:r=30:d=3[a];\
color=c=lime:s=320x180:r=30:d=3[b];color=c=blue:s=320x180:r=30:d=3[c];color=c=yellow:s=320x180:r=30:d=3[d];\
[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack" -c:v mpeg1video -b:v 2M -f mpeg -t 3 "$work/clips/vorn.evc"
cp "$build/tessiva.scr" "$work/"
write_settings "$work/Tessiva.ini" 0 "$(windows_path "$work")\\clips\\"

# The mean brightness (0 to 1) of a part of a screenshot.
brightness() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }

start_program "$work" /s
geometry=""
for _ in $(seq 100); do
    saver=$(xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Form1\":" {print $1; exit}')
    [ -n "$saver" ] && geometry=$(xdotool getwindowgeometry "$saver" 2>/dev/null | awk '/Geometry/ {print $2}')
    [ "$geometry" = 1280x720 ] && break
    sleep 0.1
done
[ "$geometry" = 1280x720 ]
check "'/s' covers the primary monitor" $? "Form1's geometry: ${geometry:-none}"
sleep 1.5
import -window root "$work/shot.png"
right=$(brightness "$work/shot.png" 1280x720+1280+0)
left=$(brightness "$work/shot.png" 1280x720+0+0)
# Under Wine here the right monitor is dark even without a window of ours over it, so this
# check only guards against something else showing there; the click below is what shows that
# the black window is there.
awk -v r="$right" 'BEGIN { exit !(r < 0.02) }'
check "the right monitor is black" $? "mean brightness $right"
awk -v l="$left" 'BEGIN { exit !(l > 0.2) }'
check "the primary monitor shows the clip" $? "mean brightness $left"
wait_exit "$pid" 1
[ "$status" = running ]
check "the saver keeps running while nothing is touched" $? "status $status"

# The mouse watcher ignores the right button: this click can end the saver only through the
# black window under the pointer.
xdotool click 3 2>/dev/null
wait_exit "$pid" 50
[ "$status" = 0 ]
check "a right click on the right monitor ends the saver with 0" $? "status $status; $(tr -d '\r' <"$work/out.log" | tail -3)"
pid=""
finish
