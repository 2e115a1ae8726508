#!/usr/bin/env bash
# The saver on GNOME, as its users run it: a headless gnome-shell with two virtual monitors
# (1280x720, and 800x600 to its right; gnome_session.sh), input through RemoteDesktop and
# screenshots through gnome-shell. The saver and the idle host run as the session's user,
# as a desktop's programs do.
#   gnome_saver_test.sh PROGRAM GNOME_IDLE_HOST CLIP
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../checks.sh"
. "$here/gnome_session.sh"
. "$here/pictures.sh"
program=$1 gnome_host=$2 sample=$3
user=$GNOME_USER
work=$(mktemp -d)
chmod 755 "$work"
trap 'gnome_stop; rm -rf "$work"' EXIT

gnome_start "$work"
check "gnome-shell starts headless with two monitors, and RemoteDesktop takes input" $?
[ "$failed" = 0 ] || { finish; exit 1; }

# The screen: left monitor 1280x720 at 0,0, right 800x600 at 1280,0. gnome-shell writes the
# picture as the user.
shots=$work/shots
mkdir -p "$shots" && chown "$user:" "$shots"
shot() {
    rm -f "$shots/$1.png"
    remote shot "$shots/$1.png" && convert "$shots/$1.png" -crop 1280x720+0+0 +repage "$work/$1-left.png" &&
        convert "$shots/$1.png" -crop 800x600+1280+0 +repage "$work/$1-right.png"
}
make_app() {
    app=$(mktemp -d "$work/app.XXXX")
    chmod 755 "$app"
    cp "$program" "$app/tessiva"
    cp "$gnome_host" "$app/tessiva-gnome-idle"
    cp "$here/../../../scripts/tessiva-idle" "$app/"
    printf '[config]\npath=%s/\nsound=0\n' "$1" >"$app/Tessiva.ini"
    chmod 644 "$app/Tessiva.ini"
}
launch_saver() {
    as_user_job "$app/tessiva" /S </dev/null >"$work/saver.log" 2>&1 &
    pid=$!
}
# The clip over the left monitor, black over the right one: the saver covers the screen.
playing() {
    shot now && [ "$(pixel_share "$work/now-left.png" '#000000')" -lt 500 ] && [ "$(pixel_share "$work/now-right.png" '#000000')" = 1000 ]
}
start_saver() {
    launch_saver
    wait_for 15 playing
}
stop_saver() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }

# ---- It plays, covers the top bar and both monitors, and hides the pointer.
make_app "$(dirname "$sample")"
start_saver
check "the clip covers the left monitor, the top bar included, and the right one is black" $? \
    "$(pixel_share "$work/now-left.png" '#000000')‰ black left, $(pixel_share "$work/now-right.png" '#000000')‰ black right"
sleep 8  # the clip must still move after this long: GNOME's slow frame answers once froze it
shot late1 && cp "$work/late1-left.png" "$work/late-a.png"
moving() { shot late2 && ! cmp -s "$work/late-a.png" "$work/late2-left.png"; }
wait_for 3 moving
check "the clip still moves 8 s after the start" $?
key_ignored=0
remote key 0xffe1 click && remote wheel 1 || key_ignored=1
wait_exit "$pid" 10
[ "$key_ignored" = 0 ] && [ "$status" = running ]
check "Shift and the wheel leave it running" $? "status $status"
remote key 0x78 click
wait_exit "$pid" 30
[ "$status" = 0 ]
check "\"x\" ends it with status 0" $? "status $status"
stop_saver

start_saver
remote move 1 0
wait_exit "$pid" 30
[ "$status" = 0 ]
check "one small movement ends it with status 0" $? "status $status"
stop_saver

start_saver
remote button 272 click
wait_exit "$pid" 30
[ "$status" = 0 ]
check "a click ends it with status 0" $? "status $status"
stop_saver

# ---- The pointer over the black monitor is hidden without any input. A client can hide it
# only once gnome-shell tells the surface under it that the pointer is there, which it does
# when it next draws that monitor: the saver draws its cover a second time for that (without
# it, 2.5 to 6.4 s went by here; with it, under a second).
remote move 800 0
start_saver
shown_at=$(date +%s%N)
hidden() { shot pointer && [ "$(pixel_share "$work/pointer-right.png" '#000000')" = 1000 ]; }
wait_for 10 hidden
check "the pointer over the black monitor is hidden before any input, $((($(date +%s%N) - shown_at) / 1000000)) ms after the cover" $? \
    "$(pixel_share "$work/pointer-right.png" '#000000')‰ black"
remote key 0x78 click
wait_exit "$pid" 30
stop_saver
remote move -800 0

# ---- Started while the overview is open, as right after login: once it has finished opening
# (two pictures alike), as a desktop that has just come up has.
remote overview on
overview_still() { shot overview1 && shot overview2 && cmp -s "$work/overview1-left.png" "$work/overview2-left.png"; }
wait_for 10 overview_still
start_saver
check "a saver started over the overview covers the screen" $? \
    "$(pixel_share "$work/now-left.png" '#000000')‰ black left, $(pixel_share "$work/now-right.png" '#000000')‰ black right"
remote key 0x78 click
wait_exit "$pid" 30
stop_saver

