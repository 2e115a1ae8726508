# A headless sway for the Wayland tests, to source from bash:
#   . tests/linux/wayland/sway_session.sh
#   sway_start WORKDIR [VIRTUAL_POINTER]   # or TESSIVA_VIRTUAL_POINTER=... sway_start WORKDIR
#   trap sway_stop EXIT
# Two outputs side by side: HEADLESS-1 1280x720 at 0,0 (focused, the cursor at its middle) and
# HEADLESS-2 800x600 at 1280,0 (SWAY_OUTPUT_SIZE, when set, gives HEADLESS-1 another size, and
# HEADLESS-2 follows at its right edge), both painted SWAY_BACKGROUND so that an output the saver
# leaves uncovered is told from the saver's black. Clients (the saver, grim, wtype) may run as
# root: they reach the session through WAYLAND_DISPLAY, an absolute path.
#
#   sway_start WORKDIR [TOOL]   starts sway, its second output and the virtual pointer; exports
#                               WAYLAND_DISPLAY, XDG_RUNTIME_DIR, SWAYSOCK, unsets DISPLAY
#   sway_stop                   ends the pointer, sway and all the session's processes, removes
#                               the runtime dir, restores the environment; safe to call twice
#   sway_processes [RUNTIME]    the PIDs of the session's processes (after a stop: pass the
#                               XDG_RUNTIME_DIR it had)
#   outputs                     "NAME WxH+X+Y" for each output
#   focused_output              the name of the focused output
#   pointer COMMAND...          move DX DY | button left|right|middle press|release|click |
#                               wheel N; returns once the compositor has it
#   key TEXT                    types TEXT into the focused client
#   key_shift                   presses and releases Shift_L alone
#   shot OUTPUT FILE            a fresh PNG of one output
#
# sway runs as an ordinary user (it will not run as root): when we are root, the user
# SWAY_USER, made here when missing. sway's log is WORKDIR/sway.log.

SWAY_USER=${SWAY_USER:-tessiva-wl}
SWAY_BACKGROUND='#204080'
_sway_pid=
_sway_runtime=
_sway_pointer_pid=
_sway_pointer_in=
_sway_pointer_out=
_sway_saved_env=
_sway_started=

