#!/usr/bin/env bash
# The installer under Wine, as a user meets it: installed silently into a folder whose name
# has a space and a letter outside the ANSI code page, after the screensaver was switched off;
# the installed saver started in every mode the way launchers start it (the path quoted,
# unquoted with its spaces, and as the 8.3 short path that the Display settings keep); the
# dialog's OK; and the uninstaller. Run under tests/integration/run-under-xvfb.sh with
# TESSIVA_WINEPREFIX set to a fresh prefix.
#   installer_test.sh SETUP-EXE START-AS-HOST-EXE DESKTOP-PROBE-EXE PREVIEW-HOST-EXE
# Ends with "N passed, N failed".
set -uo pipefail

setup=$1
start_exe=$2
probe_exe=$3
host_exe=$4
wine=/usr/lib/wine/wine64
# Wine takes its code pages from the locale: ANSI 1252 (which has "Ü" and not "Ł"), and UTF-8
# for the command lines that come from here.
export LC_ALL=C.UTF-8
export WINEPREFIX=$TESSIVA_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
source "$(dirname "$0")/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A registry value as `reg query` prints it, or nothing.
reg_value() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name {sub(/.*REG_[A-Z_]+[ \t]+/, ""); print}'; }
probe() { "$wine" "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
saver_key='HKCU\Control Panel\Desktop'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessiva'
# A settings file as text, whether it is UTF-16LE with its byte-order mark or ANSI.
settings_text() {
    if [ "$(head -c 2 "$1" | xxd -p)" = fffe ]; then tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8; else cat "$1"; fi | tr -d '\r'
}
# Runs an exact Windows command line, program named apart, in the background; sets pid.
launch() {
    "$wine" "$start_exe" --line "$1" "$2" >/dev/null 2>&1 &
    pid=$!
}

folder="$WINEPREFIX/drive_c/users/Public/Łukasz Ünal/Tessiva"
long='C:\users\Public\Łukasz Ünal\Tessiva'

probe saver-off
[ "$(probe saver-active)" = 0 ]
check "the screensaver is switched off before the install, as \"(None)\" leaves it" $?

# NSIS takes /D= only last and unquoted, spaces and all.
"$wine" "$start_exe" --line "$(windows_path "$setup")" "tessiva-setup.exe /S /D=$long" >/dev/null 2>&1
check "the silent install into \"$long\" succeeds" $?
[ -f "$folder/tessiva.scr" ] && [ -f "$folder/vorn.evc" ] && [ -f "$folder/uninstall.exe" ]
check "the program, the clip and the uninstaller are there" $? "$(ls -la "$folder" 2>&1)"
[ "$(head -c 2 "$folder/Tessiva.ini" | xxd -p)" = fffe ] && settings_text "$folder/Tessiva.ini" | grep -qxF "path=$long\\"
check "Tessiva.ini is Unicode and names the folder with every letter" $? "$(settings_text "$folder/Tessiva.ini")"
[ "$(probe saver-active)" = 1 ]
check "installing switches the screensaver on" $?
short=$(probe short "$long\\tessiva.scr")
saver=$(reg_value "$saver_key" SCRNSAVE.EXE)
[ -n "$short" ] && [ "$saver" = "$short" ] && [ "$short" != "$long\\tessiva.scr" ] && [ "${short#* }" = "$short" ]
check "SCRNSAVE.EXE is the short path, as the Display settings write it" $? "SCRNSAVE.EXE=$saver, short form $short"
names=$(probe name "$long\\tessiva.scr")
[[ $names == "Tessiva|Tessiva|"[0-9]* ]]
check "the Display settings list it as \"Tessiva\", and it carries its version" $? "string 1|product|version: $names"
[ -n "$(reg_value "$uninstall_key" DisplayVersion)" ] && [ "$(reg_value "$uninstall_key" Publisher)" = Tessiva ] &&
    [ $(($(reg_value "$uninstall_key" EstimatedSize))) -gt 1000 ] && [ -n "$(reg_value "$uninstall_key" DisplayIcon)" ]
check "the uninstall entry has a version, a publisher, a size and an icon" $? "$("$wine" reg query "$uninstall_key" 2>&1 | tr -d '\r')"

# ---- Every mode, as each kind of launcher writes the line.
spellings=("\"$long\\tessiva.scr\"" "$long\\tessiva.scr" "$short")
names_of=("quoted" "unquoted long" "unquoted short")
for i in 0 1 2; do
    program=${spellings[$i]}
    how=${names_of[$i]}

    launch "$long\\tessiva.scr" "$program /s"
    for _ in $(seq 100); do [ -n "$(find_window Form1 1)" ] && break; sleep 0.1; done
    sleep 3
    import -window root "$work/a.png"
    sleep 0.5
    import -window root "$work/b.png"
    [ "$(changed_pixels "$work/a.png" "$work/b.png")" -gt 500 ]
    check "$how: '/s' plays the installed clip" $?
    xdotool mousemove_relative 6 6
    wait_exit "$pid" 50
    [ "$status" = 0 ]
    check "$how: '/s' ends with 0 on a mouse movement" $? "status $status"

    "$wine" "$host_exe" 3 >"$work/host.log" 2>/dev/null &
    host_pid=$!
    for _ in $(seq 100); do grep -q '^host ' "$work/host.log" && break; sleep 0.1; done
    hwnd=$(tr -d '\r' <"$work/host.log" | awk '/^host / {print $2}')
    launch "$long\\tessiva.scr" "$program /p $hwnd"
    for _ in $(seq 100); do grep -q '^child ' "$work/host.log" && break; sleep 0.1; done
    line=$(tr -d '\r' <"$work/host.log" | grep '^child ')
    read -r _ child _ parent _ _ _ size _ <<<"$line"
    [ "$parent" = "$hwnd" ] && [ "$size" = 152x112 ]
    check "$how: '/p $hwnd' shows in the host's preview" $? "$line"
    wait_exit "$pid" 80
    [ "$status" = 0 ]
    check "$how: the preview ends with 0 when the host goes" $? "status $status"
    wait "$host_pid" 2>/dev/null

    launch "$long\\tessiva.scr" "$program /c:$hwnd"
    dialog=$(find_window Configure 150)
    [ -n "$dialog" ]
    check "$how: '/c:$hwnd' opens the settings dialog" $?
    sleep 1.5
    # OK, at 3840,2520 twips: the box starts ticked, as no "sound" is stored yet.
    xdotool mousemove --window "$dialog" 290 185 click 1 2>/dev/null
    wait_exit "$pid" 50
    [ "$status" = 0 ] && [ "$(head -c 2 "$folder/Tessiva.ini" | xxd -p)" = fffe ] &&
        settings_text "$folder/Tessiva.ini" | grep -qxF "path=$long\\" &&
        settings_text "$folder/Tessiva.ini" | grep -qx 'sound=1'
    check "$how: OK saves \"sound\" and keeps the path and the Unicode file" $? \
        "status $status: $(settings_text "$folder/Tessiva.ini")"
done

launch "$long\\uninstall.exe" "\"$long\\uninstall.exe\" /S"
wait_exit "$pid" 100
# The uninstaller runs a copy of itself from the temporary folder and returns at once.
for _ in $(seq 100); do [ -e "$folder" ] || break; sleep 0.1; done
[ ! -e "$folder" ]
check "the silent uninstall removes the folder" $? "$(ls -la "$folder" 2>&1)"
[ -z "$(reg_value "$saver_key" SCRNSAVE.EXE)" ] && [ "$(probe saver-active)" = 0 ] &&
    [ -z "$(reg_value "$uninstall_key" UninstallString)" ]
check "and leaves no screensaver, switched off, and no uninstall entry" $?

# ---- The default folder, over the ANSI settings file of an earlier version, and another
# screensaver chosen before the uninstall.
user=$("$wine" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
folder=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/Tessiva
mkdir -p "$folder"
write_settings "$folder/Tessiva.ini" 0 'C:\old\' '[mine]' 'kept=yes'
"$wine" "$setup" /S
check "the silent install into the default folder succeeds" $?
text=$(settings_text "$folder/Tessiva.ini")
[ "$(head -c 2 "$folder/Tessiva.ini" | xxd -p)" = fffe ] && grep -qx 'sound=0' <<<"$text" &&
    grep -qx 'kept=yes' <<<"$text" && grep -qxF "path=C:\\users\\$user\\AppData\\Local\\Programs\\Tessiva\\" <<<"$text"
check "an earlier ANSI settings file becomes Unicode, keeping the user's entries" $? "$text"
"$wine" reg add "$saver_key" /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f >/dev/null 2>&1
"$wine" "$folder/uninstall.exe" /S
for _ in $(seq 100); do [ -e "$folder/tessiva.scr" ] || break; sleep 0.1; done
[ ! -e "$folder/tessiva.scr" ] && [ "$(reg_value "$saver_key" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] &&
    [ "$(probe saver-active)" = 1 ]
check "uninstalling leaves another screensaver chosen since chosen and on" $?

finish
