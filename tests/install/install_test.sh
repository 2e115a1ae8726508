#!/usr/bin/env bash
# The per-user install and the idle hosts, as a user meets them: scripts/install.sh into a
# fresh prefix (with a space and a dollar sign in its path), the installed command's dialog
# saving beside the program, uninstall leaving the prefix as it found it, and tessiva-idle
# setting up the real xss-lock and xautolock, whose saver then ends on input.
# Runs on an X display (run-under-xvfb.sh).
#   install_test.sh PROGRAM
# Ends with "N passed, N failed".
set -uo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; "$prefix/bin/tessiva-idle" off >/dev/null 2>&1; rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
prefix="$work/a b\$c/.local"
app="$prefix/lib/tessiva"
. "$root/tests/checks.sh"

tree() { (cd "$work/a b\$c" && find . | LC_ALL=C sort); }
# The processes named $1 that this test started: they have its HOME. Other tests on the same
# machine run savers and idle hosts of their own.
ours() {
  local pid
  for pid in $(pgrep -x "$1"); do
    grep -qzxF "HOME=$HOME" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
  done
}
running() { [ -n "$(ours "$1")" ]; }
not_running() { ! running "$1"; }
has_saver() { running tessiva; }
no_saver() { not_running tessiva; }
# True once the input focus is in a window of process $1. The saver and the dialog take the
# focus a moment after their window shows; a key sent before then goes elsewhere.
has_focus() { [ -n "$1" ] && [ "$(xdotool getwindowfocus getwindowpid 2>/dev/null)" = "$1" ]; }
saver_has_focus() { has_focus "$(ours tessiva | head -n1)"; }

# --- Install into a fresh prefix
mkdir -p "$prefix/bin"
touch "$prefix/bin/someone-elses"
before=$(tree)
"$root/scripts/install.sh" install "$program" "$prefix" >"$work/install.log" 2>&1
check "install succeeds" $? "$(tail -n 3 "$work/install.log")"
[ -x "$app/tessiva" ] && [ -f "$app/vorn.evc" ] && [ -x "$app/tessiva-gnome-idle" ]
check "the program, GNOME's idle host and the clip are in the application directory" $?
[ "$(cat "$app/Tessiva.ini")" = "$(settings "$app/")" ]
check "the settings file names the application directory" $?
[ "$(readlink "$prefix/bin/tessiva")" = "$app/tessiva" ]
check "bin/tessiva links to the program" $?
entry="$prefix/share/applications/tessiva-settings.desktop"
grep -qx 'Name=Tessiva settings' "$entry"
check "the menu entry is named \"Tessiva settings\"" $?
# The Exec line, unescaped as a desktop reads it, runs the program with /C.
exec_line=$(sed -n 's/^Exec=//p' "$entry" | sed 's/\\\\/\\/g')
eval "set -- $exec_line"
[ "$1|$2|$#" = "$app/tessiva|/C|2" ]
check "the menu entry runs the installed program with /C" $? "$exec_line"

# --- The installed command, started through the link, saves beside the program
"$prefix/bin/tessiva" /C &
dialog=$!
wait_for 10 has_focus "$dialog"
xdotool key space Tab Tab space
wait_exit "$dialog" 50
[ "$status" = 0 ]
check "the dialog ends with 0 after OK" $? "status $status"
[ "$(cat "$app/Tessiva.ini")" = "$(settings "$app/" 0)" ]
check "OK saved the cleared box beside the program, keeping the path" $?

# --- Started with stdout and stderr closed, as xautolock starts its locker, it still ends on a key
xdotool mousemove 640 360
"$prefix/bin/tessiva" /S >&- 2>&- &
saver=$!
wait_for 10 has_focus "$saver"
check "the saver started with closed output shows its window" $?
xdotool key a
wait_exit "$saver" 50
[ "$status" != running ]
check "a key ends the saver started with closed output" $?

