#!/usr/bin/env bash
# The saver and the dialog on a Wayland desktop, as a user meets them, on one compositor: a
# headless sway, GNOME Shell or KWin with two outputs side by side, run through its session
# driver (COMPOSITOR_session.sh; every driver offers the same commands). The saver, its idle
# host and the dialog run as the session's user, as a desktop's programs do. Each case starts a
# copy of the program in a folder of its own, with its own Tessiva.ini, so that nothing here
# touches the build's settings. What only one compositor has is in COMPOSITOR_cases.sh beside
# this file, where there is one: its own_cases run in the session, its own_cases_after once
# the compositor has gone.
#   saver_scenario.sh sway|gnome|kde PROGRAM GNOME_IDLE_HOST CLIP [TOOL]
# TOOL: the driver's input helper (sway's virtual pointer, KDE's remote). Ends with "N passed,
# N failed".
set -uo pipefail
compositor=$1 program=$2 gnome_host=$3 sample=$4 tool=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../checks.sh"
. "$here/pictures.sh"
. "$here/${compositor}_session.sh"
clips=$(dirname "$sample")
work=$(mktemp -d)
chmod 755 "$work"
trap 'pkill -P $$ 2>/dev/null; session_stop; rm -rf "$work"' EXIT

# A saver shows within a few seconds on a quiet machine, and within 15 to 20 on a busy one,
# where each picture of a compositor that renders in software takes seconds too: each wait
# for a picture ends as soon as it shows, and gives up only after this long.
show_within=45
# How often the broken clip starts, each start waiting for its picture and ended by a key.
broken_starts=3

# Where the pictures are: pic NAME, of a shot or a cut of one.
pic() { echo "$session_shots/$1.ppm"; }
black() { pixel_share "$(pic "$1")" '#000000'; }
desktop() { pixel_share "$(pic "$1")" "$SESSION_BACKGROUND"; }
# What the shot NAME showed, for a check's detail: on each output, the share of black and of
# the desktop, and how many pixels are white (the pointer) and blue (the link).
saw() {
    local n
    for n in 1 2; do
        echo -n "output $n: $(black "$1-$n")‰ black, $(desktop "$1-$n")‰ desktop, $(pixels_of "$(pic "$1-$n")" '#FFFFFF')" \
            "white, $(pixels_of "$(pic "$1-$n")" '#0000FF') blue; "
    done
}
# Below the top 40 rows, where GNOME's top bar has a clock that may turn meanwhile.
below_bar() { convert "$(pic "$1")" -crop +0+40 +repage "$(pic "$1-low")"; }
# Runs TEST N for the output N where a full-screen window goes (either, where the compositor
# doesn't say); sets shown_on to the one that passed.
on_active() {
    local n
    for n in $(active_output | grep . || echo 1 2); do
        "$1" "$n" && { shown_on=$n; return 0; }
    done
    return 1
}

# A copy of the program whose settings name the folder CLIPS (with sound SOUND, 0), GNOME's idle
# host and tessiva-idle beside it as an install puts them; sets app.
make_app() {
    new_app "$work" "$program" "$1" "${2:-0}"
    cp "$gnome_host" "$app/tessiva-gnome-idle"
    cp "$here/../../../scripts/tessiva-idle" "$app/"
    session_own "$app"
}
# Starts the saver; sets pid.
launch_saver() {
    as_user_job "$app/tessiva" /S </dev/null >"$work/saver.log" 2>&1 &
    pid=$!
}
# The saver covers the desktop: the clip over one output, black over the other. The clip's
# first frames may still be black.
clip_over() { [ "$(black "now-$1")" -lt 500 ] && [ "$(black "now-$((3 - $1))")" = 1000 ]; }
playing() { shot now && [ "$(desktop now-1)" = 0 ] && [ "$(desktop now-2)" = 0 ] && on_active clip_over; }
start_saver() {
    launch_saver
    wait_for "$show_within" playing
}
stop_saver() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
# A key ends it; status is its exit status.
end_saver() {
    key x
    wait_exit "$pid" 100
    stop_saver
}
# Starts the saver, gives it INPUT (a command), and checks it ends with 0.
#   ends_on NAME INPUT...
ends_on() {
    local name=$1
    shift
    start_saver
    "$@"
    wait_exit "$pid" 100
    [ "$status" = 0 ]
    check "$name ends it with status 0" $? "status $status"
    stop_saver
}
# Starts the saver COUNT times, each time waiting for SHOWS (whose shot is NAME) and ending it
# with a key; sets starts, shown, ended, and missed to what the last start that didn't show
# showed. A start that doesn't end stops it.
#   start_after_start COUNT SHOWS NAME
start_after_start() {
    local count=$1 shows=$2
    starts=0 shown=0 ended=0 missed=none
    for _ in $(seq "$count"); do
        starts=$((starts + 1))
        launch_saver
        if wait_for "$show_within" "$shows"; then shown=$((shown + 1)); else missed="start $starts: $(saw "$3")"; fi
        end_saver
        [ "$status" = 0 ] || break
        ended=$((ended + 1))
    done
    [ "$shown" = "$starts" ] && [ "$ended" = "$starts" ]
}
# Where the compositor has no idle protocol, swayidle can't run: tessiva-idle refuses it, and
# a set-up that can't run stays no set-up. ENTRY: where tessiva-idle's autostart entry would be.
#   refuses_swayidle ENTRY [RUN...]   RUN: how to run tessiva-idle in that desktop
refuses_swayidle() {
    local entry=$1
    shift
    "$@" "$app/tessiva-idle" swayidle 1 >"$work/refused.log" 2>&1
    [ $? = 1 ] && [ ! -e "$entry" ] && ! pgrep -f "^swayidle (-d )?timeout 60 $app/tessiva /S" >/dev/null
    check "where the compositor has no idle protocol, tessiva-idle swayidle is refused and leaves nothing" $? \
        "$(cat "$work/refused.log")"
    # What a wrong answer left must not fail the checks after it.
    "$@" "$app/tessiva-idle" off >/dev/null 2>&1
}

