# What the Wine test scripts share; sourced, not run. Each check prints a line, and
# `finish` ends the script with "N passed, N failed" and its status.

# Wine's desktop process may still be the one that started without a display when the
# prefix was made, for a few seconds; a program coming meanwhile could make no window.
"$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" stop "$TESSIVA_WINEPREFIX"

passed=0
failed=0
check() {  # check NAME CONDITION-STATUS [DETAIL]
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

# The Windows name of a Unix path: Wine's drive Z: is the Unix root.
windows_path() { echo "Z:${1//\//\\}"; }

# Waits up to $2 tenths of a second for process $1 to end; sets status to its exit status,
# or to "running". (Not in a subshell: only this shell can wait for its children.)
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

# The X window of the first mapped window titled $1, within $2 tenths of a second.
find_window() {
    local id=""
    for _ in $(seq "$2"); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v title="\"$1\":" '$2 == title {print $1; exit}')
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then break; fi
        id=""
        sleep 0.1
    done
    echo "$id"
}

# How many pixels differ clearly between two screenshots.
changed_pixels() { compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 | awk '{print int($1)}'; }