# --- Installing again keeps the settings file as it is, in whatever spelling
settings /my/clips/ 1 >"$app/Tessiva.ini"
"$root/scripts/install.sh" install "$program" "$prefix" >/dev/null 2>&1
[ "$(cat "$app/Tessiva.ini")" = "$(settings /my/clips/ 1)" ]
check "a second install keeps the settings file" $?
mv "$app/Tessiva.ini" "$app/tessiva.INI"
"$root/scripts/install.sh" install "$program" "$prefix" >/dev/null 2>&1
[ "$(cd "$app" && find . -iname tessiva.ini)" = "./tessiva.INI" ]
check "a settings file spelt otherwise gets no second one beside it" $?

# --- tessiva-idle: bad input changes nothing
idle="$prefix/bin/tessiva-idle"
for bad in "xautolock 0" "xautolock 61" "xautolock ten" "xss-lock 5" "sometimes"; do
  # shellcheck disable=SC2086
  "$idle" $bad >/dev/null 2>&1
  status=$?
  [ $status -eq 2 ] && [ ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop" ]
  check "tessiva-idle $bad is refused" $? "status $status"
done

# --- xautolock: its own timer counts whole minutes, so the test asks it to start the saver now
"$idle" xautolock 1 >"$work/idle.log" 2>&1
running xautolock
check "tessiva-idle xautolock 1 starts the host" $? "$(cat "$work/idle.log")"
grep -q ' run xautolock 1$' "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop"
check "its autostart entry names the host" $?
# -locknow reaches the running xautolock through a property on the root window, which it reads
# about once a second. Sent before that xautolock has set itself up, the message is lost (or
# -locknow finds no xautolock at all and says so), so it is sent again until the saver comes.
lock_now() { has_saver || { xautolock -locknow 2>/dev/null; wait_for 3 has_saver; }; }
wait_for 20 lock_now
check "xautolock starts the saver" $?
wait_for 10 saver_has_focus
xdotool key a
wait_for 5 no_saver
check "a key ends the saver xautolock started" $?
"$idle" off >/dev/null
not_running xautolock && [ ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop" ]
check "tessiva-idle off stops xautolock and removes the entry" $?

# --- xss-lock follows the X server's screensaver timer
"$idle" xss-lock >"$work/idle.log" 2>&1
running xss-lock
check "tessiva-idle xss-lock starts the host" $? "$(cat "$work/idle.log")"
# The timer starts only once xss-lock listens, which it shows by registering as the screensaver
# in a property on the root window: a screensaver that comes on before then is missed, and
# the saver never starts.
wait_for 10 bash -c "xprop -root _MIT_SCREEN_SAVER_ID 2>/dev/null | grep -q 'pixmap id'"
xset s 2 0
wait_for 15 has_saver
check "the X server's timer starts the saver through xss-lock" $?
wait_for 10 saver_has_focus
xdotool mousemove_relative 5 5
wait_for 5 no_saver
check "a movement ends the saver xss-lock started" $?
xset s off
"$idle" off >/dev/null
not_running xss-lock
check "tessiva-idle off leaves no xss-lock" $?

# --- Uninstall takes away everything install put there, and nothing else
"$idle" xautolock 5 >/dev/null 2>&1
"$root/scripts/install.sh" uninstall "$prefix" >"$work/uninstall.log" 2>&1
check "uninstall succeeds" $? "$(tail -n 3 "$work/uninstall.log")"
[ "$(tree)" = "$before" ]
check "uninstall leaves the prefix as it was before the install" $?
not_running xautolock
check "uninstall stops the idle host it set up" $?

# --- A file of someone else's in the application directory stays, and is named
"$root/scripts/install.sh" install "$program" "$prefix" >/dev/null 2>&1
touch "$app/notes.txt"
"$root/scripts/install.sh" uninstall "$prefix" >"$work/uninstall.log" 2>&1
[ -f "$app/notes.txt" ] && [ ! -e "$app/tessiva" ] && grep -q 'Left ' "$work/uninstall.log"
check "a foreign file stays, with a word about it" $?

finish
