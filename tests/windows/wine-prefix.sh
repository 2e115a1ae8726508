#!/usr/bin/env bash
# A Wine prefix made from nothing, so that no state of an earlier run (registry, files in C:)
# reaches the next one.
#   wine-prefix.sh fresh PREFIX   ends whatever runs in PREFIX, removes it and makes it anew
#   wine-prefix.sh stop PREFIX    ends the wineserver of PREFIX and every Wine process in it,
#                                 and waits until they are gone
# A new prefix takes Wine 6 to 10 s. Wine's server and its services stay up only while
# programs keep coming: tests run back to back share them, and a run cut short before its
# `stop` leaves nothing of Wine behind for more than a few seconds.
set -euo pipefail

wine=/usr/lib/wine/wine64
wineserver=$(dirname "$wine")/wineserver
[ -x "$wine" ] || { echo "$0: no Wine at $wine (scripts/setup.sh installs wine64)" >&2; exit 2; }

[ $# -eq 2 ] || { echo "usage: $0 fresh|stop PREFIX" >&2; exit 2; }
command=$1
export WINEPREFIX=$2
case $WINEPREFIX in /*) ;; *) WINEPREFIX=$PWD/$WINEPREFIX ;; esac
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

stop() {
    [ -d "$WINEPREFIX" ] || return 0
    # -k asks the server to end its processes and itself; -w returns once it is gone.
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
}

# Wine's own processes keep the standard handles they start with; a log file rather than
# ctest's pipe lets ctest see the step end. Without DISPLAY, the "updating the configuration"
# window has nowhere to appear.
quietly() {
    if ! env -u DISPLAY -u WAYLAND_DISPLAY "$@" </dev/null >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
}

case $command in
fresh)
    stop
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    log=$WINEPREFIX/wineboot.log
    quietly "$wine" wineboot --init
    # A crashing test prints its backtrace and ends instead of waiting in a dialog.
    quietly "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 fresh|stop PREFIX" >&2
    exit 2
    ;;
esac
