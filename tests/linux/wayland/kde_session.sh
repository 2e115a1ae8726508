# A headless KWin (KDE Plasma's compositor) for the tests, to source from bash after
# tests/checks.sh:
#   kde_start WORKDIR REMOTE_TOOL   starts it with two 1280x720 outputs side by side and the
#                                   remote (kde_remote.cpp); fails, with KWin's last words,
#                                   when it doesn't come up
#   as_user COMMAND...              runs COMMAND in the session, as its user
#   as_user_job COMMAND... &        the same in the background, with $! the PID of COMMAND
#                                   itself (only ever with &: it replaces the shell)
#   remote COMMAND...               input and screenshots: one command, back once KWin has it
#   kde_stop                        ends everything of the session; safe to call twice
# KWin runs as the ordinary user KDE_USER (tessiva-wl, made when missing) with a session bus of
# that user. It grants fake input and screenshots only to a program that a .desktop file in the
# user's applications names by its full path, read at its start: the remote is copied into the
# session's folder and named there. /usr/bin/kwin_wayland carries a file capability
# (cap_sys_resource) that exec refuses where the container's bounding set lacks it; a plain
# copy runs. Sets kde_run (the runtime folder) and kde_pid.

KDE_USER=${KDE_USER:-tessiva-wl}
kde_run=
kde_pid=
_kde_remote_pid=

_kde_as_user() {
    _kde_command=(setpriv --reuid="$KDE_USER" --regid="$KDE_USER" --init-groups env -i
        PATH=/usr/local/bin:/usr/bin:/bin HOME="$kde_run" TESSIVA_KDE_SESSION="$kde_run"
        XDG_RUNTIME_DIR="$kde_run" XDG_CONFIG_HOME="$kde_run/config"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$kde_run/bus" WAYLAND_DISPLAY=wl-kde "$@")
}
as_user() { _kde_as_user "$@"; "${_kde_command[@]}"; }
as_user_job() { _kde_as_user "$@"; exec "${_kde_command[@]}"; }

kde_start() {
    local work=$1 tool=$2
    if ! id -u "$KDE_USER" >/dev/null 2>&1; then
        # Another test may be making it at the same time: only its absence afterwards fails.
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$KDE_USER" 2>/dev/null || true
    fi
    kde_run=$(mktemp -d /tmp/tessiva-kde.XXXXXX)
    chown "$KDE_USER:" "$kde_run"
    chmod 700 "$kde_run"
    cp /usr/bin/kwin_wayland "$kde_run/kwin_wayland"
    cp "$tool" "$kde_run/kde-remote"
    local apps=$kde_run/.local/share/applications
    mkdir -p "$apps"
    cat >"$apps/tessiva-test-remote.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Tessiva test remote
Exec=$kde_run/kde-remote
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
EOF
    chown -R "$KDE_USER:" "$kde_run"
    as_user_job dbus-daemon --session --nofork --address="unix:path=$kde_run/bus" </dev/null >/dev/null 2>&1 &
    wait_for 10 test -S "$kde_run/bus" || { echo "kde_start: no session bus" >&2; return 1; }
    as_user kbuildsycoca5 --noincremental >"$work/sycoca.log" 2>&1 || { tail -n 3 "$work/sycoca.log" >&2; return 1; }
    as_user_job "$kde_run/kwin_wayland" --virtual --width 1280 --height 720 --output-count 2 --socket wl-kde \
        --no-lockscreen </dev/null >"$work/kwin.log" 2>&1 &
    kde_pid=$!
    as_user timeout 60 gdbus wait --session org.kde.KWin >/dev/null 2>&1 && test -S "$kde_run/wl-kde" ||
        { tail -n 5 "$work/kwin.log" >&2; return 1; }
    local ready=
    coproc KDE_REMOTE { as_user "$kde_run/kde-remote" 2>"$work/remote.log"; }
    _kde_remote_pid=$KDE_REMOTE_PID
    _kde_remote_log=$work/remote.log
    read -r -t 30 ready <&"${KDE_REMOTE[0]}"
    [ "$ready" = ready ] || { tail -n 1 "$work/remote.log" >&2; return 1; }
}

remote() {
    local reply=
    echo "$*" >&"${KDE_REMOTE[1]}" && read -r -t 30 reply <&"${KDE_REMOTE[0]}" && [ "$reply" = ok ] ||
        { echo "remote $*: ${reply:-no answer}; $(tail -n 3 "$_kde_remote_log")" >&2; return 1; }
}

kde_stop() {
    [ -n "$kde_run" ] || return 0
    [ -n "$_kde_remote_pid" ] && kill "$_kde_remote_pid" 2>/dev/null
    # Every process of the session carries its mark, those KWin starts included.
    local p i
    for i in 1 2; do
        for p in $(grep -lzxF "TESSIVA_KDE_SESSION=$kde_run" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
            kill "-$([ $i = 1 ] && echo TERM || echo KILL)" "$p" 2>/dev/null
        done
        [ $i = 1 ] && wait_for 5 _kde_gone
    done
    rm -rf "$kde_run"
    kde_run= kde_pid= _kde_remote_pid=
}
_kde_gone() { ! grep -qlzxF "TESSIVA_KDE_SESSION=$kde_run" /proc/[0-9]*/environ 2>/dev/null; }
