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
    write_settings "$dir/Tessiva.ini" 0 "$(windows_path "$dir")\\clips\\"
    echo "$dir"
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
    start_program "$dir" $switch
    wait_exit $pid 100
    [ "$status" = 0 ]
    check "'$switch' ends at once with status 0" $? "status $status"
done

# ---- "/P" alone is a run-time error: a box, then status 1 once dismissed.
dir=$(new_copy badpreview)
start_program "$dir" /P
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
    start_program "$dir" $form
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
start_program "$dir" /c
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

# A settings file that can't be written: OK says why in a box, saves nothing, and the dialog
# stays open for another try. (A folder in its place, since these tests may run as root, whom
# no file mode stops.)
dir=$(new_copy dialogunwritable)
rm "$dir/Tessiva.ini"
mkdir "$dir/Tessiva.ini"
start_program "$dir" /c
pids+=("$pid")
dialog=$(find_window Configure 150)
sleep 1.5
xdotool mousemove --window "$dialog" 290 185 click 1 2>/dev/null
box=$(find_window Tessiva 50)
[ -n "$box" ] && [ -d "$dir/Tessiva.ini" ] && [ -z "$(ls -A "$dir/Tessiva.ini")" ]
check "OK on a settings file that can't be written says so in a box" $?
xdotool key --window "$box" Return 2>/dev/null
sleep 0.5
wait_exit $pid 1
[ "$status" = running ]
check "the dialog stays open after the box" $? "status $status"
xdotool mousemove --window "$dialog" 200 185 click 1 2>/dev/null
wait_exit $pid 50
[ "$status" = 0 ]
check "Cancel then ends with 0" $? "status $status"

# ---- The saver.
# The colour of the 40x40 square centred on $2,$3 of screenshot $1, each channel as 1 (bright),
# 0 (dark) or x (neither).
levels_at() {
    convert "$1" -crop "40x40+$(($2 - 20))+$(($3 - 20))" -scale '1x1!' \
        -format '%[fx:r>0.6?1:(r<0.4?0:2)]%[fx:g>0.6?1:(g<0.4?0:2)]%[fx:b>0.6?1:(b<0.4?0:2)]' info: | tr 2 x
}
# The levels at the middle of each screen quadrant: the clip's red, lime, blue and yellow
# quadrants scaled to the whole screen give "100 010 001 110".
quadrants_of() {
    local w h
    read -r w h <<<"$(identify -format '%w %h' "$1")"
    echo "$(levels_at "$1" $((w / 4)) $((h / 4))) $(levels_at "$1" $((3 * w / 4)) $((h / 4)))" \
        "$(levels_at "$1" $((w / 4)) $((3 * h / 4))) $(levels_at "$1" $((3 * w / 4)) $((3 * h / 4)))"
}

# Starts a saver on the clip file $2 in a copy named $1 and waits until Form1 covers the
# screen; sets pid, and covered to 0 or 1.
start_saver() {
    dir=$(new_copy "$1")
    cp "$2" "$dir/clips/vorn.evc"
    # The pointer stays where it is: Wine takes a pointer moved while none of its windows was
    # under it for a movement the moment one comes, and the saver would end at once.
    start_program "$dir" /s
    pids+=("$pid")
    covered=1
    local screen geometry="" saver
    screen=$(xdpyinfo | awk '/dimensions:/ {print $2}')
    for _ in $(seq 100); do
        saver=$(find_window Form1 1)
        if [ -n "$saver" ]; then
            geometry=$(xdotool getwindowgeometry "$saver" 2>/dev/null | awk '/Geometry/ {print $2}')
            [ "$geometry" = "$screen" ] && { covered=0; return; }
        fi
        sleep 0.1
    done
    echo "Form1's geometry: ${geometry:-none}, the screen: $screen"
}

start_saver saver "$clip"
check "'/s' covers the screen" "$covered"
began=$SECONDS
sleep 1.5
import -window root "$work/a.png"
sleep 0.4
import -window root "$work/b.png"
quadrants=$(quadrants_of "$work/a.png")
[ "$quadrants" = "100 010 001 110" ]
check "'/s' shows the whole clip on the whole screen" $? "quadrants $quadrants"
[ "$(changed_pixels "$work/a.png" "$work/b.png")" -gt 500 ]
check "'/s' plays: the picture changes" $?
# The clip lasts 3 s; past it, the loop has rewound and plays on. Under Wine the picture stands
# still for about 0.7 s after each rewind, so these two are 1.5 s apart.
[ $((began + 4 - SECONDS)) -gt 0 ] && sleep $((began + 4 - SECONDS))
import -window root "$work/c.png"
sleep 1.5
import -window root "$work/d.png"
quadrants=$(quadrants_of "$work/c.png")
[ "$quadrants" = "100 010 001 110" ] && [ "$(changed_pixels "$work/c.png" "$work/d.png")" -gt 500 ]
check "'/s' still plays the whole clip after its end" $? "quadrants $quadrants"
wait_exit $pid 1
[ "$status" = running ]
check "'/s' keeps running while nothing is touched" $?
xdotool mousemove_relative 5 5 2>/dev/null
wait_exit $pid 50
[ "$status" = 0 ]
check "'/s' ends with 0 on a mouse movement" $? "status $status"

