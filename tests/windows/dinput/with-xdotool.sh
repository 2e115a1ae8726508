#!/usr/bin/env bash
# Runs a command with xdotool at its service, for Windows test programs under Wine: Wine's
# cmd can't start a Linux program, and `start /unix` neither waits for one nor says how it
# ended.
#   with-xdotool.sh COMMAND [ARGUMENTS...]
# The command finds a folder of ours in TESSIVA_XDOTOOL_DIR. It writes xdotool's arguments
# on one line into NAME.request (written under another name, then renamed); we run xdotool
# with them on DISPLAY and answer with its exit status in NAME.done. The command's exit
# status is ours.
set -euo pipefail
shopt -s nullglob

work=$(mktemp -d)
export TESSIVA_XDOTOOL_DIR=$work

serve() {
    while :; do
        for request in "$work"/*.request; do
            name=${request%.request}
            read -r -a arguments <"$request" || true
            rm -f "$request"
            status=0
            xdotool "${arguments[@]}" >/dev/null 2>&1 || status=$?
            echo "$status" >"$name.answer" && mv "$name.answer" "$name.done"
        done
        sleep 0.02
    done
}
serve &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

status=0
"$@" || status=$?
exit "$status"
