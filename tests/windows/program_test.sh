#!/usr/bin/env bash
# The real tessiva.scr under Wine on an X server, started the way a screensaver host starts
# it, in each mode; run under tests/integration/run-under-xvfb.sh.
#   program_test.sh BUILD-DIR PREVIEW-HOST-EXE START-AS-HOST-EXE
# The program is started through START-AS-HOST-EXE, with CreateProcess as a host would, and
# its exit status is the exit code Windows reports.
# Each case runs a copy of the program in a folder of its own and checks what a user would
# see: windows, exit statuses, the settings file. Ends with "N passed, N failed".
set -uo pipefail

build=$1
host_exe=$2
start_exe=$3
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../scripts/wine-run.sh"
work=$(mktemp -d)
source "$here/checks.sh"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program in a fresh folder, with a settings file naming a clip folder.
new_copy() {
    local dir=$work/$1
    mkdir -p "$dir/clips"
    cp "$build/tessiva.scr" "$dir/"
    printf '[config]\r\nsound=0\r\npath=%s\\clips\\\r\n' "$(windows_path "$dir")" >"$dir/Tessiva.ini"
    echo "$dir"
}

# The X window of the first mapped window titled $1, within $2 tenths of a second.
find_window() {
    local id=""
    for _ in $(seq "$2"); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v title="\"$1\":" '$2 == title {print $1; exit}')
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then break; fi
        id=""
        sleep 0.1
    done
    echo "$id"
}

# A 3 s clip of four coloured quadrants and a moving marker, as an MPEG-1 system stream,
# which DirectShow recognises by its first bytes whatever the name.
clip=$work/quadrants.evc
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "color=c=red:s=320x180:r=30:d=3[a];\
color=c=lime:s=320x180:r=30:d=3[b];color=c=blue:s=320x180:r=30:d=3[c];color=c=yellow:s=320x180:r=30:d=3[d];\
color=c=white:s=40x20:r=30:d=3[m];[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack[q];\
[q][m]overlay=x='mod(t*200\,600)':y=170" -c:v mpeg1video -b:v 2M -f mpeg -t 3 "$clip"

# ---- Switches that choose no mode end at once, without a window.
for switch in "" "/a" "-s" "S"; do
    dir=$(new_copy "none$RANDOM")
    "$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" $switch >"$dir/out.log" 2>&1 &
    pid=$!
    wait_exit $pid 100
    [ "$status" = 0 ]
    check "'$switch' ends at once with status 0" $? "status $status"
done

# ---- "/P" alone is a run-time error: a box, then status 1 once dismissed.
dir=$(new_copy badpreview)
"$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" /P >"$dir/out.log" 2>&1 &
pid=$!
box=$(find_window Tessiva 150)
[ -n "$box" ]
check "'/P' shows the report box" $? "$(xwininfo -root -tree | grep '"')"
grep -q "Run-time error '5'" "$dir/out.log"
check "'/P' reports error 5" $? "$(cat "$dir/out.log")"
xdotool key Return 2>/dev/null
wait_exit $pid 50
[ "$status" = 1 ]
check "'/P' exits with 1 once the box is dismissed" $? "status $status"

# ---- The dialog: Cancel writes nothing; OK writes the box's value.
for form in "/c" "/c:1234"; do
    dir=$(new_copy "dialog$RANDOM")
    before=$(cat "$dir/Tessiva.ini")
    "$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" $form >"$dir/out.log" 2>&1 &
    pid=$!
    dialog=$(find_window Configure 150)
    [ -n "$dialog" ]
    check "'$form' shows the Configure dialog" $?
    sleep 0.5
    # Cancel sits at 2520,2520 twips: 168,168 pixels into the client area at 96 DPI.
    xdotool mousemove --window "$dialog" 200 185 click 1 2>/dev/null
    wait_exit $pid 50
    [ "$status" = 0 ] && [ "$(cat "$dir/Tessiva.ini")" = "$before" ]
    check "'$form' Cancel ends with 0 and writes nothing" $? "status $status"
done

dir=$(new_copy dialogok)
"$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" /c >"$dir/out.log" 2>&1 &
pid=$!
dialog=$(find_window Configure 150)
sleep 1.5  # until its frame and place have settled
# The copy's settings say sound=0: tick "Play sound" (its box at 240,2160 twips), then OK
# (3840,2520 twips).
xdotool mousemove --window "$dialog" 24 155 click 1 2>/dev/null
sleep 0.3
xdotool mousemove --window "$dialog" 290 185 click 1 2>/dev/null
wait_exit $pid 50
[ "$status" = 0 ] && tr -d '\r' <"$dir/Tessiva.ini" | grep -q '^sound=1$' && tr -d '\r' <"$dir/Tessiva.ini" | grep -q '^path='
check "OK writes the ticked box as sound=1 through kernel32 and keeps path" $? "status $status: $(cat "$dir/Tessiva.ini")"

# ---- The saver: covers the screen, ends on a mouse movement.
dir=$(new_copy saver)
cp "$clip" "$dir/clips/vorn.evc"
"$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" /s >"$dir/out.log" 2>&1 &
pid=$!
saver=""
for _ in $(seq 100); do
    saver=$(find_window Form1 1)
    if [ -n "$saver" ]; then
        geometry=$(xdotool getwindowgeometry "$saver" 2>/dev/null | grep Geometry | awk '{print $2}')
        screen=$(xdpyinfo | awk '/dimensions:/ {print $2}')
        [ "$geometry" = "$screen" ] && break
    fi
    sleep 0.1
done
[ "$geometry" = "$screen" ]
check "'/s' covers the screen" $? "geometry $geometry, screen $screen"
sleep 1.5
wait_exit $pid 1
[ "$status" = running ]
check "'/s' keeps playing" $?
xdotool mousemove_relative 5 5 2>/dev/null
wait_exit $pid 50
[ "$status" = 0 ]
check "'/s' ends with 0 on a mouse movement" $? "status $status"

# ---- The preview: a child of the host, sized to it, not activated; it ends with the host.
dir=$(new_copy preview)
"$run" "$host_exe" 4 >"$dir/host.log" 2>&1 &
host_pid=$!
pids+=("$host_pid")
for _ in $(seq 100); do grep -q '^host ' "$dir/host.log" && break; sleep 0.1; done
# A Windows console program ends its lines with CR LF.
hwnd=$(tr -d '\r' <"$dir/host.log" | awk '/^host / {print $2}')
"$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" /p "$hwnd" >"$dir/out.log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q '^child ' "$dir/host.log" && break; sleep 0.1; done
line=$(tr -d '\r' <"$dir/host.log" | grep '^child ')
read -r _ child _ parent _ style _ size _ foreground <<<"$line"
[ "$parent" = "$hwnd" ] && [ "$style" = 1 ] && [ "$size" = 152x112 ] && [ "$foreground" != "$child" ]
check "'/p $hwnd' embeds as an unactivated child of the host's size" $? "$line"
wait_exit $pid 80
[ "$status" = 0 ]
check "the preview ends with 0 when the host goes" $? "status $status"
wait "$host_pid" 2>/dev/null

dir=$(new_copy previewzero)
"$run" "$start_exe" "$(windows_path "$dir/tessiva.scr")" /p 0 >"$dir/out.log" 2>&1 &
pid=$!
wait_exit $pid 100
[ "$status" = 0 ]
check "'/p 0' names no window and ends with 0" $? "status $status"

finish
