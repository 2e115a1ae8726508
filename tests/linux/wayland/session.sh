# What the headless sessions of the Wayland tests share; sourced by each session driver
# (sway_session.sh, gnome_session.sh, kde_session.sh), which the scenario and the benchmarks
# source after tests/checks.sh. Every driver offers the same commands:
#   session_start WORK [TOOL]   starts the compositor as the ordinary user SESSION_USER (made
#                               when missing), with two outputs side by side, the first 1280x720
#                               at 0,0, the desktop painted SESSION_BACKGROUND, input and
#                               pictures; fails, with the compositor's last words, when it
#                               doesn't come up. TOOL: the driver's input helper, where it has one
#   session_stop                ends every process of the session; safe to call twice
#   as_user COMMAND...          runs COMMAND in the session, as its user
#   as_user_job COMMAND... &    the same in the background, with $! the PID of COMMAND itself
#                               (only ever with &: it replaces the shell that runs it)
#   key NAME [press|release]    x, shift, up, f1, space, tab, super or f; pressed and released
#                               unless told
#   pointer move DX DY | wheel N | button left|right|middle press|release|click
#                               relative motion; N wheel notches (negative: up); a button
#   click [BUTTON]              a click of BUTTON (left)
#   shot NAME                   pictures of the outputs: $session_shots/NAME-1.ppm, NAME-2.ppm
#   active_output               the output (1 or 2) where a full-screen window goes, or
#                               nothing where the compositor doesn't say
# Input returns once the compositor has it. A driver names its compositor in SESSION_NAME;
# the start sets session_run (the session's runtime folder: its user's HOME and
# XDG_RUNTIME_DIR, with XDG_CONFIG_HOME in config/) and session_pid (the compositor). Clients
# reach the session only through as_user: nothing of it is exported.

SESSION_USER=${SESSION_USER:-tessiva-wl}
SESSION_BACKGROUND='#204080'
session_run=
session_pid=
session_shots=
_session_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
_session_as=()
_session_env=()  # the driver's own variables for the session's programs
_session_stop_signal=TERM
_session_remote_pid=
_session_remote_log=
_session_jobs=()  # what the driver started in the background, to wait for at the stop

# The user, a runtime folder of the session's own (not under WORK, which mktemp makes 700 for
# root) and its pictures' folder. Not being root, we are the user.
#   _session_begin NAME WORK
_session_begin() {
    _session_as=() _session_jobs=()
    if [ "$(id -u)" = 0 ]; then
        if ! id -u "$SESSION_USER" >/dev/null 2>&1; then
            # Another test may be making it at the same time: only its absence afterwards fails.
            useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
                "$SESSION_USER" 2>/dev/null || true
            id -u "$SESSION_USER" >/dev/null 2>&1 || { echo "session_start: cannot make user $SESSION_USER" >&2; return 1; }
        fi
        _session_as=(setpriv --reuid="$SESSION_USER" --regid="$SESSION_USER" --init-groups)
    fi
    session_run=$(mktemp -d "/tmp/tessiva-$1.XXXXXX") || return 1
    session_shots=$session_run/shots
    _session_remote_log=$2/remote.log
    mkdir -p "$session_shots" "$session_run/config"
    session_own "$session_run"
    chmod 700 "$session_run"
}

# Gives FILES (folders with all they hold) to the session's user.
session_own() { [ ${#_session_as[@]} = 0 ] || chown -R "$SESSION_USER:" "$@"; }

# Every program of the session carries its mark, those the compositor starts included; the
# runtime folder in it tells sessions apart.
_session_command() {
    _session_run_command=("${_session_as[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$session_run"
        TESSIVA_TEST_SESSION="$session_run" XDG_RUNTIME_DIR="$session_run" XDG_CONFIG_HOME="$session_run/config"
        "${_session_env[@]}" "$@")
}
# A descriptor of ours above 2 (a pipe of ctest's, of a command substitution, of the remote)
# held by a program of the session would keep its reader waiting for the end long after the
# test: each program gets 0, 1 and 2 only. Closes the others in the (sub)shell that runs it.
session_close_fds() {
    local fd
    for fd in "/proc/$BASHPID/fd/"*; do
        fd=${fd##*/}
        [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-"
    done
}
as_user_job() {
    _session_command "$@"
    session_close_fds
    exec "${_session_run_command[@]}"
}
as_user() { (as_user_job "$@"); }
click() { pointer button "${1:-left}" click; }

# The session's processes (after a stop: pass the runtime folder it had).
# shellcheck disable=SC2120 # the harness passes one
session_processes() {
    local run=${1:-$session_run}
    [ -z "$run" ] || grep -lzxF "TESSIVA_TEST_SESSION=$run" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}
_session_gone() { [ -z "$(session_processes)" ]; }

session_stop() {
    [ -n "$session_run" ] || return 0
    # The shell would report each job's end by its signal, on stderr.
    {
        # shellcheck disable=SC2046 # lists of PIDs
        kill "-$_session_stop_signal" $(session_processes)
        # shellcheck disable=SC2046
        wait_for 5 _session_gone || { kill -KILL $(session_processes); wait_for 5 _session_gone; }
        wait "${_session_jobs[@]}" "$_session_remote_pid"
    } 2>/dev/null
    rm -rf "$session_run"
    session_run='' session_pid='' session_shots='' _session_remote_pid=''
    return 0
}

# Starts a bus of the session's own, at the socket NAME in its runtime folder.
_session_bus() {
    as_user_job dbus-daemon --session --nofork --address="unix:path=$session_run/$1" </dev/null >/dev/null 2>&1 &
    _session_jobs+=($!)
}

# Says why the start failed, with the last lines of LOG, and ends what had started.
#   _session_fail LOG WHY
_session_fail() {
    echo "session_start: $2" >&2
    [ -s "$1" ] && { echo "---- last lines of $1:"; tail -n 15 "$1"; } >&2
    session_stop
    return 1
}

# The remote: input and pictures, one command a line, answering "ready" once at its start,
# then "ok" or "error WHY" for each command once the compositor has taken it. One for the
# whole session: new input devices would lose their first event to their arrival.
#   _session_remote_start COMMAND...
_session_remote_start() {
    local ready=
    coproc SESSION_REMOTE { as_user_job "$@" 2>"$_session_remote_log"; }
    _session_remote_pid=$SESSION_REMOTE_PID
    read -r -t 45 ready <&"${SESSION_REMOTE[0]}"
    [ "$ready" = ready ] || { _session_fail "$_session_remote_log" "the remote did not start"; return 1; }
}
# Compositors that render in software may take seconds to answer on a busy machine.
_session_remote() {
    local reply=
    { echo "$*" >&"${SESSION_REMOTE[1]}" && read -r -t 40 reply <&"${SESSION_REMOTE[0]}"; } 2>/dev/null
    [ "$reply" = ok ] || { echo "$*: ${reply:-no answer}; $(tail -n 3 "$_session_remote_log")" >&2; return 1; }
}
pointer() { _session_remote "$@"; }

# Cuts the picture FILE of the whole screen into one per output, SIZE each, side by side.
#   _session_split FILE SIZE...
_session_split() {
    local file=$1 n=0 x=0 size
    shift
    for size in "$@"; do
        n=$((n + 1))
        convert "$file" -crop "$size+$x+0" +repage "${file%.*}-$n.ppm" || return 1
        x=$((x + ${size%x*}))
    done
}
