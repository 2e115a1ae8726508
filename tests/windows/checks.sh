# What the Wine test scripts share; sourced, not run. check, finish (the closing
# "N passed, N failed" and the script's status) and wait_exit come from tests/checks.sh.
source "$(dirname "${BASH_SOURCE[0]}")/../checks.sh"

# The prefix's Wine, kept up through the run, started its desktop process without a display
# when the prefix was made; a program's windows need one on this test's display.
"$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" restart "$TESSIVA_WINEPREFIX"

# The Windows name of a Unix path: Wine's drive Z: is the Unix root.
windows_path() { echo "Z:${1//\//\\}"; }

# The program's settings file FILE, as Windows writes one: [config] with sound=SOUND and
# path=PATH, then any further LINEs, each ending in CR LF. With --unicode, in UTF-16LE after
# its byte-order mark, as the installer writes it; else in the ANSI code page.
#   write_settings [--unicode] FILE SOUND PATH [LINE...]
write_settings() {
    local unicode=false
    if [ "$1" = --unicode ]; then unicode=true; shift; fi
    local file=$1 sound=$2 path=$3
    shift 3
    if $unicode; then
        { printf '\xff\xfe'; printf '%s\r\n' '[config]' "sound=$sound" "path=$path" "$@" | iconv -f UTF-8 -t UTF-16LE; } >"$file"
    else
        printf '%s\r\n' '[config]' "sound=$sound" "path=$path" "$@" >"$file"
    fi
}

# Starts the program in the folder DIR in the background, as a screensaver host starts it
# (through $start_exe, the test's START-AS-HOST-EXE), with the switches given and its output
# in DIR/out.log; sets pid.
#   start_program DIR [SWITCH...]
start_program() {
    local dir=$1
    shift
    "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-run.sh" "$start_exe" "$(windows_path "$dir/tessiva.scr")" "$@" \
        >"$dir/out.log" 2>&1 &
    pid=$!
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
