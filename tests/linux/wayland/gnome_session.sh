# A headless GNOME Shell for the tests and the benchmark: a session driver (session.sh lists
# the commands every driver offers), sourced after tests/checks.sh. Monitors GNOME_MONITORS
# ("1280x720 800x600"), side by side, the first the primary with the top bar; input through
# RemoteDesktop and pictures through gnome-shell (gnome_remote.py). gnome-shell wants a system
# bus beside the session bus: a second session bus stands in. GNOME's own, for what only it has:
#   gnome_overview on|off       opens or closes the overview
# gnome-shell's log is WORK/shell.log.

. "$(dirname "${BASH_SOURCE[0]}")/session.sh"
SESSION_NAME=gnome-shell
# gnome-shell dies of a signal of its own when told to stop: no need to be gentle.
_session_stop_signal=KILL

session_start() {
    local try
    # About one gnome-shell start in ten here never answers its first RemoteDesktop session,
    # however long it is given: such a session is ended and a fresh one started.
    for try in 1 2 3; do
        _gnome_start_once "$1" && return 0
        echo "session_start: try $try failed" >&2
        session_stop
    done
    return 1
}

_gnome_start_once() {
    local work=$1 flags=() m
    for m in ${GNOME_MONITORS:-1280x720 800x600}; do flags+=(--virtual-monitor "$m"); done
    _session_begin gnome "$work" || return 1
    _session_env=(DBUS_SESSION_BUS_ADDRESS="unix:path=$session_run/bus"
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$session_run/system_bus" WAYLAND_DISPLAY=wl-gnome)
    _session_bus bus
    _session_bus system_bus
    wait_for 10 test -S "$session_run/bus" -a -S "$session_run/system_bus" || { echo "session_start: no buses" >&2; return 1; }
    local key value
    while read -r key value; do
        as_user gsettings set org.gnome.desktop.background "$key" "$value" </dev/null || return 1
    done <<EOF
picture-uri ''
picture-uri-dark ''
picture-options none
color-shading-type solid
primary-color '$SESSION_BACKGROUND'
EOF
    as_user_job gnome-shell --wayland --headless --no-x11 --wayland-display=wl-gnome "${flags[@]}" \
        </dev/null >"$work/shell.log" 2>&1 &
    session_pid=$!
    _session_jobs+=("$session_pid")
    as_user timeout 60 gdbus wait --session org.gnome.Shell.Screenshot >/dev/null 2>&1 &&
        as_user timeout 60 gdbus wait --session org.gnome.Mutter.RemoteDesktop >/dev/null 2>&1 &&
        test -S "$session_run/wl-gnome" || { tail -n 5 "$work/shell.log" >&2; return 1; }
    _session_remote_start python3 "$_session_here/gnome_remote.py" || return 1
    # The first key of a session is lost, and the pointer shows only once it has moved; the
    # new session opens the overview. The pointer goes to the first monitor's middle, away
    # from the hot corner.
    key shift && pointer move 600 340 && click && gnome_overview off
}

key() { _session_remote key "$1" "${2:-click}"; }
gnome_overview() { _session_remote overview "$1"; }
active_output() { echo 1; }

# gnome-shell writes the picture as the session's user.
shot() {
    # shellcheck disable=SC2086 # the sizes
    _session_remote shot "$session_shots/$1.png" && _session_split "$session_shots/$1.png" ${GNOME_MONITORS:-1280x720 800x600}
}
