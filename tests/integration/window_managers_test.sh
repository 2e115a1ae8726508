#!/usr/bin/env bash
# The saver under the window manager run-under-xvfb.sh started (TESSIVA_TEST_WM), on two
# monitors, as its users meet it: the clip whole on the primary monitor with no panel or bar
# over it, the other monitor black, and each of the window manager's shortcuts that move the
# focus or the desktop either leaving the saver covering the screen with a key still ending
# it, or ending it with 0, the keys typed next reaching the window that took them. Nothing is
# left running.
#   run-under-xvfb.sh --wm NAME --two-monitors|--two-outputs -- window_managers_test.sh PROGRAM
# Ends with "N passed, N failed".
set -uo pipefail
program=$1
. "$(dirname "$0")/../checks.sh"
wm=$TESSIVA_TEST_WM
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"' EXIT
app=$work/app
mkdir -p "$app"
cp "$program" "$app/tessiva"
printf '[config]\nsound=0\npath=%s/\n' "$app" >"$app/Tessiva.ini"
# Four quadrants (red, lime / blue, yellow) under a moving marker: each corner of the primary
# monitor shows its own colour when the whole clip fills it, and a panel or bar over an edge
# doesn't.
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "color=c=red:s=320x180:r=30:d=3[a];\
color=c=lime:s=320x180:r=30:d=3[b];color=c=blue:s=320x180:r=30:d=3[c];color=c=yellow:s=320x180:r=30:d=3[d];\
color=c=white:s=40x20:r=30:d=3[m];[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack[q];\
[q][m]overlay=x='mod(t*200\,600)':y=170" -c:v libx264 -pix_fmt yuv420p -f mp4 "$app/vorn.evc"
xsetroot -solid "#00ff00"
# The user is at the primary monitor: a tiling window manager opens windows on the focused one.
xdotool mousemove 640 360
split=yes
xrandr --listmonitors | grep -q VNC-1 && split=no

# The average colour of the region WxH+X+Y of the screen, as R G B.
colour_of() {
    import -window root -crop "$1" +repage -resize '1x1!' -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-F]\{2\}\)\([0-9A-F]\{2\}\)\([0-9A-F]\{2\}\).*/\1 \2 \3/p' |
        { read -r r g b && echo "$((16#$r)) $((16#$g)) $((16#$b))"; }
}
# Each colour channel high (h) or low (l), as "hll" for red.
looks() {
    local r g b
    read -r r g b < <(colour_of "$1")
    [ "$(for c in "$r" "$g" "$b"; do [ "$c" -ge 160 ] && printf h || { [ "$c" -le 90 ] && printf l || printf '?'; }; done)" = "$2" ]
}
clip_whole() {
    looks 40x6+20+2 hll && looks 40x6+1220+2 lhl && looks 40x6+20+712 llh && looks 40x6+1220+712 hhl
}
other_black() { [ "$(colour_of 1280x720+1280+0)" = "0 0 0" ]; }
covered() {
    clip_whole || return 1
    # xfwm4's compositor draws nothing right of the screen it knows on a split screen (one
    # output split by --setmonitor): there the cover's place is what can be checked.
    if [ "$wm" = xfce ] && [ "$split" = yes ]; then
        xwininfo -root -tree | grep '"Form1"' | grep -q '1280x720+1280+0'
    else
        other_black
    fi
}
has_focus() { [ "$(xdotool getwindowfocus getwindowpid 2>/dev/null)" = "$1" ]; }
start_saver() {
    "$app/tessiva" /S >"$work/saver.log" 2>&1 &
    pid=$!
    wait_for 10 has_focus "$pid"
}
# A window that takes the keyboard and says what it got.
start_typist() {
    xev -event keyboard >"$work/typed" 2>&1 &
    typist=$!
    wait_for 10 has_focus "$typist"
}
typed() { grep -q "keysym 0x$1," "$work/typed"; }

# One shortcut over the saver, with a typist's window behind it when `with_typist`.
shortcut() {
    local keys=$1 with_typist=$2 start end
    typist=""
    [ "$with_typist" = yes ] && start_typist
    start_saver
    check "$wm $keys: the saver holds the keyboard" $? "$(xdotool getwindowfocus getwindowname 2>&1)"
    wait_for 10 covered
    check "$wm $keys: the clip whole on the primary monitor, no bar over it, the other one covered" $? \
        "corners: $(colour_of 40x6+20+2) / $(colour_of 40x6+1220+712), right: $(colour_of 1280x720+1280+0)"
    start=$(_checks_now)
    xdotool key "$keys"
    wait_exit "$pid" 30
    end=$(_checks_now)
    if [ "$status" != running ]; then
        [ "$status" = 0 ]
        check "$wm $keys ends the saver with 0 (in $(((end - start) / 1000)) ms)" $? "status $status"
        if [ -n "$typist" ]; then
            xdotool type abc
            wait_for 5 typed 61
            check "$wm $keys: the keys typed next reach the window that took them" $?
        fi
    else
        covered
        check "$wm $keys leaves the saver covering the screen" $?
        xdotool key x
        wait_exit "$pid" 30
        [ "$status" = 0 ]
        check "$wm $keys: a key still ends the saver with 0" $? "status $status"
        if [ -n "$typist" ]; then
            ! typed 78
            check "$wm $keys: no key reached the hidden window" $?
        fi
    fi
    [ -n "$typist" ] && kill "$typist" 2>/dev/null
    [ "$status" != running ] || kill "$pid"
}

case "$wm" in
    i3) shortcut alt+Right no ;;
    xfce)
        shortcut ctrl+alt+d no
        shortcut ctrl+alt+Right no ;;
    kde) shortcut alt+Tab yes ;;
    gnome)
        # GNOME's X11 session starts in its overview: the saver closes it and covers the screen.
        overview() {
            gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.freedesktop.DBus.Properties.$1 \
                org.gnome.Shell OverviewActive ${2:+"$2"} 2>/dev/null
        }
        overview Set '<true>' >/dev/null
        wait_for 10 eval 'overview Get | grep -q true'
        start_saver
        check "gnome, started in the overview: the saver holds the keyboard" $?
        wait_for 10 covered
        check "gnome, started in the overview: the clip whole on the primary monitor, the other one covered" $?
        xdotool key x
        wait_exit "$pid" 30
        [ "$status" = 0 ]
        check "gnome, started in the overview: a key ends the saver with 0" $? "status $status"
        shortcut alt+Tab yes
        shortcut super no
        shortcut super+Page_Down no
        # GNOME's own idle monitor starts the saver in its X11 session too (tessiva-idle gnome).
        "$(dirname "$program")/tessiva-gnome-idle" 2000 "$app/tessiva" /S >"$work/host.log" 2>&1 &
        host=$!
        saver_started() { pid=$(pgrep -f "^$app/tessiva /S") && has_focus "$pid"; }
        wait_for 15 saver_started
        check "gnome: GNOME's idle monitor starts the saver after 2 idle seconds" $? "$(cat "$work/host.log")"
        xdotool key x
        wait_for 5 eval '! pgrep -f "^$app/tessiva /S" >/dev/null'
        check "gnome: a key ends what the idle monitor started" $?
        kill "$host" ;;
    *) echo "window_managers_test.sh: no shortcuts for the window manager \"$wm\""; exit 2 ;;
esac

! pgrep -f "$app/tessiva" >/dev/null
check "$wm: nothing of the saver left running" $?
finish