# The mouse watcher ignores the right button: this click reaches Form1 through the video
# window's message drain.
start_saver rightclick "$clip"
sleep 1
xdotool click 3 2>/dev/null
wait_exit $pid 50
[ "$covered" = 0 ] && [ "$status" = 0 ]
check "'/s' ends with 0 on a right click over the playing video" $? "status $status"

# A clip that can't play: a black screen that still ends on input, and no report. With no
# video window over it, Form1's one visible control, Label4, shows on the black (the link at
# 225,1680 twips, 4695 wide and 495 high: pixels 15 to 328 across and 112 to 145 down).
printf 'this is not a video\n' >"$work/broken.evc"
start_saver broken "$work/broken.evc"
sleep 1.5
import -window root "$work/e.png"
brightest=$(convert "$work/e.png" -crop 1280x560+0+160 -format '%[fx:int(255*maxima)]' info:)
link=$(convert "$work/e.png" -crop 313x33+15+112 -fx 'b>0.7&&r<0.3' -format '%[fx:int(mean*w*h)]' info:)
[ "$covered" = 0 ] && [ "$brightest" -le 8 ] && [ "$link" -gt 100 ] && [ -z "$(find_window Tessiva 1)" ]
check "'/s' on a broken clip shows black with Label4, and no box" $? "brightest $brightest, link pixels $link"
xdotool click 1 2>/dev/null
wait_exit $pid 50
[ "$status" = 0 ]
check "'/s' on a broken clip ends with 0 on a click" $? "status $status"

# ---- The dialog's links reach the desktop's opener: Wine's ShellExecuteA hands web
# addresses to xdg-open, so a recording stand-in earlier in PATH sees them.
mkdir -p "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$work/opened.txt" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
dir=$(new_copy links)
before=$(cat "$dir/Tessiva.ini")
PATH=$work/bin:$PATH start_program "$dir" /c
pids+=("$pid")
dialog=$(find_window Configure 150)
sleep 1.5
# Label3 and Label4, the two links, by their middles at 96 DPI.
xdotool mousemove --window "$dialog" 171 60 click 1 2>/dev/null
for _ in $(seq 50); do [ -s "$work/opened.txt" ] && break; sleep 0.1; done
xdotool mousemove --window "$dialog" 171 128 click 1 2>/dev/null
for _ in $(seq 50); do [ "$(wc -l <"$work/opened.txt" 2>/dev/null)" = 2 ] && break; sleep 0.1; done
# Label3 opens its address with a "/" appended; Label4 opens its own as it stands.
opened=$(tr '\n' ' ' <"$work/opened.txt" 2>/dev/null)
[ "$opened" = "https://tessiva.example.org/ https://tessiva.example.org/codec/ " ]
check "each link hands its address to the opener" $? "opened: $opened"
wait_exit $pid 1
[ "$status" = running ]
check "the dialog stays open after the link clicks" $?
xdotool mousemove --window "$dialog" 200 185 click 1 2>/dev/null
wait_exit $pid 50
[ "$status" = 0 ] && [ "$(cat "$dir/Tessiva.ini")" = "$before" ]
check "Cancel after the links writes nothing" $? "status $status"

# ---- The preview: a child of the host, sized to it, not activated; it ends with the host.
dir=$(new_copy preview)
"$run" "$host_exe" 4 >"$dir/host.log" 2>&1 &
host_pid=$!
pids+=("$host_pid")
for _ in $(seq 100); do grep -q '^host ' "$dir/host.log" && break; sleep 0.1; done
# A Windows console program ends its lines with CR LF.
hwnd=$(tr -d '\r' <"$dir/host.log" | awk '/^host / {print $2}')
start_program "$dir" /p "$hwnd"
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
start_program "$dir" /p 0
wait_exit $pid 100
[ "$status" = 0 ]
check "'/p 0' names no window and ends with 0" $? "status $status"

finish
