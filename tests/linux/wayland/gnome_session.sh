# A headless GNOME Shell for the tests and the benchmark, to source from bash after
# tests/checks.sh:
#   gnome_start WORKDIR [MONITOR...]   starts it (monitors: 1280x720 800x600 when none are
#                                      named); fails, with gnome-shell's last words, when it
#                                      doesn't come up
#   as_user COMMAND...                 runs COMMAND in the session, as its user
#   as_user_job COMMAND... &           the same in the background, with $! the PID of
#                                      COMMAND itself (only ever with &: it replaces the
#                                      shell that runs it)
#   remote COMMAND...                  input and screenshots (gnome_remote.py): one command,
#                                      back once gnome-shell has taken it
#   gnome_stop                         ends everything of the session; safe to call twice
# gnome-shell runs as the ordinary user GNOME_USER (tessiva-wl, made when missing), with a
# session bus of that user, as a desktop's programs do; it also wants a system bus, which a
# second bus stands in for. Sets gnome_run (its runtime folder) and gnome_pid.

GNOME_USER=${GNOME_USER:-tessiva-wl}
_gnome_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
gnome_run=
gnome_pid=
_gnome_remote_pid=

_gnome_as_user() {
    _gnome_command=(setpriv --reuid="$GNOME_USER" --regid="$GNOME_USER" --init-groups env -i
        PATH=/usr/local/bin:/usr/bin:/bin HOME="$gnome_run" TESSIVA_GNOME_SESSION="$gnome_run"
        XDG_RUNTIME_DIR="$gnome_run" XDG_CONFIG_HOME="$gnome_run/config"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$gnome_run/bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$gnome_run/system_bus"
        WAYLAND_DISPLAY=wl-gnome "$@")
}
as_user() { _gnome_as_user "$@"; "${_gnome_command[@]}"; }
as_user_job() { _gnome_as_user "$@"; exec "${_gnome_command[@]}"; }

gnome_start() {
    local work=$1
    shift
    local monitors=("$@") flags=() m
    [ ${#monitors[@]} -gt 0 ] || monitors=(1280x720 800x600)
    for m in "${monitors[@]}"; do flags+=(--virtual-monitor "$m"); done
    if ! id -u "$GNOME_USER" >/dev/null 2>&1; then
        # Another test may be making it at the same time: only its absence afterwards fails.
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$GNOME_USER" 2>/dev/null || true
    fi
    # About one gnome-shell start in ten here never answers its first RemoteDesktop session,
    # however long it is given: such a session is ended and a fresh one started.
    local try
    for try in 1 2 3; do
        _gnome_start_once "$work" && return 0
        echo "gnome_start: try $try failed" >&2
        gnome_stop
    done
    return 1
}

_gnome_start_once() {
    local work=$1
    gnome_run=$(mktemp -d /tmp/tessiva-gnome.XXXXXX)
    chown "$GNOME_USER:" "$gnome_run"
    chmod 700 "$gnome_run"
    as_user_job dbus-daemon --session --nofork --address="unix:path=$gnome_run/bus" </dev/null >/dev/null 2>&1 &
    as_user_job dbus-daemon --session --nofork --address="unix:path=$gnome_run/system_bus" </dev/null >/dev/null 2>&1 &
    wait_for 10 test -S "$gnome_run/bus" -a -S "$gnome_run/system_bus" || { echo "gnome_start: no buses" >&2; return 1; }
    as_user_job gnome-shell --wayland --headless --no-x11 --wayland-display=wl-gnome "${flags[@]}" \
        </dev/null >"$work/shell.log" 2>&1 &
    gnome_pid=$!
    as_user timeout 60 gdbus wait --session org.gnome.Shell.Screenshot >/dev/null 2>&1 &&
        as_user timeout 60 gdbus wait --session org.gnome.Mutter.RemoteDesktop >/dev/null 2>&1 &&
        test -S "$gnome_run/wl-gnome" || { tail -n 5 "$work/shell.log" >&2; return 1; }
    # One RemoteDesktop session for the whole run: a new one would bring new devices, and
    # their first event would go to their arrival.
    local ready=
    coproc GNOME_REMOTE { as_user python3 "$_gnome_here/gnome_remote.py" 2>"$work/remote.log"; }
    _gnome_remote_pid=$GNOME_REMOTE_PID
    read -r -t 45 ready <&"${GNOME_REMOTE[0]}"
    [ "$ready" = ready ] || { tail -n 1 "$work/remote.log" >&2; return 1; }
    _gnome_remote_log=$work/remote.log
    # The first key of a session is lost, and the pointer shows only once it has moved; the
    # new session opens the overview. The pointer goes to the first monitor's middle, away
    # from the hot corner.
    remote key 0xffe1 click && remote move 600 340 && remote button 272 click && remote overview off
}

remote() {
    local reply=
    echo "$*" >&"${GNOME_REMOTE[1]}" && read -r -t 40 reply <&"${GNOME_REMOTE[0]}" && [ "$reply" = ok ] ||
        { echo "remote $*: ${reply:-no answer}; $(tail -n 3 "$_gnome_remote_log")" >&2; return 1; }
}

gnome_stop() {
    [ -n "$gnome_run" ] || return 0
    [ -n "$_gnome_remote_pid" ] && kill "$_gnome_remote_pid" 2>/dev/null
    # Every process of the session carries its mark. gnome-shell dies of a signal of its own
    # when told to stop: no need to be gentle.
    local p
    for p in $(grep -lzxF "TESSIVA_GNOME_SESSION=$gnome_run" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
        kill -KILL "$p" 2>/dev/null
    done
    rm -rf "$gnome_run"
    gnome_run= gnome_pid= _gnome_remote_pid=
}
