#!/usr/bin/env bash
# The saver and the dialog on a Wayland desktop, as a user meets them: a headless sway with two
# outputs and no X server at all, input from a virtual pointer and wtype, swayidle as the idle
# host. Each case starts a copy of the program in a folder of its own, with its own
# Tessiva.ini, so that nothing here touches the build's settings.
#   wayland_saver_test.sh PROGRAM VIRTUAL_POINTER SAMPLE_CLIP
# Ends with "N passed, N failed".
set -uo pipefail
program=$1
pointer_tool=$2
sample=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../checks.sh"
. "$here/sway_session.sh"
. "$here/pictures.sh"

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    pkill -P $$ 2>/dev/null
    sway_stop
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program whose settings name CLIP_FOLDER; sets app.
make_app() {
    app=$(mktemp -d "$work/app.XXXX")
    chmod 755 "$app"
    cp "$program" "$app/tessiva"
    printf '[config]\npath=%s/\nsound=0\n' "$1" >"$app/Tessiva.ini"
}
# Starts the saver; sets pid.
launch_saver() {
    "$app/tessiva" /S >"$work/saver.log" 2>&1 &
    pid=$!
}
# Neither output shows the desktop any more. sway's IPC doesn't list layer surfaces, so
# screenshots tell.
covered() {
    shot "$focused" "$work/covered1.png" && shot "$other" "$work/covered2.png" &&
        [ "$(pixel_share "$work/covered1.png" "$SWAY_BACKGROUND")" = 0 ] &&
        [ "$(pixel_share "$work/covered2.png" "$SWAY_BACKGROUND")" = 0 ]
}
# Starts the saver and waits until its surfaces cover both outputs, from when input reaches
# it: about a second after the start on an idle machine, twice that on a busy one.
start_saver() {
    launch_saver
    wait_for 10 covered
}
stop_saver() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
black() { pixel_share "$1" '#000000'; }

sway_start "$work" "$pointer_tool" || { check "sway starts" 1 "see above"; finish; exit 1; }
focused=$(focused_output)
other=HEADLESS-2
[ "$focused" = HEADLESS-2 ] && other=HEADLESS-1

# ---- The clip on the focused output, black on the other; what doesn't end it, and a key that does.
make_app "$(dirname "$sample")"
start_saver
# The clip's first frames may still be black.
plays() {
    shot "$focused" "$work/playing.png" && [ "$(black "$work/playing.png")" -lt 500 ] &&
        [ "$(pixel_share "$work/playing.png" "$SWAY_BACKGROUND")" = 0 ]
}
wait_for 5 plays
check "the clip plays over the whole focused output" $? \
    "$(black "$work/playing.png")‰ black, $(pixel_share "$work/playing.png" "$SWAY_BACKGROUND")‰ desktop"
shot "$other" "$work/other.png"
[ "$(black "$work/other.png")" = 1000 ]
check "the other output is all black" $? "$(black "$work/other.png")‰ black"
key_shift
pointer wheel 1
wait_exit "$pid" 10
[ "$status" = running ]
check "Shift alone and the wheel leave it running" $? "status $status"
key x
wait_exit "$pid" 30
[ "$status" = 0 ]
check "\"x\" ends it with status 0" $? "status $status"
stop_saver

# ---- Pointer input: a small move, a move over the other output, a right click.
start_saver
pointer move 1 0
wait_exit "$pid" 30
[ "$status" = 0 ]
check "a one-pixel pointer move ends it with status 0" $? "status $status"
stop_saver

swaymsg -q seat seat0 cursor set 1500 300
start_saver
pointer move 0 1
wait_exit "$pid" 30
[ "$status" = 0 ]
check "a move with the pointer over the other output ends it" $? "status $status"
stop_saver
swaymsg -q seat seat0 cursor set 640 360

start_saver
pointer button right click
wait_exit "$pid" 30
[ "$status" = 0 ]
check "a right click ends it" $? "status $status"
stop_saver

