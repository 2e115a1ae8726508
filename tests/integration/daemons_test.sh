#!/usr/bin/env bash
# The saver under a real screensaver daemon, run as an ordinary user who installed Tessiva
# with `make install` and chose it with `tessiva-idle DAEMON`, on two monitors:
# - xscreensaver (through `tessiva-idle xscreensaver` and xscreensaver-command);
# - mate (mate-screensaver, as MATE and Xfce run it, with the theme and the link into its
#   folder: the command `tessiva-idle mate` prints, run as root in a mount namespace of the
#   test's own, where a folder of ours stands in for /usr/libexec/xscreensaver).
# Checks: the clip on the primary monitor soon after activation and still there 40 s later,
# after the daemon raised its windows again (xscreensaver does every 27-57 s: the raise is
# watched for); the other monitor black, and one decoder in all; no Tessiva left within 1 s of
# deactivation; the settings' preview playing the clip inside its pane, and gone with it;
# `tessiva-idle off` taking away exactly what the set-up added. Prints the time from
# activation to the first picture.
#   run-under-xvfb.sh --user --two-outputs -- [unshare -m --propagation private] daemons_test.sh DAEMON PROGRAM
set -uo pipefail
daemon=$1
program=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$here/../checks.sh"
user=$TESSIVA_TEST_USER
app=$HOME/.local/lib/tessiva
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    # The xscreensaver tessiva-idle started, if "off" didn't stop it.
    kill "$(cat "$XDG_RUNTIME_DIR/tessiva-idle-$(id -u "$user").pid" 2>/dev/null)" 2>/dev/null
    for p in $(savers); do kill -9 "$p" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT
u() {
    runuser -u "$user" -- env HOME="$HOME" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" PATH="$HOME/.local/bin:$PATH" \
        DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" "$@"
}
# In the background as the user; $! is runuser's, which passes SIGTERM on.
u_background() { (exec runuser -u "$user" -- env HOME="$HOME" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    PATH="$HOME/.local/bin:$PATH" DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" "$@" </dev/null >/dev/null 2>&1) & }
now_ms() { echo $(($(_checks_now) / 1000)); }

# The savers of this run: processes of the installed program.
savers() {
    local p
    for p in $(pgrep -x tessiva); do [ "$(readlink "/proc/$p/exe")" = "$app/tessiva" ] && echo "$p"; done
}
no_savers() { [ -z "$(savers)" ]; }
decoders() { local p n=0; for p in $(savers); do ls -l "/proc/$p/fd" 2>/dev/null | grep -q "$app/vorn.evc" && n=$((n + 1)); done; echo "$n"; }
host_of() { [ -n "$1" ] && tr '\0' '\n' <"/proc/$1/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p'; }
# The average colour of the region WxH+X+Y of the screen, as "R G B".
colour_of() {
    import -window root -crop "$1" +repage -resize '1x1!' -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-F]\{2\}\)\([0-9A-F]\{2\}\)\([0-9A-F]\{2\}\).*/\1 \2 \3/p' | { read -r r g b && echo "$((16#$r)) $((16#$g)) $((16#$b))"; }
}
shows() { [ "$(colour_of "$1")" != "0 0 0" ] && [ -n "$(colour_of "$1")" ]; }
# The clip plays in the region: something shows there, and it changes.
picture() { import -window root -crop "$1" +repage -depth 8 rgb:- 2>/dev/null | md5sum; }
changed() { [ "$(picture "$1")" != "$2" ]; }
plays() {
    shows "$1" || return 1
    wait_for 2 changed "$1" "$(picture "$1")"
}
primary=1280x720+0+0
other=1280x720+1280+0

# Installed as the user's own `make install` leaves it: the build folder is root's here, so the
# script runs as root and the user is given what it made. Nothing further can work without it.
"$root/scripts/install.sh" install "$program" "$HOME/.local" >"$HOME/install.log" 2>&1 && chown -R "$user:" "$HOME/.local"
installed=$?
check "make install's script installs for the user" $installed "$(cat "$HOME/install.log")"
[ "$installed" = 0 ] || { finish; exit; }
# With the caches a user who has logged in before has.
u gst-inspect-1.0 >/dev/null 2>&1

# Tells the daemon to activate or deactivate, as its own command does.
tell() {
    case "$daemon" in
        xscreensaver) u xscreensaver-command "-$1" >/dev/null 2>&1 ;;
        mate) u mate-screensaver-command "--$1" >/dev/null 2>&1 ;;
    esac
}
activate() {
    activated=$(now_ms)
    tell activate
    wait_for 15 plays "$primary"
    shown=$?
    took=$(($(now_ms) - activated))
}
deactivate() {
    local start
    start=$(now_ms)
    tell deactivate
    wait_for 3 no_savers
    gone=$?
    gone_in=$(($(now_ms) - start))
}