# Closes every descriptor above 2 and execs "$@": sway or the pointer tool holding a pipe of
# the caller's (ctest's output, a command substitution) would keep the caller waiting for its
# end long after the test.
_sway_exec_clean() {
    local fd
    for fd in "/proc/$BASHPID/fd/"*; do
        fd=${fd##*/}
        [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-"
    done
    exec "$@"
}

_sway_fail() {
    echo "sway_start: $1" >&2
    if [ -n "${_sway_log:-}" ] && [ -s "$_sway_log" ]; then
        echo "---- last lines of $_sway_log:" >&2
        tail -n 25 "$_sway_log" >&2
    fi
    sway_stop
    return 1
}

sway_start() {
    local -
    set +e
    local work=$1 tool=${2:-${TESSIVA_VIRTUAL_POINTER:-}}
    [ -n "$_sway_pid" ] && { echo "sway_start: a session is already running" >&2; return 1; }
    [ -d "$work" ] || { echo "sway_start: no folder $work" >&2; return 1; }
    [ -n "$tool" ] && [ -x "$tool" ] || { echo "sway_start: no virtual pointer tool (${tool:-unset})" >&2; return 1; }
    _sway_log=$work/sway.log
    # Restored by sway_stop; -g, as the restoring declare runs inside a function.
    _sway_saved_env=$(declare -p WAYLAND_DISPLAY XDG_RUNTIME_DIR SWAYSOCK DISPLAY 2>/dev/null | sed 's/^declare /declare -g /')
    _sway_started=1

    # A runtime dir of the session's own (not under WORKDIR, which mktemp makes 700 for root):
    # sway and its children are found again by it at the stop.
    local run as_user=()
    run=$(mktemp -d /tmp/tessiva-sway.XXXXXX) || { _sway_fail "mktemp failed"; return 1; }
    _sway_runtime=$run
    if [ "$(id -u)" = 0 ]; then
        if ! id -u "$SWAY_USER" >/dev/null 2>&1; then
            # Another test may be making it at the same time: only its absence afterwards fails.
            useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
                "$SWAY_USER" 2>/dev/null || true
            id -u "$SWAY_USER" >/dev/null 2>&1 || { _sway_fail "cannot create user $SWAY_USER"; return 1; }
        fi
        chown "$SWAY_USER:" "$run"
        as_user=(setpriv --reuid="$SWAY_USER" --regid="$SWAY_USER" --init-groups)
    fi
    chmod 700 "$run"
    local size=${SWAY_OUTPUT_SIZE:-1280x720}
    cat >"$run/config" <<EOF
xwayland disable
output HEADLESS-1 mode $size position 0 0
output HEADLESS-2 mode 800x600 position ${size%x*} 0
output * bg $SWAY_BACKGROUND solid_color
EOF
    chmod 644 "$run/config"

    # setpriv and env exec, so the PID held is sway's own.
    (_sway_exec_clean "${as_user[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$run" \
        TESSIVA_SWAY_SESSION="$run" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$run/config") </dev/null >"$_sway_log" 2>&1 &
    _sway_pid=$!

    local socket='' ipc='' f i
    # 100-150 ms on an idle machine, seconds on a loaded one.
    for i in $(seq 400); do
        kill -0 "$_sway_pid" 2>/dev/null || { _sway_fail "sway ended at its start"; return 1; }
        for f in "$run"/wayland-[0-9]* "$run"/sway-ipc.*.sock; do
            [ -S "$f" ] || continue
            case $f in */wayland-*) socket=$f ;; *) ipc=$f ;; esac
        done
        [ -n "$socket" ] && [ -n "$ipc" ] && break
        sleep 0.025
    done
    [ -n "$socket" ] && [ -n "$ipc" ] || { _sway_fail "no sockets in $run after 10 s"; return 1; }
    export WAYLAND_DISPLAY=$socket XDG_RUNTIME_DIR=$run SWAYSOCK=$ipc
    unset DISPLAY

    swaymsg -q create_output || { _sway_fail "swaymsg create_output failed"; return 1; }
    local want="HEADLESS-1 $size+0+0 HEADLESS-2 800x600+${size%x*}+0 " got=
    for i in $(seq 200); do
        got=$(outputs | tr '\n' ' ')
        [ "$got" = "$want" ] && break
        sleep 0.05
    done
    [ "$got" = "$want" ] || { _sway_fail "outputs are not as configured: $got"; return 1; }

    # The seat has a pointer only while the tool lives: it comes before any client binds the
    # seat, so the saver finds it at its start, and stays till the stop.
    mkfifo "$run/pointer.in" "$run/pointer.out"
    exec {_sway_pointer_in}<>"$run/pointer.in" {_sway_pointer_out}<>"$run/pointer.out"
    (_sway_exec_clean "$tool") <"$run/pointer.in" >"$run/pointer.out" 2>"$work/virtual_pointer.log" &
    _sway_pointer_pid=$!
    local reply=
    read -r -t 5 -u "$_sway_pointer_out" reply || true
    [ "$reply" = ready ] || { _sway_fail "the virtual pointer did not start: $(cat "$work/virtual_pointer.log")"; return 1; }
    local width=${size%x*} height=${size#*x}
    swaymsg -q seat seat0 cursor set $((width / 2)) $((height / 2)) || { _sway_fail "cannot place the cursor"; return 1; }
    return 0
}

pointer() {
    local -
    set +e
    [ -n "$_sway_pointer_pid" ] || { echo "pointer: no session" >&2; return 1; }
    local reply=
    echo "$*" >&"$_sway_pointer_in"
    read -r -t 5 -u "$_sway_pointer_out" reply || true
    [ "$reply" = ok ] || { echo "pointer $*: ${reply:-no answer}" >&2; return 1; }
}

# wtype's keyboard is new at each call, with a keymap of its own; without the pause the client
# misses the call's first key. Its keycodes are made up (the first key is keycode 9, evdev 1):
# only the keysym means anything.
key() { wtype -s 200 "$1"; }
# A real key event (-M shift would send only a change of modifiers: no key, no activity).
key_shift() { wtype -s 200 -P Shift_L -p Shift_L; }

outputs() {
    swaymsg -p -t get_outputs | awk '
        /^Output / { name = $2 }
        /Current mode:/ { mode = $3 }
        /Position:/ { split($2, p, ","); print name " " mode "+" p[1] "+" p[2] }'
}
focused_output() { swaymsg -p -t get_outputs | awk '/^Output .*\(focused\)$/ { print $2 }'; }

# sway does not always repaint an output after a full-screen surface comes or goes; switching
# the output off and on again repaints all of it.
shot() {
    swaymsg -q output "$1" dpms off && swaymsg -q output "$1" dpms on && grim -o "$1" "$2"
}

# The session's processes: those sway starts (swaybg) leave its tree but keep the mark its
# environment has. Not our clients, which run outside sway.
sway_processes() {
    local -
    set +e
    local run=${1:-$_sway_runtime}
    [ -n "$run" ] || return 0
    grep -lzxF "TESSIVA_SWAY_SESSION=$run" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
    return 0
}

sway_stop() {
    local -
    set +e
    local i left
    if [ -n "$_sway_pointer_pid" ]; then
        { echo quit >&"$_sway_pointer_in"; } 2>/dev/null
        for i in $(seq 20); do kill -0 "$_sway_pointer_pid" 2>/dev/null || break; sleep 0.05; done
        kill "$_sway_pointer_pid" 2>/dev/null
        wait "$_sway_pointer_pid" 2>/dev/null
        exec {_sway_pointer_in}>&- {_sway_pointer_out}>&-
        _sway_pointer_pid=
    fi
    if [ -n "$_sway_pid" ]; then
        kill "$_sway_pid" 2>/dev/null
        for i in $(seq 40); do kill -0 "$_sway_pid" 2>/dev/null || break; sleep 0.05; done
        kill -KILL "$_sway_pid" 2>/dev/null
        wait "$_sway_pid" 2>/dev/null
    fi
    # What sway started (swaybg) goes with its connection; whatever stays is killed.
    for i in $(seq 40); do
        left=$(sway_processes)
        [ -z "$left" ] && break
        # shellcheck disable=SC2086 # a list of PIDs
        [ "$i" = 20 ] && kill $left 2>/dev/null
        # shellcheck disable=SC2086
        [ "$i" = 39 ] && kill -KILL $left 2>/dev/null
        sleep 0.05
    done
    _sway_pid=
    [ -n "$_sway_runtime" ] && rm -rf "$_sway_runtime"
    _sway_runtime=
    if [ -n "${_sway_started:-}" ]; then
        unset WAYLAND_DISPLAY XDG_RUNTIME_DIR SWAYSOCK
        eval "$_sway_saved_env"
        _sway_started=
    fi
    return 0
}