# ---- A broken clip: black, with Label4 where the video would be.
mkdir -p "$work/broken"
head -c 4096 /dev/urandom >"$work/broken/vorn.evc"
make_app "$work/broken"
start_saver
shows_link() {
    shot "$focused" "$work/broken.png" && blue=$(pixels_of "$work/broken.png" '#0000FF') &&
        [ "$(black "$work/broken.png")" -ge 990 ] && [ "$blue" -ge 200 ]
}
wait_for 5 shows_link
check "a broken clip gives black with the blue link" $? "$(black "$work/broken.png")‰ black, $blue blue pixels"
key x
wait_exit "$pid" 30
[ "$status" = 0 ]
check "and a key still ends it" $? "status $status"
stop_saver

# ---- On an output of another shape the compositor scales the clip's own frames: 800x450 in
# the middle of the 800x600 output, black above and below (the rows next to the edges are left
# out: the compositor blends them).
swaymsg -q focus output "$other"
make_app "$(dirname "$sample")"
start_saver
letterboxed() {
    shot "$other" "$work/scaled.png" &&
        convert "$work/scaled.png" -crop 800x70+0+0 +repage "$work/scaled-top.png" &&
        convert "$work/scaled.png" -crop 800x70+0+530 +repage "$work/scaled-bottom.png" &&
        convert "$work/scaled.png" -crop 800x430+0+85 +repage "$work/scaled-middle.png" &&
        [ "$(black "$work/scaled-top.png")" = 1000 ] && [ "$(black "$work/scaled-bottom.png")" = 1000 ] &&
        [ "$(black "$work/scaled-middle.png")" -lt 500 ]
}
wait_for 5 letterboxed
check "on a 4:3 output the clip fills the width, black above and below" $? \
    "$(black "$work/scaled-top.png")‰ black above, $(black "$work/scaled-middle.png")‰ in the middle, $(black "$work/scaled-bottom.png")‰ below"
key x
wait_exit "$pid" 30
stop_saver
swaymsg -q focus output "$focused"

# ---- An output plugged in while it runs gets a black surface of its own.
make_app "$(dirname "$sample")"
start_saver
swaymsg -q create_output
added_is_black() {
    added=$(outputs | awk '$1 != "HEADLESS-1" && $1 != "HEADLESS-2" {print $1; exit}')
    [ -n "$added" ] && shot "$added" "$work/added.png" && [ "$(black "$work/added.png")" = 1000 ]
}
wait_for 5 added_is_black
check "an output plugged in while it runs goes black" $? \
    "${added:-no output was added}${added:+: $(black "$work/added.png")‰ black}"
if [ -n "$added" ]; then swaymsg -q output "$added" unplug 2>/dev/null || swaymsg -q output "$added" disable; fi
# Time for a fault to show: nothing to see when it goes right.
sleep 0.5
kill -0 "$pid" 2>/dev/null
check "and it runs on as the output goes" $? "$(tail -n 3 "$work/saver.log")"
key x
wait_exit "$pid" 30
stop_saver
swaymsg -q focus output "$focused"

# ---- swayidle starts it.
swayidle timeout 2 "$app/tessiva /S" >"$work/swayidle.log" 2>&1 &
idle=$!
idle_saver() { pgrep -f "^$app/tessiva /S" >/dev/null; }
no_idle_saver() { ! idle_saver; }
wait_for 10 idle_saver
check "swayidle starts it after 2 idle seconds" $?
wait_for 10 covered
key x
wait_for 5 no_idle_saver
check "and a key ends what swayidle started" $?
kill "$idle" 2>/dev/null
wait "$idle" 2>/dev/null

