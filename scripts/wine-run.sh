#!/usr/bin/env bash
# Runs a Windows program of the windows build under Wine; the toolchain file names this script
# as the emulator, so ctest and gtest's test discovery run test programs through it.
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
# The program's exit status is ours.
#
# Which prefix:
# - TESSIVA_WINEPREFIX set (the tests under ctest): that one. A ctest fixture made it fresh
#   before the first test, keeps its Wine up through the run and ends it after the last
#   (tests/windows/wine-prefix.sh); runs may overlap. Should a test have stopped that Wine, it
#   is started again, kept up, before the program: a program never starts its own server,
#   which would end with it and leave the next program a server on its way out.
# - otherwise (gtest's discovery after a link, or a run by hand): the build tree's own prefix,
#   wine-prefix-discovery beside CMakeCache.txt, made on first use. One such run at a time, and
#   we wait for its wineserver to end before returning, so no Wine process outlives a build.
#
# What Wine would do on its own and must not, here:
# - ask to install Mono or Gecko into a new prefix (mscoree, mshtml);
# - write menu entries and file associations into the user's home (winemenubuilder);
# - fill the output with its debug channels.
set -euo pipefail

[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "$0: no Wine at $wine (scripts/setup.sh --test installs wine64)" >&2; exit 2; }
wineserver=$(dirname "$wine")/wineserver

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

prefix_script=$here/../tests/windows/wine-prefix.sh
if [ -n "${TESSIVA_WINEPREFIX:-}" ]; then
    export WINEPREFIX=$TESSIVA_WINEPREFIX
    "$prefix_script" start "$WINEPREFIX"
    exec "$wine" "$@"
fi

# The build tree: the nearest folder above the program that holds CMakeCache.txt.
tree=$(cd "$(dirname "$1")" && pwd)
while [ ! -f "$tree/CMakeCache.txt" ]; do
    if [ "$tree" = / ]; then
        echo "$0: $1 is not in a build tree; set TESSIVA_WINEPREFIX to the prefix to run it in" >&2
        exit 2
    fi
    tree=$(dirname "$tree")
done
export WINEPREFIX=$tree/wine-prefix-discovery

exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$prefix_script" make "$WINEPREFIX" 9>&-
fi
status=0
"$wine" "$@" 9>&- || status=$?
# Ends once the program and Wine's own services are gone; a program that left something
# running gets it killed.
if ! timeout 30 "$wineserver" -w 9>&-; then
    "$wineserver" -k 9>&- || true
fi
exit "$status"