case "$daemon" in
    xscreensaver)
        # The user's own settings, written by hand: no fading, another choice; the programs at
        # the test's own priority (xscreensaver's default lowers it by 10, on top of ctest's).
        printf 'fade:\tFalse\nsplash:\tFalse\nnice:\t0\nmode:\trandom\nselected: 1\nprograms: "Maze" maze --root \\n\\\n  qix --root \\n\n' \
            >"$HOME/.xscreensaver"
        chown "$user:" "$HOME/.xscreensaver"
        cp "$HOME/.xscreensaver" "$HOME/xscreensaver.before"
        u tessiva-idle xscreensaver >"$HOME/idle.log" 2>&1
        check "tessiva-idle xscreensaver sets up and starts xscreensaver" $? "$(cat "$HOME/idle.log")"
        sed -n '/^programs:/,$p' "$HOME/.xscreensaver" | sed -n 2p |
            grep -q "^[[:space:]]*\"Tessiva\"[[:space:]]*$HOME/.local/bin/tessiva --root" &&
            grep -q '^mode:[[:space:]]*one$' "$HOME/.xscreensaver" && grep -q '^selected:[[:space:]]*0$' "$HOME/.xscreensaver"
        check "xscreensaver: Tessiva first of the programs, chosen in mode one" $? "$(cat "$HOME/.xscreensaver")"
        u tessiva-idle status >"$HOME/status.log" 2>&1
        grep -q xscreensaver "$HOME/status.log"
        check "tessiva-idle status names xscreensaver" $?
        wait_for 10 u xscreensaver-command -version >/dev/null 2>&1
        check "xscreensaver answers" $? ;;
    mate)
        u dbus-daemon --session --fork --print-pid --address="unix:path=$XDG_RUNTIME_DIR/bus" >"$HOME/bus.pid"
        pids+=("$(cat "$HOME/bus.pid")")
        export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
        # The user's own choice: no lock.
        u gsettings set org.mate.screensaver lock-enabled false
        before="$(u gsettings get org.mate.screensaver mode) $(u gsettings get org.mate.screensaver themes)"
        # A folder of the test's own stands in for the system's, in this mount namespace only.
        mount -t tmpfs tmpfs /usr/libexec/xscreensaver
        check "a private /usr/libexec/xscreensaver" $?
        u tessiva-idle mate >"$HOME/idle.log" 2>&1
        check "tessiva-idle mate sets up" $? "$(cat "$HOME/idle.log")"
        line=$(sed -n 's/^ *sudo //p' "$HOME/idle.log")
        [ -n "$line" ] && bash -c "$line"
        check "tessiva-idle mate says the one command that links the program into MATE's folder" $? "$(cat "$HOME/idle.log")"
        [ "$(readlink -f /usr/libexec/xscreensaver/tessiva)" = "$app/tessiva" ] && ! u tessiva-idle mate | grep -q sudo
        check "linked, the set-up asks for nothing more" $?
        [ "$(u gsettings get org.mate.screensaver mode)" = "'single'" ] &&
            [ "$(u gsettings get org.mate.screensaver themes)" = "['screensavers-tessiva']" ]
        check "mate: Tessiva chosen as the only theme" $?
        u_background mate-screensaver --no-daemon
        pids+=($!)
        wait_for 10 u mate-screensaver-command --query >/dev/null 2>&1
        check "mate-screensaver answers" $? ;;
esac

# Watch the daemon's windows being raised: each raise is a ConfigureNotify on the root.
xev -root -event substructure >"$HOME/raises" 2>/dev/null &
pids+=($!)
raises_of() { grep -c "window $(printf '0x%x' "$(($1))")," "$HOME/raises"; }