# tessiva-idle sets swayidle up beside the program, and takes it down again.
cp "$here/../../../scripts/tessiva-idle" "$app/"
export XDG_CONFIG_HOME=$work/config
"$app/tessiva-idle" swayidle 0 >/dev/null 2>&1
[ $? = 2 ] && [ ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop" ]
check "tessiva-idle swayidle 0 is refused" $?
"$app/tessiva-idle" swayidle 5 >"$work/idle.log" 2>&1
pgrep -f "^swayidle timeout 300 $app/tessiva /S" >/dev/null &&
    grep -q ' run swayidle 5$' "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop"
check "tessiva-idle swayidle 5 starts swayidle for 300 s and records it" $? "$(cat "$work/idle.log")"
"$app/tessiva-idle" off >/dev/null
! pgrep -f "^swayidle timeout 300 $app/tessiva /S" >/dev/null && [ ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop" ]
check "tessiva-idle off stops it and removes the entry" $?

# ---- The dialog, natively: no X server runs here.
make_app "$(dirname "$sample")"
printf '[config]\npath=%s/\nsound=1\n' "$(dirname "$sample")" >"$app/Tessiva.ini"
"$app/tessiva" /C >"$work/dialog.log" 2>&1 &
pid=$!
# Keys go to the dialog once sway has given it the focus. In the tree, a node's "focused"
# comes before its "name".
dialog_focused() {
    swaymsg -r -t get_tree | awk '/"focused":/ { f = index($0, "true") > 0 } /"name": "Configure"/ && f { hit = 1 } END { exit !hit }'
}
wait_for 10 dialog_focused
check "\"/C\" opens the dialog as a Wayland window" $? "$(tail -n 3 "$work/dialog.log")"
# The check box has the focus first: Space clears it; Tab, Tab reaches OK (after Cancel).
key " "
wtype -s 200 -k Tab -s 100 -k Tab
key " "
wait_exit "$pid" 50
[ "$status" = 0 ] && grep -q '^sound=0' "$app/Tessiva.ini"
check "clearing \"Play sound\" and OK saves sound=0 and ends the dialog" $? \
    "status $status, $(tr '\n' ' ' <"$app/Tessiva.ini")"
stop_saver

# ---- The compositor goes away under it: it ends with status 1 at once (with a line from
# whichever of its two connections noticed first: ours, or Qt's).
start_saver
sway_stop
wait_exit "$pid" 30
[ "$status" = 1 ]
check "when the compositor dies, it ends with status 1" $? "status $status; $(grep -v ALSA "$work/saver.log" | tail -n 2)"
stop_saver

# ---- A compositor without layer-shell (GNOME's kind): full-screen toplevels of ours. A headless
# weston has no input devices, so only the picture is checked.
weston_shot() {  # weston_shot FILE: a screenshot of weston's one output
    rm -f "$wrt"/wayland-screenshot*.png
    (cd "$wrt" && timeout 5 weston-screenshooter >/dev/null 2>&1)
    mv "$(ls "$wrt"/wayland-screenshot*.png 2>/dev/null | head -n1)" "$1" 2>/dev/null
}
wrt=$(mktemp -d)
(_sway_exec_clean env XDG_RUNTIME_DIR="$wrt" weston --backend=headless-backend.so --use-pixman --socket=wl-test \
    --width=1024 --height=576 --debug --idle-time=0) >"$work/weston.log" 2>&1 &
weston=$!
wait_for 10 test -S "$wrt/wl-test"
export XDG_RUNTIME_DIR=$wrt WAYLAND_DISPLAY=wl-test
make_app "$(dirname "$sample")"
launch_saver
plays_in_weston() {
    weston_shot "$work/weston.png" && [ -s "$work/weston.png" ] && [ "$(black "$work/weston.png")" -lt 500 ] &&
        kill -0 "$pid" 2>/dev/null
}
wait_for 10 plays_in_weston
check "without layer-shell the clip plays full screen in a toplevel of ours" $? \
    "$([ -s "$work/weston.png" ] && black "$work/weston.png")‰ black; $(grep -v ALSA "$work/saver.log" | tail -n 2)"
stop_saver
make_app "$work/broken"
launch_saver
shows_link_in_weston() {
    weston_shot "$work/weston-broken.png" && [ -s "$work/weston-broken.png" ] &&
        [ "$(black "$work/weston-broken.png")" -ge 990 ] && [ "$(pixels_of "$work/weston-broken.png" '#0000FF')" -ge 200 ]
}
wait_for 10 shows_link_in_weston
check "and a broken clip there gives black with the blue link" $?
stop_saver
# weston has no idle protocol: swayidle can't run there, and a set-up that can't run stays
# no set-up.
cp "$here/../../../scripts/tessiva-idle" "$app/"
"$app/tessiva-idle" swayidle 1 >"$work/idle-weston.log" 2>&1
[ $? = 1 ] && [ ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop" ] && ! pgrep -f "^swayidle timeout 60 " >/dev/null
check "where the compositor has no idle protocol, tessiva-idle swayidle is refused and leaves nothing" $? \
    "$(cat "$work/idle-weston.log")"
kill "$weston" 2>/dev/null
wait "$weston" 2>/dev/null
rm -rf "$wrt"

finish
