#!/usr/bin/env bash
# The per-user install and the idle hosts, as a user meets them: scripts/install.sh into a
# fresh prefix (with a space and a dollar sign in its path), the installed command's dialog
# saving beside the program, uninstall leaving the prefix as it found it, and tessiva-idle
# setting up the real xss-lock and xautolock, whose saver then ends on input.
# Runs on an X display (run-under-xvfb.sh).
#   install_test.sh PROGRAM
set -uo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; "$prefix/bin/tessiva-idle" off >/dev/null 2>&1; rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
prefix="$work/a b\$c/.local"
app="$prefix/lib/tessiva"
failures=0

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
tree() { (cd "$work/a b\$c" && find . | LC_ALL=C sort); }
wait_for() {  # wait_for SECONDS COMMAND...
  local until=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $until ]; do "$@" && return 0; sleep 0.2; done
  return 1
}
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
check "install succeeds" test $? -eq 0
check "the program and the clip are in the application directory" test -x "$app/tessiva" -a -f "$app/vorn.evc"
check "the settings file names the application directory" \
  test "$(cat "$app/Tessiva.ini")" = "$(printf '[config]\npath=%s/' "$app")"
check "bin/tessiva links to the program" test "$(readlink "$prefix/bin/tessiva")" = "$app/tessiva"
entry="$prefix/share/applications/tessiva-settings.desktop"
check "the menu entry is named \"Tessiva settings\"" grep -qx 'Name=Tessiva settings' "$entry"
# The Exec line, unescaped as a desktop reads it, runs the program with /C.
exec_line=$(sed -n 's/^Exec=//p' "$entry" | sed 's/\\\\/\\/g')
eval "set -- $exec_line"
check "the menu entry runs the installed program with /C" test "$1|$2|$#" = "$app/tessiva|/C|2"

# --- The installed command, started through the link, saves beside the program
"$prefix/bin/tessiva" /C &
dialog=$!
wait_for 10 has_focus "$dialog"
xdotool key space Tab Tab space
wait_for 5 bash -c "! kill -0 $dialog 2>/dev/null"
wait "$dialog"
check "the dialog ends with 0 after OK" test $? -eq 0
check "OK saved the cleared box beside the program, keeping the path" \
  test "$(cat "$app/Tessiva.ini")" = "$(printf '[config]\npath=%s/\nsound=0' "$app")"

# --- Started with stdout and stderr closed, as xautolock starts its locker, it still ends on a key
xdotool mousemove 640 360
"$prefix/bin/tessiva" /S >&- 2>&- &
saver=$!
check "the saver started with closed output shows its window" wait_for 10 has_focus "$saver"
xdotool key a
check "a key ends the saver started with closed output" wait_for 5 bash -c "! kill -0 $saver 2>/dev/null"

# --- Installing again keeps the settings file as it is, in whatever spelling
printf '[config]\nsound=1\npath=/my/clips/\n' >"$app/Tessiva.ini"
"$root/scripts/install.sh" install "$program" "$prefix" >/dev/null 2>&1
check "a second install keeps the settings file" test "$(cat "$app/Tessiva.ini")" = "$(printf '[config]\nsound=1\npath=/my/clips/')"
mv "$app/Tessiva.ini" "$app/tessiva.INI"
"$root/scripts/install.sh" install "$program" "$prefix" >/dev/null 2>&1
check "a settings file spelt otherwise gets no second one beside it" \
  test "$(cd "$app" && find . -iname tessiva.ini)" = "./tessiva.INI"

# --- tessiva-idle: bad input changes nothing
idle="$prefix/bin/tessiva-idle"
for bad in "xautolock 0" "xautolock 61" "xautolock ten" "xss-lock 5" "sometimes"; do
  # shellcheck disable=SC2086
  "$idle" $bad >/dev/null 2>&1
  status=$?
  check "tessiva-idle $bad is refused" test $status -eq 2 -a ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop"
done

# --- xautolock: its own timer counts whole minutes, so the test asks it to start the saver now
"$idle" xautolock 1 >"$work/idle.log" 2>&1
check "tessiva-idle xautolock 1 starts the host" running xautolock
check "its autostart entry names the host" grep -q ' run xautolock 1$' "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop"
# -locknow reaches the running xautolock through a property on the root window, which it reads
# about once a second. Sent before that xautolock has set itself up, the message is lost (or
# -locknow finds no xautolock at all and says so), so it is sent again until the saver comes.
lock_now() { has_saver || { xautolock -locknow 2>/dev/null; wait_for 3 has_saver; }; }
check "xautolock starts the saver" wait_for 20 lock_now
wait_for 10 saver_has_focus
xdotool key a
check "a key ends the saver xautolock started" wait_for 5 no_saver
"$idle" off >/dev/null
check "tessiva-idle off stops xautolock and removes the entry" \
  test -z "$(ours xautolock)" -a ! -e "$XDG_CONFIG_HOME/autostart/tessiva-idle.desktop"

# --- xss-lock follows the X server's screensaver timer
"$idle" xss-lock >"$work/idle.log" 2>&1
check "tessiva-idle xss-lock starts the host" running xss-lock
# The timer starts only once xss-lock listens, which it shows by registering as the screensaver
# in a property on the root window: a screensaver that comes on before then is missed, and
# the saver never starts.
wait_for 10 bash -c "xprop -root _MIT_SCREEN_SAVER_ID 2>/dev/null | grep -q 'pixmap id'"
xset s 2 0
check "the X server's timer starts the saver through xss-lock" wait_for 15 has_saver
wait_for 10 saver_has_focus
xdotool mousemove_relative 5 5
check "a movement ends the saver xss-lock started" wait_for 5 no_saver
xset s off
"$idle" off >/dev/null
check "tessiva-idle off leaves no xss-lock" not_running xss-lock

# --- Uninstall takes away everything install put there, and nothing else
"$idle" xautolock 5 >/dev/null 2>&1
"$root/scripts/install.sh" uninstall "$prefix" >"$work/uninstall.log" 2>&1
check "uninstall succeeds" test $? -eq 0
check "uninstall leaves the prefix as it was before the install" test "$(tree)" = "$before"
check "uninstall stops the idle host it set up" not_running xautolock

# --- A file of someone else's in the application directory stays, and is named
"$root/scripts/install.sh" install "$program" "$prefix" >/dev/null 2>&1
touch "$app/notes.txt"
"$root/scripts/install.sh" uninstall "$prefix" >"$work/uninstall.log" 2>&1
check "a foreign file stays, with a word about it" \
  bash -c "test -f '$app/notes.txt' && ! test -e '$app/tessiva' && grep -q 'Left ' '$work/uninstall.log'"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
