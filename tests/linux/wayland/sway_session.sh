# A headless sway for the Wayland tests and the benchmark: a session driver (session.sh lists
# the commands every driver offers), sourced after tests/checks.sh. Two outputs side by side:
# HEADLESS-1 1280x720 at 0,0 (focused, the cursor at its middle) and HEADLESS-2 800x600 at its
# right edge; SWAY_OUTPUT_SIZE, when set, gives HEADLESS-1 another size. sway's headless seat
# has no pointer: TOOL is one (virtual_pointer.cpp), which must come before any client binds
# the seat. Keys come through wtype, pictures through grim. X stays out (xwayland disable).
# sway's own, for what only it can do:
#   sway_msg ARGUMENT...        swaymsg in the session
#   sway_outputs                "NAME WxH+X+Y" for each output
#   sway_focused_output         the focused output's name
#   sway_shot OUTPUT NAME       a fresh picture of one output: $session_shots/NAME.ppm
# sway's log is WORK/sway.log.

. "$(dirname "${BASH_SOURCE[0]}")/session.sh"
SESSION_NAME=sway

session_start() {
    local work=$1 tool=${2:-${TESSIVA_VIRTUAL_POINTER:-}} size=${SWAY_OUTPUT_SIZE:-1280x720}
    [ -n "$session_run" ] && { echo "session_start: a session is already running" >&2; return 1; }
    [ -n "$tool" ] && [ -x "$tool" ] || { echo "session_start: no virtual pointer tool (${tool:-unset})" >&2; return 1; }
    _session_begin sway "$work" || return 1
    cat >"$session_run/sway.conf" <<EOF
xwayland disable
output HEADLESS-1 mode $size position 0 0
output HEADLESS-2 mode 800x600 position ${size%x*} 0
output * bg $SESSION_BACKGROUND solid_color
EOF
    session_own "$session_run/sway.conf"
    _session_env=()
    as_user_job env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$session_run/sway.conf" \
        </dev/null >"$work/sway.log" 2>&1 &
    session_pid=$!
    _session_jobs+=("$session_pid")
    # 100-150 ms on an idle machine, seconds on a loaded one.
    wait_for 10 _sway_sockets && kill -0 "$session_pid" 2>/dev/null ||
        { _session_fail "$work/sway.log" "sway ended at its start, or made no sockets in 10 s"; return 1; }
    sway_msg -q create_output || { _session_fail "$work/sway.log" "swaymsg create_output failed"; return 1; }
    local want="HEADLESS-1 $size+0+0 HEADLESS-2 800x600+${size%x*}+0 "
    _sway_configured() { [ "$(sway_outputs | tr '\n' ' ')" = "$want" ]; }
    wait_for 10 _sway_configured ||
        { _session_fail "$work/sway.log" "outputs are not as configured: $(sway_outputs | tr '\n' ' ')"; return 1; }
    _session_remote_start "$tool" || return 1
    local width=${size%x*} height=${size#*x}
    sway_msg -q seat seat0 cursor set $((width / 2)) $((height / 2)) ||
        { _session_fail "$work/sway.log" "cannot place the cursor"; return 1; }
}

# Sets the session's programs' way to sway once its sockets are there (or it has ended).
_sway_sockets() {
    local f socket='' ipc=''
    for f in "$session_run"/wayland-[0-9]* "$session_run"/sway-ipc.*.sock; do
        [ -S "$f" ] || continue
        case $f in */wayland-*) socket=$f ;; *) ipc=$f ;; esac
    done
    _session_env=(WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc")
    [ -n "$socket" ] && [ -n "$ipc" ] || ! kill -0 "$session_pid" 2>/dev/null
}

# wtype's keyboard is new at each call, with a keymap of its own; without the pause the client
# misses the call's first key. Its keycodes are made up (the first key is keycode 9, evdev 1):
# only the keysym means anything. Press and release are real key events (a modifier sent with
# -M would be only a change of modifiers: no key, no activity).
key() {
    local symbol
    case $1 in
        shift) symbol=Shift_L ;; super) symbol=Super_L ;; up) symbol=Up ;; f1) symbol=F1 ;; tab) symbol=Tab ;;
        *) symbol=$1 ;;
    esac
    case ${2:-click} in
        press) as_user wtype -s 200 -P "$symbol" ;;
        release) as_user wtype -s 200 -p "$symbol" ;;
        *) as_user wtype -s 200 -P "$symbol" -p "$symbol" ;;
    esac
}

sway_msg() { as_user swaymsg "$@"; }
sway_outputs() {
    sway_msg -p -t get_outputs | awk '
        /^Output / { name = $2 }
        /Current mode:/ { mode = $3 }
        /Position:/ { split($2, p, ","); print name " " mode "+" p[1] "+" p[2] }'
}
sway_focused_output() { sway_msg -p -t get_outputs | awk '/^Output .*\(focused\)$/ { print $2 }'; }
active_output() { case $(sway_focused_output) in HEADLESS-1) echo 1 ;; HEADLESS-2) echo 2 ;; esac; }

# sway does not always repaint an output after a full-screen surface comes or goes; switching
# the output off and on again repaints all of it.
sway_shot() {
    sway_msg -q output "$1" dpms off && sway_msg -q output "$1" dpms on &&
        as_user grim -t ppm -o "$1" "$session_shots/$2.ppm"
}
shot() { sway_shot HEADLESS-1 "$1-1" && sway_shot HEADLESS-2 "$1-2"; }
