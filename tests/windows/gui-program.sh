#!/usr/bin/env bash
# Runs a windowed test program under Wine on the X server of the caller:
#   gui-program.sh PROGRAM.exe [ARGUMENTS...]
# First ends the prefix's Wine, whose desktop process may still be the one that started
# without a display when the prefix was made: windows asked for meanwhile never come.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" stop "$TESSIVA_WINEPREFIX"
exec "$here/../../scripts/wine-run.sh" "$@"
