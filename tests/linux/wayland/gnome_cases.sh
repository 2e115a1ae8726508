# What only GNOME has, for saver_scenario.sh (sourced by it): its own idle host
# (tessiva-gnome-idle, as GNOME offers no Wayland idle protocol), the overview, and a pointer
# that gnome-shell hides only once it draws the monitor under it again.

# The broken clip, start after start: GNOME once left it hanging.
broken_starts=${TESSIVA_GNOME_STARTS:-10}
idle_host=gnome
idle_host_name="GNOME's idle monitor"
idle_host_command() { idle_command=("$app/tessiva-gnome-idle" $(($1 * 1000)) "$app/tessiva" /S); }

own_cases() {
    refuses_swayidle "$session_run/config/autostart/tessiva-idle.desktop" as_user

    # ---- The pointer over the black monitor is hidden without any input. A client can hide it
    # only once gnome-shell tells the surface under it that the pointer is there, which it does
    # when it next draws that monitor: the saver draws its cover a second time for that
    # (without it, 2.5 to 6.4 s went by here; with it, under a second).
    make_app "$clips"
    pointer move 800 0
    start_saver
    local shown_at
    shown_at=$(date +%s%N)
    hidden() { shot pointer && [ "$(black pointer-2)" = 1000 ]; }
    wait_for 10 hidden
    check "the pointer over the black monitor is hidden before any input, $((($(date +%s%N) - shown_at) / 1000000)) ms after the cover" $? \
        "$(black pointer-2)‰ black"
    end_saver
    pointer move -800 0

    # ---- Started while the overview is open, as right after login: once it has finished
    # opening (two pictures alike), as a desktop that has just come up has.
    gnome_overview on
    overview_still() { shot overview1 && shot overview2 && cmp -s "$(pic overview1-1)" "$(pic overview2-1)"; }
    wait_for "$show_within" overview_still
    start_saver
    check "a saver started over the overview covers the screen" $? "$(saw now)"
    end_saver
}
