#!/usr/bin/env bash
# The saver on KDE Plasma's compositor, as its users run it: a headless kwin_wayland with two
# 1280x720 outputs side by side (kde_session.sh), KWin's own fake input and screenshots, the
# layer-shell path, swayidle as the idle host. A background client paints the desktop a colour
# of its own, so that an output the saver leaves uncovered is told from its black. The saver
# and its hosts run as the session's user, as a desktop's programs do.
#   kde_saver_test.sh PROGRAM KDE_REMOTE CLIP
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../checks.sh"
. "$here/kde_session.sh"
. "$here/pictures.sh"
program=$1 remote_tool=$2 sample=$3
user=$KDE_USER
background='#204080'
work=$(mktemp -d)
chmod 755 "$work"
trap 'kde_stop; rm -rf "$work"' EXIT

kde_start "$work" "$remote_tool"
check "kwin_wayland starts headless with two outputs, and grants input and screenshots" $?
[ "$failed" = 0 ] || { finish; exit 1; }
as_user_job swaybg -c "$background" </dev/null >"$work/swaybg.log" 2>&1 &

shots=$work/shots
mkdir -p "$shots" && chown "$user:" "$shots"
# A picture of both outputs: NAME-left.ppm and NAME-right.ppm.
shot() {
    remote shot "$shots/$1.ppm" && convert "$shots/$1.ppm" -crop 1280x720+0+0 +repage "$work/$1-left.ppm" &&
        convert "$shots/$1.ppm" -crop 1280x720+1280+0 +repage "$work/$1-right.ppm"
}
painted() { shot desktop && [ "$(pixel_share "$work/desktop-right.ppm" "$background")" -ge 990 ]; }
wait_for 10 painted
check "the desktop shows its background" $? "$(pixel_share "$work/desktop-right.ppm" "$background")‰"

make_app() {
    app=$(mktemp -d "$work/app.XXXX")
    chmod 755 "$app"
    cp "$program" "$app/tessiva"
    cp "$here/../../../scripts/tessiva-idle" "$app/"
    printf '[config]\npath=%s/\nsound=0\n' "$1" >"$app/Tessiva.ini"
    chown -R "$user:" "$app"
}
launch_saver() {
    as_user_job "$app/tessiva" /S </dev/null >"$work/saver.log" 2>&1 &
    pid=$!
}
# The clip on one output (KWin's active one), the other black: the saver covers the desktop.
playing() {
    shot now || return 1
    local left right
    left=$(pixel_share "$work/now-left.ppm" '#000000') right=$(pixel_share "$work/now-right.ppm" '#000000')
    [ "$(pixel_share "$shots/now.ppm" "$background")" = 0 ] &&
        { { [ "$left" -lt 500 ] && [ "$right" = 1000 ]; } || { [ "$right" -lt 500 ] && [ "$left" = 1000 ]; }; }
}
start_saver() {
    launch_saver
    wait_for 15 playing
}
stop_saver() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
# Ends the saver with INPUT (a remote command) and checks it ends with 0.
ends_on() {
    local name=$1
    shift
    start_saver
    remote "$@"
    wait_exit "$pid" 30
    [ "$status" = 0 ]
    check "$name ends it with status 0" $? "status $status"
    stop_saver
}

# ---- It plays on the pointer's output, black on the other, and moves on.
make_app "$(dirname "$sample")"
start_saver
check "the clip plays on one output and the other is black" $? \
    "$(pixel_share "$work/now-left.ppm" '#000000')‰ black left, $(pixel_share "$work/now-right.ppm" '#000000')‰ black right, $(pixel_share "$shots/now.ppm" "$background")‰ desktop"
cp "$shots/now.ppm" "$work/first.ppm"
moving() { shot later && ! cmp -s "$work/first.ppm" "$shots/later.ppm"; }
wait_for 5 moving
check "the clip moves" $?
remote key shift && remote key up && remote key f1 && remote wheel 1
wait_exit "$pid" 10
[ "$status" = running ]
check "Shift, Up, F1 and the wheel leave it running" $? "status $status"
remote key x
wait_exit "$pid" 30
[ "$status" = 0 ]
check "\"x\" ends it with status 0" $? "status $status"
stop_saver