# The desktop's idle host: its name for tessiva-idle and for us, and its command line for
# SECONDS.
idle_host=swayidle
idle_host_name=swayidle
idle_host_command() { idle_command=(swayidle timeout "$1" "$app/tessiva /S"); }
# Keys go to the dialog once it shows.
dialog_ready() { dialog_shows; }
own_cases() { :; }
own_cases_after() { :; }
if [ -f "$here/${compositor}_cases.sh" ]; then . "$here/${compositor}_cases.sh"; fi

session_start "$work" "$tool"
check "$SESSION_NAME starts headless with two outputs, input and pictures" $? "see above"
[ "$failed" = 0 ] || { finish; exit 1; }
painted() { shot desktop && [ "$(desktop desktop-2)" -ge 990 ]; }
wait_for "$show_within" painted
check "the desktop shows its background" $? "$(saw desktop)"

# ---- It covers the desktop and plays, and still moves 8 s after its start (GNOME's slow frame
# answers once froze it); Shift, Up, F1 and the wheel leave it running, "x" ends it.
make_app "$clips"
shown_on=1
start_saver
check "the clip plays over one output, and the other is black" $? "$(saw now)"
sleep 8
shot late && cp "$(pic "late-$shown_on")" "$work/late.ppm"
moving() { shot later && ! cmp -s "$work/late.ppm" "$(pic "later-$shown_on")"; }
wait_for "$show_within" moving
check "the clip still moves 8 s after the start" $?
key shift && key up && key f1 && pointer wheel 1
input=$?
wait_exit "$pid" 10
[ "$input" = 0 ] && [ "$status" = running ]
check "Shift, Up, F1 and the wheel leave it running" $? "input $input, status $status"
end_saver
[ "$status" = 0 ]
check "\"x\" ends it with status 0" $? "status $status"

ends_on "a one-pixel pointer move" pointer move 1 0
ends_on "a left click" click left
ends_on "a right click" click right

# ---- A broken clip: black, with the blue link where the video would be and the pointer
# hidden (its arrow has white, which nothing of the saver's has), start after start.
mkdir -p "$work/broken"
head -c 4096 /dev/urandom >"$work/broken/vorn.evc"
chmod -R a+rX "$work/broken"
make_app "$work/broken"
shot desktop
arrow=$(($(pixels_of "$(pic desktop-1)" '#FFFFFF') + $(pixels_of "$(pic desktop-2)" '#FFFFFF')))
link_over() {
    [ "$(black "broken-$1")" -ge 990 ] && [ "$(pixels_of "$(pic "broken-$1")" '#0000FF')" -ge 200 ] &&
        [ "$(black "broken-$((3 - $1))")" -ge 990 ] &&
        [ "$(pixels_of "$(pic broken-1)" '#FFFFFF')" = 0 ] && [ "$(pixels_of "$(pic broken-2)" '#FFFFFF')" = 0 ]
}
shows_link() { shot broken && on_active link_over; }
start_after_start "$broken_starts" shows_link broken && [ "$arrow" -gt 0 ]
check "a broken clip shows black with the blue link, the pointer hidden, and ends on a key, $shown of $starts starts" $? \
    "ended $ended; missed $missed; $arrow white pixels before"

