# A headless KWin (KDE Plasma's compositor) for the tests: a session driver (session.sh lists
# the commands every driver offers), sourced after tests/checks.sh. Two 1280x720 outputs side
# by side, the desktop painted by swaybg; input through KWin's own fake input and pictures
# through its ScreenShot2, both by the remote TOOL (kde_remote.cpp). KWin grants them only to a
# program that a .desktop file in the user's applications names by its full path, read at its
# start: the remote is copied into the session's folder and named there. /usr/bin/kwin_wayland
# carries a file capability (cap_sys_resource) that exec refuses where the container's bounding
# set lacks it; a plain copy runs. KWin's log is WORK/kwin.log.

. "$(dirname "${BASH_SOURCE[0]}")/session.sh"
SESSION_NAME=KWin

session_start() {
    local work=$1 tool=$2
    _session_begin kde "$work" || return 1
    cp /usr/bin/kwin_wayland "$session_run/kwin_wayland"
    cp "$tool" "$session_run/kde-remote"
    local apps=$session_run/.local/share/applications
    mkdir -p "$apps"
    cat >"$apps/tessiva-test-remote.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Tessiva test remote
Exec=$session_run/kde-remote
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
EOF
    session_own "$session_run"
    _session_env=(DBUS_SESSION_BUS_ADDRESS="unix:path=$session_run/bus" WAYLAND_DISPLAY=wl-kde)
    _session_bus bus
    wait_for 10 test -S "$session_run/bus" || { _session_fail /dev/null "no session bus"; return 1; }
    as_user kbuildsycoca5 --noincremental >"$work/sycoca.log" 2>&1 || { _session_fail "$work/sycoca.log" "kbuildsycoca5 failed"; return 1; }
    as_user_job "$session_run/kwin_wayland" --virtual --width 1280 --height 720 --output-count 2 --socket wl-kde \
        --no-lockscreen </dev/null >"$work/kwin.log" 2>&1 &
    session_pid=$!
    _session_jobs+=("$session_pid")
    as_user timeout 60 gdbus wait --session org.kde.KWin >/dev/null 2>&1 && test -S "$session_run/wl-kde" ||
        { _session_fail "$work/kwin.log" "KWin did not come up"; return 1; }
    _session_remote_start "$session_run/kde-remote" || return 1
    as_user_job swaybg -c "$SESSION_BACKGROUND" </dev/null >"$work/swaybg.log" 2>&1 &
    _session_jobs+=($!)
}

key() { _session_remote key "$1" "${2:-click}"; }
# KWin puts a full-screen window on the output under the pointer.
active_output() { :; }
shot() { _session_remote shot "$session_shots/$1.ppm" && _session_split "$session_shots/$1.ppm" 1280x720 1280x720; }