ends_on "a one-pixel pointer move" move 1 0
ends_on "a left click" button left click
ends_on "a right click" button right click

# ---- A broken clip: black, with the blue link where the video would be, and no pointer over
# it (the pointer's arrow is drawn white over the desktop, and in the screenshots).
mkdir -p "$work/broken"
head -c 4096 /dev/urandom >"$work/broken/vorn.evc"
chmod -R a+rX "$work/broken"
make_app "$work/broken"
shot desktop
arrow=$(pixels_of "$shots/desktop.ppm" '#FFFFFF')
launch_saver
shows_link() {
    shot broken && [ "$(pixel_share "$shots/broken.ppm" '#000000')" -ge 990 ] &&
        [ "$(pixels_of "$shots/broken.ppm" '#0000FF')" -ge 200 ] && [ "$(pixels_of "$shots/broken.ppm" '#FFFFFF')" = 0 ]
}
wait_for 15 shows_link
[ $? = 0 ] && [ "$arrow" -gt 0 ]
check "a broken clip gives black with the blue link, the pointer hidden" $? \
    "$(pixel_share "$shots/broken.ppm" '#000000')‰ black, $arrow white pixels of the arrow before, $(pixels_of "$shots/broken.ppm" '#FFFFFF') after"
remote key x
wait_exit "$pid" 30
[ "$status" = 0 ]
check "and a key still ends it" $? "status $status"
stop_saver

# ---- swayidle starts it on KWin's idle protocol; tessiva-idle sets it up and takes it down.
make_app "$(dirname "$sample")"
as_user_job swayidle timeout 2 "$app/tessiva /S" </dev/null >"$work/swayidle.log" 2>&1 &
idle=$!
saver_started() { pid=$(pgrep -n -f "^$app/tessiva /S"); }
wait_for 20 saver_started && wait_for 15 playing
check "swayidle starts it after 2 idle seconds" $? "$(cat "$work/swayidle.log")"
remote key x
gone() { ! pgrep -f "^$app/tessiva /S" >/dev/null; }
wait_for 5 gone
check "and a key ends what swayidle started" $?
kill "$idle" 2>/dev/null
wait "$idle" 2>/dev/null

entry=$kde_run/config/autostart/tessiva-idle.desktop
as_user "$app/tessiva-idle" swayidle 5 >"$work/idle.log" 2>&1
pgrep -f "^swayidle timeout 300 $app/tessiva /S" >/dev/null && grep -q ' run swayidle 5$' "$entry"
check "tessiva-idle swayidle 5 starts swayidle for 300 s and records it" $? "$(cat "$work/idle.log")"
as_user "$app/tessiva-idle" off >/dev/null
! pgrep -f "^swayidle timeout 300 $app/tessiva /S" >/dev/null && [ ! -e "$entry" ]
check "tessiva-idle off stops it and removes the entry" $?

# ---- "/C": the dialog saves as the user asks.
printf '[config]\npath=%s/\nsound=1\n' "$(dirname "$sample")" >"$app/Tessiva.ini"
shot desktop
as_user_job "$app/tessiva" /C >"$work/dialog.log" 2>&1 &
pid=$!
dialog_shows() { shot dialog && ! cmp -s "$shots/desktop.ppm" "$shots/dialog.ppm"; }
wait_for 15 dialog_shows
check "\"/C\" opens the dialog" $? "$(tail -n 3 "$work/dialog.log")"
# The check box has the focus first: Space clears it; Tab, Tab reaches OK (after Cancel).
remote key space && remote key tab && remote key tab && remote key space
wait_exit "$pid" 50
[ "$status" = 0 ] && grep -q '^sound=0' "$app/Tessiva.ini"
check "clearing \"Play sound\" and OK saves sound=0 and ends the dialog" $? \
    "status $status, $(tr '\n' ' ' <"$app/Tessiva.ini")"
stop_saver

# ---- KWin goes away under it: it ends with status 1.
start_saver
{ kill -KILL "$kde_pid"; wait "$kde_pid"; } 2>/dev/null
wait_exit "$pid" 50
[ "$status" = 1 ]
check "when KWin dies, it ends with status 1" $? "status $status; $(tail -n 2 "$work/saver.log")"
stop_saver

finish
