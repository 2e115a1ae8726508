# What every shell test shares; sourced from bash, not run. Each check prints one line,
# "ok   NAME" or "FAIL NAME: DETAIL", and `finish` prints "N passed, N failed" and returns
# non-zero when any check failed, so that a script ends with it.
#   check NAME STATUS [DETAIL]   counts STATUS (0 passes; the $? of the condition before it)
#   finish                       the tally line; the script's status when it comes last
#   wait_for SECONDS COMMAND...  runs COMMAND every tenth of a second until it succeeds, for
#                                at most SECONDS; fails if it never did
#   wait_exit PID TENTHS         waits up to TENTHS tenths of a second for the child PID to
#                                end; sets status to its exit status, or to "running"
#   picture_shows                the middle of the X screen is not black
#   start_sound_server DIR       a PulseAudio with a null sink of the caller's own
#   sound_streams                how many streams play on it
#   settings PATH [SOUND]        a settings file's text: "path" PATH, and "sound" SOUND when given
#   new_app DIR PROGRAM CLIPS [SOUND]
#                                a new folder under DIR, open to all, with PROGRAM copied in as
#                                tessiva and its settings file naming the folder CLIPS, SOUND (0)
#                                for "sound"; sets app

passed=0
failed=0

check() {
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1))
        echo "ok   $1"
    else
        failed=$((failed + 1))
        echo "FAIL $1${3:+: $3}"
    fi
}

finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# The clock in microseconds (the locale may write EPOCHREALTIME's point as a comma).
_checks_now() { echo "${EPOCHREALTIME/[.,]/}"; }

# Polls against the clock rather than counting tries: on a busy machine each try of a
# screenshot or an X query takes longer.
wait_for() {
    local until=$(($(_checks_now) + $1 * 1000000))
    shift
    until "$@"; do
        [ "$(_checks_now)" -lt "$until" ] || return 1
        sleep 0.1
    done
}

# Not in a subshell: only the shell that started PID can wait for it.
wait_exit() {
    local pid=$1 tenths=$2
    status=running
    for _ in $(seq "$tenths"); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            status=$?
            return
        fi
        sleep 0.1
    done
}

# The middle of the X screen is not black: a clip's picture is up.
picture_shows() {
    local size middle
    size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
    middle="1x1+$((${size%x*} / 2))+$((${size#*x} / 2))"
    ! import -window root -crop "$middle" -depth 8 txt:- 2>/dev/null | grep -q '#000000'
}

# A PulseAudio of the caller's own in the folder DIR, with a null sink, and PULSE_SERVER
# naming it; it ends with the caller's children. Fails when it doesn't answer within 10 s.
#   start_sound_server DIR
start_sound_server() {
    mkdir -p -m 700 "$1"
    HOME="$1" XDG_RUNTIME_DIR="$1" env -u DISPLAY pulseaudio -n --daemonize=no --exit-idle-time=-1 \
      --use-pid-file=no --disable-shm=yes --load="module-native-protocol-unix socket=$1/native auth-anonymous=1" \
      --load="module-null-sink sink_name=quiet" >"$1/log" 2>&1 &
    export PULSE_SERVER="unix:$1/native"
    wait_for 10 pactl info >/dev/null 2>&1
}
# How many streams play on that server.
sound_streams() { pactl list short sink-inputs 2>/dev/null | grep -c .; }

settings() {
    printf '[config]\npath=%s\n' "$1"
    [ $# -lt 2 ] || printf 'sound=%s\n' "$2"
}
new_app() {
    app=$(mktemp -d "$1/app.XXXX") && chmod 755 "$app" && cp "$2" "$app/tessiva" &&
        settings "$3/" "${4:-0}" >"$app/Tessiva.ini" && chmod 644 "$app/Tessiva.ini"
}
