# What only sway can show, for saver_scenario.sh (sourced by it): the pointer placed over the
# other output, an output of another shape, an output plugged in and out while the saver runs,
# the dialog's focus; and, once sway has gone, weston, a compositor without layer-shell (GNOME's
# kind), where the saver's surfaces are full-screen toplevels of its own.

own_cases() {
    # ---- A move with the pointer over the output the clip doesn't play on.
    sway_msg -q seat seat0 cursor set 1500 300
    ends_on "a move with the pointer over the other output" pointer move 0 1
    sway_msg -q seat seat0 cursor set 640 360

    # ---- On an output of another shape the compositor scales the clip's own frames: 800x450
    # in the middle of the 800x600 output, black above and below (the rows next to the edges
    # are left out: the compositor blends them).
    sway_msg -q focus output HEADLESS-2
    make_app "$clips"
    start_saver
    letterboxed() {
        shot scaled &&
            convert "$(pic scaled-2)" -crop 800x70+0+0 +repage "$(pic above)" &&
            convert "$(pic scaled-2)" -crop 800x70+0+530 +repage "$(pic below)" &&
            convert "$(pic scaled-2)" -crop 800x430+0+85 +repage "$(pic middle)" &&
            [ "$(black above)" = 1000 ] && [ "$(black below)" = 1000 ] && [ "$(black middle)" -lt 500 ]
    }
    wait_for "$show_within" letterboxed
    check "on a 4:3 output the clip fills the width, black above and below" $? \
        "$(black above)‰ black above, $(black middle)‰ in the middle, $(black below)‰ below"
    end_saver
    sway_msg -q focus output HEADLESS-1

    # ---- An output plugged in while it runs gets a black surface of its own.
    make_app "$clips"
    start_saver
    sway_msg -q create_output
    added_is_black() {
        added=$(sway_outputs | awk '$1 != "HEADLESS-1" && $1 != "HEADLESS-2" { print $1; exit }')
        [ -n "$added" ] && sway_shot "$added" added && [ "$(black added)" = 1000 ]
    }
    wait_for "$show_within" added_is_black
    check "an output plugged in while it runs goes black" $? \
        "${added:-no output was added}${added:+: $(black added)‰ black}"
    if [ -n "$added" ]; then sway_msg -q output "$added" unplug 2>/dev/null || sway_msg -q output "$added" disable; fi
    # Time for a fault to show: nothing to see when it goes right.
    sleep 0.5
    kill -0 "$pid" 2>/dev/null
    check "and it runs on as the output goes" $? "$(tail -n 3 "$work/saver.log")"
    end_saver
    sway_msg -q focus output HEADLESS-1
}

# Keys go to the dialog once sway has given it the focus: a Wayland window, since no X server
# runs here. In the tree, a node's "focused" comes before its "name".
dialog_ready() {
    dialog_shows && sway_msg -r -t get_tree |
        awk '/"focused":/ { f = index($0, "true") > 0 } /"name": "Configure"/ && f { hit = 1 } END { exit !hit }'
}

# A headless weston has no input devices: only the picture is checked. It runs on its own,
# beside the tests' user, in a runtime folder of its own.
own_cases_after() {
    local run
    run=$(mktemp -d)
    (session_close_fds && exec env XDG_RUNTIME_DIR="$run" weston --backend=headless-backend.so --use-pixman \
        --socket=wl-test --width=1024 --height=576 --debug --idle-time=0) >"$work/weston.log" 2>&1 &
    local weston=$!
    wait_for 10 test -S "$run/wl-test"
    local weston_env=(XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY=wl-test XDG_CONFIG_HOME="$work/config")
    in_weston() { env "${weston_env[@]}" "$@"; }
    launch_in_weston() {
        (session_close_fds && exec env "${weston_env[@]}" "$app/tessiva" /S) </dev/null >"$work/saver.log" 2>&1 &
        pid=$!
    }
    # weston_shot NAME: a picture of weston's one output.
    weston_shot() {
        rm -f "$run"/wayland-screenshot*.png
        (cd "$run" && in_weston timeout 5 weston-screenshooter >/dev/null 2>&1)
        convert "$(ls "$run"/wayland-screenshot*.png 2>/dev/null | head -n1)" "$(pic "$1")" 2>/dev/null
    }
    # weston_shows NAME TEST: the saver still runs, and TEST holds for a fresh picture NAME.
    weston_shows() { weston_shot "$1" && kill -0 "$pid" 2>/dev/null && "$2"; }

    make_app "$clips"
    launch_in_weston
    plays_in_weston() { [ "$(black weston)" -lt 500 ]; }
    wait_for "$show_within" weston_shows weston plays_in_weston
    check "without layer-shell the clip plays full screen in a toplevel of ours" $? \
        "$(black weston)‰ black; $(grep -v ALSA "$work/saver.log" | tail -n 2)"
    stop_saver

    make_app "$work/broken"
    launch_in_weston
    link_in_weston() { [ "$(black weston-broken)" -ge 990 ] && [ "$(pixels_of "$(pic weston-broken)" '#0000FF')" -ge 200 ]; }
    wait_for "$show_within" weston_shows weston-broken link_in_weston
    check "and a broken clip there gives black with the blue link" $? "$(black weston-broken)‰ black"
    stop_saver

    refuses_swayidle "$work/config/autostart/tessiva-idle.desktop" in_weston
    kill "$weston" 2>/dev/null
    wait "$weston" 2>/dev/null
    rm -rf "$run"
}