# Starts the saver COUNT times, each time waiting for SHOWS and ending it with a key; sets
# starts and shown, and status to the last exit status. A start that doesn't end stops it.
start_after_start() {
    local count=$1 shows=$2
    starts=0 shown=0
    for _ in $(seq "$count"); do
        starts=$((starts + 1))
        launch_saver
        wait_for 15 "$shows" && shown=$((shown + 1))
        remote key 0x78 click
        wait_exit "$pid" 50
        [ "$status" = 0 ] || { stop_saver; break; }
    done
    [ "$shown" = "$starts" ] && [ "$status" = 0 ]
}

# ---- A broken clip: black, with the blue link; and it never hangs, start after start.
mkdir -p "$work/broken"
head -c 4096 /dev/urandom >"$work/broken/vorn.evc"
chmod -R a+rX "$work/broken"
make_app "$work/broken"
shows_link() { shot broken && [ "$(pixel_share "$work/broken-left.png" '#000000')" -ge 990 ] &&
    [ "$(pixels_of "$work/broken-left.png" '#0000FF')" -ge 200 ]; }
start_after_start "${TESSIVA_GNOME_STARTS:-10}" shows_link
check "a broken clip shows black with the blue link and ends on a key, $shown of $starts starts" $? \
    "status $status; $(tail -n 2 "$work/saver.log")"

# ---- A still clip, one frame long: its picture, start after start, and a key ends it.
mkdir -p "$work/still"
ffmpeg -loglevel error -f lavfi -i color=c=red:s=320x240:d=1 -frames:v 1 -c:v libx264 -pix_fmt yuv420p -f mp4 \
    "$work/still/vorn.evc"
chmod -R a+rX "$work/still"
make_app "$work/still"
shows_still() { shot still && [ "$(pixel_share "$work/still-left.png" '#000000')" -lt 900 ]; }
start_after_start 3 shows_still
check "a still clip shows its picture and ends on a key, $shown of $starts starts" $? \
    "status $status; $(pixel_share "$work/still-left.png" '#000000')‰ black; $(tail -n 2 "$work/saver.log")"

# ---- GNOME's idle monitor starts it: the host itself with 2 s, then tessiva-idle's set-up.
make_app "$(dirname "$sample")"
as_user_job "$app/tessiva-gnome-idle" 2000 "$app/tessiva" /S >"$work/host.log" 2>&1 &
host=$!
saver_started() { pid=$(pgrep -n -f "^$app/tessiva /S") ; }
wait_for 20 saver_started && wait_for 15 playing
check "GNOME's idle monitor starts the saver after 2 idle seconds" $? \
    "saver ${pid:-not started}; $(pixel_share "$work/now-left.png" '#000000')‰ black left, $(pixel_share "$work/now-right.png" '#000000')‰ black right; $(grep -v ^ALSA "$work/host.log" | tail -n 3)"
remote key 0x78 click
gone() { ! pgrep -f "^$app/tessiva /S" >/dev/null; }
wait_for 5 gone
check "and a key ends what it started" $?
kill "$host" 2>/dev/null
wait "$host" 2>/dev/null

entry=$gnome_run/config/autostart/tessiva-idle.desktop
as_user "$app/tessiva-idle" gnome 1 >"$work/idle.log" 2>&1
pgrep -f "^$app/tessiva-gnome-idle 60000 $app/tessiva /S" >/dev/null && grep -q ' run gnome 1$' "$entry"
check "tessiva-idle gnome 1 starts GNOME's host for 60 s and records it" $? "$(cat "$work/idle.log")"
as_user "$app/tessiva-idle" off >/dev/null
! pgrep -f "tessiva-gnome-idle 60000 $app/tessiva" >/dev/null && [ ! -e "$entry" ]
check "tessiva-idle off stops it and removes the entry" $?
as_user "$app/tessiva-idle" swayidle 1 >"$work/idle.log" 2>&1
[ $? = 1 ] && [ ! -e "$entry" ] && ! pgrep -f "^swayidle timeout 60 " >/dev/null
check "tessiva-idle swayidle is refused on GNOME and leaves nothing" $? "$(cat "$work/idle.log")"

# ---- "/C": the dialog, a window of Qt's here, saves as the user asks.
make_app "$(dirname "$sample")"
printf '[config]\npath=%s/\nsound=1\n' "$(dirname "$sample")" >"$app/Tessiva.ini"
chown -R "$user:" "$app"
shot desktop
as_user_job "$app/tessiva" /C >"$work/dialog.log" 2>&1 &
pid=$!
dialog_shows() { shot dialog && ! cmp -s "$work/desktop-left.png" "$work/dialog-left.png"; }
wait_for 15 dialog_shows
check "\"/C\" opens the dialog" $? "$(tail -n 3 "$work/dialog.log")"
# The check box has the focus first: Space clears it; Tab, Tab reaches OK (after Cancel).
remote key 0x20 click && remote key 0xff09 click && remote key 0xff09 click && remote key 0x20 click
wait_exit "$pid" 50
[ "$status" = 0 ] && grep -q '^sound=0' "$app/Tessiva.ini"
check "clearing \"Play sound\" and OK saves sound=0 and ends the dialog" $? \
    "status $status, $(tr '\n' ' ' <"$app/Tessiva.ini")"
kill "$pid" 2>/dev/null

finish