# ---- A still clip, one frame long: its picture, start after start, and a key ends it.
mkdir -p "$work/still"
ffmpeg -loglevel error -f lavfi -i color=c=red:s=320x240:d=1 -frames:v 1 -c:v libx264 -pix_fmt yuv420p -f mp4 \
    "$work/still/vorn.evc"
chmod -R a+rX "$work/still"
make_app "$work/still"
still_over() { [ "$(black "still-$1")" -lt 900 ]; }
shows_still() { shot still && on_active still_over; }
start_after_start 3 shows_still still
check "a still clip shows its picture and ends on a key, $shown of $starts starts" $? "ended $ended; missed $missed"

# ---- The desktop's idle host starts it after 2 idle seconds, and a key ends what it started;
# tessiva-idle sets the host up, refuses nonsense, and takes it down.
make_app "$clips"
idle_host_command 2
as_user_job "${idle_command[@]}" </dev/null >"$work/host.log" 2>&1 &
host=$!
saver_started() { pid=$(pgrep -n -f "^$app/tessiva /S"); }
wait_for "$show_within" saver_started && wait_for "$show_within" playing
check "$idle_host_name starts it after 2 idle seconds" $? \
    "saver ${pid:-not started}; $(saw now); $(grep -v ^ALSA "$work/host.log" | tail -n 3)"
key x
gone() { ! pgrep -f "^$app/tessiva /S" >/dev/null; }
wait_for 10 gone
check "and a key ends what it started" $?
kill "$host" 2>/dev/null
wait "$host" 2>/dev/null

entry=$session_run/config/autostart/tessiva-idle.desktop
as_user "$app/tessiva-idle" "$idle_host" 0 >/dev/null 2>&1
[ $? = 2 ] && [ ! -e "$entry" ]
check "tessiva-idle $idle_host 0 is refused" $?
as_user "$app/tessiva-idle" "$idle_host" 5 >"$work/idle.log" 2>&1
idle_host_command 300
# (tessiva-idle's host may run with -d: it says when it is set up)
pgrep -f "^${idle_command[0]} (-d )?${idle_command[*]:1}" >/dev/null && grep -q " run $idle_host 5$" "$entry"
check "tessiva-idle $idle_host 5 starts $idle_host_name for 300 s and records it" $? "$(cat "$work/idle.log")"
as_user "$app/tessiva-idle" off >/dev/null
! pgrep -f "^${idle_command[0]} (-d )?${idle_command[*]:1}" >/dev/null && [ ! -e "$entry" ]
check "tessiva-idle off stops it and removes the entry" $?

own_cases

# ---- "/C": the dialog, a window of Qt's, saves as the user asks.
make_app "$clips" 1
shot desktop && below_bar desktop-1 && below_bar desktop-2
as_user_job "$app/tessiva" /C </dev/null >"$work/dialog.log" 2>&1 &
pid=$!
dialog_shows() {
    shot dialog && below_bar dialog-1 && below_bar dialog-2 &&
        ! { cmp -s "$(pic desktop-1-low)" "$(pic dialog-1-low)" && cmp -s "$(pic desktop-2-low)" "$(pic dialog-2-low)"; }
}
wait_for "$show_within" dialog_ready
check "\"/C\" opens the dialog" $? "$(tail -n 3 "$work/dialog.log")"
# The check box has the focus first: Space clears it; Tab, Tab reaches OK (after Cancel).
key space && key tab && key tab && key space
wait_exit "$pid" 100
[ "$status" = 0 ] && grep -q '^sound=0' "$app/Tessiva.ini"
check "clearing \"Play sound\" and OK saves sound=0 and ends the dialog" $? \
    "status $status, $(tr '\n' ' ' <"$app/Tessiva.ini")"
stop_saver

# ---- The compositor goes away under it: it ends with status 1 at once (with a line from
# whichever of its two connections noticed first: ours, or Qt's).
make_app "$clips"
start_saver
{ kill -KILL "$session_pid"; wait "$session_pid"; } 2>/dev/null
wait_exit "$pid" 100
[ "$status" = 1 ]
check "when $SESSION_NAME dies, it ends with status 1" $? "status $status; $(grep -v ALSA "$work/saver.log" | tail -n 2)"
stop_saver
own_cases_after

finish
