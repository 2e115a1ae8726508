#!/usr/bin/env bash
# Makes the DirectShow tests' clips with ffmpeg in a folder of their own, then runs the test
# program under Wine on the current display (run-under-xvfb.sh gives it one).
#   run-with-clips.sh PROGRAM.exe [GTEST ARGUMENTS...]
# TESSIVA_WINEPREFIX names the Wine prefix (ctest's fixture made it fresh). The folder is
# handed over as a Windows path (Wine's drive Z: is the Unix root) in TESSIVA_DSHOW_CLIPS, and
# removed at the end.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.exe [GTEST ARGUMENTS...]" >&2; exit 2; }
[ -n "${TESSIVA_WINEPREFIX:-}" ] || { echo "$0: set TESSIVA_WINEPREFIX to the prefix to run in" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
prefix_script=$here/../wine-prefix.sh

clips=$(mktemp -d /tmp/tessiva-dshow-XXXXXX)
cleanup() {
    # Wine's processes go before the display does, and nothing of them outlives the test.
    "$prefix_script" stop "$TESSIVA_WINEPREFIX" || true
    rm -rf "$clips"
}
trap cleanup EXIT

ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 3 \
    -c:v mpeg1video -b:v 1M -c:a mp2 -f mpeg "$clips/clip.evc"
cp "$clips/clip.evc" "$clips/vidéo ß.evc"
printf 'This is not a video.\n' >"$clips/text.evc"
export TESSIVA_DSHOW_CLIPS="Z:$clips"

# The fixture made the prefix, and started Wine's desktop process, without a display: Wine
# starts again, kept up, on this display.
"$prefix_script" restart "$TESSIVA_WINEPREFIX"
"$here/../../../scripts/wine-run.sh" "$@"
