#!/usr/bin/env bash
# Runs a windowed test program under Wine on the X server of the caller:
#   gui-program.sh PROGRAM.exe [ARGUMENTS...]
# First starts the prefix's Wine again, kept up, on that display: its desktop process started
# without one when the prefix was made, and windows asked for there never come.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" restart "$TESSIVA_WINEPREFIX"
exec "$here/../../scripts/wine-run.sh" "$@"
