#!/usr/bin/env bash
# A Wine prefix made from nothing, so that no state of an earlier run (registry, files in C:)
# reaches the next one, and the Wine that runs in it.
#   wine-prefix.sh fresh PREFIX    ends whatever runs in PREFIX, removes it and makes it anew,
#                                  then keeps its Wine up (start) until `stop`, or until the
#                                  process that asked for it (ctest, for the fixture) ends
#   wine-prefix.sh make PREFIX     the same prefix made anew, with nothing of Wine left running
#                                  (for one program at a time that waits for its Wine to end)
#   wine-prefix.sh start PREFIX    keeps PREFIX's Wine up: a wineserver that stays when no
#                                  program runs, and Wine's services started in it; does
#                                  nothing while one is up
#   wine-prefix.sh restart PREFIX  stop, then start: Wine's desktop process anew, on the
#                                  caller's DISPLAY
#   wine-prefix.sh stop PREFIX     ends the wineserver of PREFIX and every Wine process in it,
#                                  and waits until they are gone
# A new prefix takes Wine 6 to 10 s.
#
# Why Wine is kept up: Debian's wineserver wrapper starts the server with -p0, so left to
# itself it shuts down the moment its last program ends: it tells Wine's services to go,
# accepts no one new and refuses to create processes, and exits seconds later. The next
# program then either meets that server on its way out, or starts a server and all of Wine's
# services again (wineboot --init) and runs while they come up. Every test program did one
# or the other. A server started with -p (which comes after the wrapper's -p0, and counts)
# stays, with its services, until it is stopped.
set -euo pipefail

wine=/usr/lib/wine/wine64
wineserver=$(dirname "$wine")/wineserver
[ -x "$wine" ] || { echo "$0: no Wine at $wine (scripts/setup.sh installs wine64)" >&2; exit 2; }

[ $# -eq 2 ] || { echo "usage: $0 fresh|make|start|restart|stop PREFIX" >&2; exit 2; }
command=$1
export WINEPREFIX=$2
case $WINEPREFIX in /*) ;; *) WINEPREFIX=$PWD/$WINEPREFIX ;; esac
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
log=$WINEPREFIX/wine.log
# Which fresh prefix this is, for the watch that ends its Wine (keep_for_caller).
made=$WINEPREFIX/.made

stop() {
    [ -d "$WINEPREFIX" ] || return 0
    # -k asks the server to end its processes and itself; -w returns once it is gone.
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
}

# Wine's own processes (the server too) keep the standard handles they start with; a log file
# rather than ctest's pipe lets ctest see the step end.
quietly() {
    if ! "$@" </dev/null >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
}

# Starts a server for PREFIX that stays; answers 0 when it started one, 2 when one is up
# already (it holds the lock, and the new one ends at once).
serve() {
    local status=0
    "$wineserver" -p </dev/null >>"$log" 2>&1 8>&- || status=$?
    if [ "$status" != 0 ] && [ "$status" != 2 ]; then
        cat "$log" >&2
        exit 1
    fi
    return "$status"
}

make_prefix() {
    stop
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    serve || true
    # Without a display, the "updating the configuration" window has nowhere to appear.
    quietly env -u DISPLAY -u WAYLAND_DISPLAY "$wine" wineboot --init
    # A crashing test prints its backtrace and ends instead of waiting in a dialog.
    quietly "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
}

start() {
    [ -d "$WINEPREFIX" ] || { echo "$0: no prefix at $WINEPREFIX" >&2; exit 1; }
    # One start at a time: the programs of one test may come together.
    exec 8>"$WINEPREFIX/.start.lock"
    flock 8
    # The first program in a new server runs wineboot --init, which starts Wine's services and
    # the desktop process and waits for them: a program of no consequence does it now, so that
    # no test runs while they come up.
    if serve; then quietly "$wine" cmd /c exit 8>&-; fi
    exec 8>&-
}

# Ends the prefix's Wine once the process that asked for it has ended, so that a run cut short
# leaves nothing of Wine behind. A later fresh prefix in the same place is another's: left alone.
keep_for_caller() {
    local caller=$PPID mark
    mark="$caller $(date +%s%N)"
    echo "$mark" >"$made"
    setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
                    [ "$(cat "$2" 2>/dev/null)" = "$3" ] && "$4" stop "$5"' \
        watch "$caller" "$made" "$mark" "$0" "$WINEPREFIX" </dev/null >/dev/null 2>&1 &
}

case $command in
fresh)
    make_prefix
    keep_for_caller
    ;;
make)
    make_prefix
    stop
    ;;
start) start ;;
restart)
    stop
    start
    ;;
stop) stop ;;
*)
    echo "usage: $0 fresh|make|start|restart|stop PREFIX" >&2
    exit 2
    ;;
esac