# Once to fill the caches a user's earlier sessions would have filled, then measured.
activate
deactivate
activate
[ "$shown" = 0 ]
check "$daemon: the clip plays on the primary monitor $took ms after activation" $?
echo "time to the first picture under $daemon: $took ms"
# A bound against hanging, not the goal (3 s): a loaded machine that runs tests beside
# others, the program at a lower priority (mate's), takes longer.
[ "$took" -le 8000 ]
check "$daemon: ... within 8 s on this machine" $? "$took ms"
[ "$(colour_of "$other")" = "0 0 0" ] && [ "$(decoders)" = 1 ]
check "$daemon: the other monitor black, one decoder in all" $? \
    "other: $(colour_of "$other"), $(decoders) decoders of $(savers | wc -w) savers"

# Still there once the daemon raised its windows again, and 40 s later.
for p in $(savers); do ls -l "/proc/$p/fd" 2>/dev/null | grep -q "$app/vorn.evc" && playing_in=$(host_of "$p"); done
raises_before=$(raises_of "${playing_in:-0}")
raised() {
    [ "$(($(now_ms) - activated))" -ge 40000 ] || return 1
    [ "$daemon" = mate ] || [ "$(raises_of "${playing_in:-0}")" -gt "$raises_before" ]
}
wait_for 80 raised
check "$daemon: raised again, 40 s on" $?
plays "$primary" && [ "$(decoders)" = 1 ]
check "$daemon: the clip still plays on the primary monitor" $? "$(colour_of "$primary")"
deactivate
[ "$gone" = 0 ] && [ "$gone_in" -le 1000 ]
check "$daemon: no Tessiva left $gone_in ms after deactivation" $? "$(savers)"

# The settings' preview plays the clip in its pane.
case "$daemon" in
    xscreensaver) u_background xscreensaver-settings ;;
    mate) u_background mate-screensaver-preferences ;;
esac
settings=$!
preview_saver() {
    local p
    for p in $(savers); do preview=$p; done
    [ -n "${preview:-}" ]
}
preview=""
wait_for 20 preview_saver
pane=$(host_of "$preview")
[ "$daemon" = xscreensaver ] && pane=$(tr '\0' ' ' <"/proc/$preview/cmdline" | sed -n 's/.*--window-id \([^ ]*\).*/\1/p')
geometry=$(xwininfo -id "$pane" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h "+" x "+" y}')
inside=$(echo "$geometry" | awk -F'[x+]' '{print $1 - 20 "x" $2 - 20 "+" $3 + 10 "+" $4 + 10}')
wait_for 10 plays "$inside" && xwininfo -children -id "$pane" | grep -q '"Form1"' && [ "$(echo "$geometry" | cut -dx -f1)" -lt 1280 ]
check "$daemon: the settings' preview plays the clip inside its pane ($geometry)" $? "saver ${preview:-none}, pane ${pane:-none}"
kill "$settings"
wait_for 3 no_savers
check "$daemon: the preview's saver goes with the settings" $?

# Off: exactly what was added goes, and what was changed comes back.
u tessiva-idle off >/dev/null
case "$daemon" in
    xscreensaver)
        cmp -s "$HOME/.xscreensaver" "$HOME/xscreensaver.before" && [ ! -e "$HOME/.config/autostart/tessiva-idle.desktop" ] &&
            [ ! -e "$HOME/.config/tessiva-idle" ] && wait_for 5 eval '! pgrep -u "$user" -x xscreensaver >/dev/null'
        check "tessiva-idle off: ~/.xscreensaver as the user had it, xscreensaver stopped" $? ;;
    mate)
        [ "$(u gsettings get org.mate.screensaver mode) $(u gsettings get org.mate.screensaver themes)" = "$before" ] &&
            [ ! -e "$HOME/.local/share/applications/screensavers/tessiva.desktop" ] && [ ! -e "$HOME/.config/tessiva-idle" ]
        check "tessiva-idle off: the theme gone, MATE's mode and themes as the user had them" $? ;;
esac
no_savers
check "$daemon: nothing of Tessiva left running" $?
finish
