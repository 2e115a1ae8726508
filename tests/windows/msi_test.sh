#!/usr/bin/env bash
# The per-machine MSI under Wine, as an administrator and then a user meet it: installed
# silently into a folder whose name has letters outside the ANSI code page; the files and
# keys it leaves; the saver started as Windows starts it; a user's "Play sound" kept in the
# registry, never in a file; a clean removal; the per-user installer beside it; upgrades.
# Run under tests/integration/run-under-xvfb.sh with TESSIVA_WINEPREFIX naming a prefix of
# this test's own (made fresh here): the package maps every Tessiva.ini of the machine to the
# registry, and a run cut short must not leave that to the tests in the shared prefix.
#   msi_test.sh MSI OLDER-MSI REBUILT-MSI SETUP-EXE START-AS-HOST-EXE DESKTOP-PROBE-EXE
# OLDER-MSI is the same package at an earlier version, REBUILT-MSI the same version built
# again (another product code). Ends with "N passed, N failed".
set -uo pipefail

msi=$1
older_msi=$2
rebuilt_msi=$3
setup=$4
start_exe=$5
probe_exe=$6
here=$(cd "$(dirname "$0")" && pwd)
wine=/usr/lib/wine/wine64
# Wine takes its code pages from the locale: ANSI 1252 (which has "Ü" and not "Ł" or "ź").
export LC_ALL=C.UTF-8
export WINEPREFIX=$TESSIVA_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$here/wine-prefix.sh" fresh "$WINEPREFIX" || exit 1
source "$here/checks.sh"
work=$(mktemp -d)
sound_pid=
cleanup() {
    [ -z "$sound_pid" ] || kill "$sound_pid" 2>/dev/null
    "$here/wine-prefix.sh" stop "$WINEPREFIX"
    rm -rf "$work"
}
trap cleanup EXIT

version=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" {print $2}')
folder_name='Tessiva Łódź Ünal'
installdir="C:\\Program Files\\$folder_name\\"
folder="$WINEPREFIX/drive_c/Program Files/$folder_name"
system32=$WINEPREFIX/drive_c/windows/system32
saver='C:\Windows\System32\tessiva.scr'
settings_map='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Tessiva.ini'
user_key='HKCU\Software\Tessiva\config'

msiexec() {  # msiexec ARGUMENTS...: its status in status, its time in ms in took
    local start=$(_checks_now)
    "$wine" msiexec "$@" /qn /l*v "$(windows_path "$work/msiexec.log")" >/dev/null 2>&1
    status=$?
    took=$((($(_checks_now) - start) / 1000))
}
log_tail() { tr -d '\r' <"$work/msiexec.log" 2>/dev/null | grep -aiE 'error|fail|return value 3' | tail -5; }
# A registry key and its subkeys exported as text, without blank lines, or nothing when it
# doesn't exist.
exported() {
    rm -f "$work/key.reg"
    "$wine" reg export "$1" "$(windows_path "$work/key.reg")" /y >/dev/null 2>&1 &&
        tail -c +3 "$work/key.reg" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r' | grep -v -e '^Windows Registry' -e '^$'
}
machine_keys() { exported 'HKLM\Software\Tessiva'; exported "$settings_map"; }
# "NAME|VERSION|PUBLISHER" of each entry under Add/Remove Programs named Tessiva.
entries() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' | awk '
        function flush() { if (name ~ /^Tessiva/) print name "|" version "|" publisher; name = version = publisher = "" }
        /^HKEY_/ { flush() }
        $1 == "DisplayName" { sub(/.*REG_SZ[ \t]+/, ""); name = $0 }
        $1 == "DisplayVersion" { sub(/.*REG_SZ[ \t]+/, ""); version = $0 }
        $1 == "Publisher" { sub(/.*REG_SZ[ \t]+/, ""); publisher = $0 }
        END { flush() }'
}
# Any file named Tessiva.ini, in any case, where the program or the clip lies.
settings_files() { find "$folder" "$system32" -maxdepth 1 -iname tessiva.ini 2>/dev/null; }
probe() { "$wine" "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }

# Starts the installed saver with exactly the line Windows writes, "%s /s" and the like,
# the path unquoted; sets pid.
launch() {
    "$wine" "$start_exe" --line "$saver" "$saver $1" >/dev/null 2>&1 &
    pid=$!
}
streaming() { [ "$(sound_streams)" -gt 0 ]; }
# "/s" started and its clip moving on the screen; sets shown to 0 when it was.
start_saver() {
    launch /s
    shown=1
    [ -n "$(find_window Form1 150)" ] && wait_for 20 picture_shows || return
    import -window root -crop 320x180+480+270 "$work/first.png" 2>/dev/null
    moved() {
        import -window root -crop 320x180+480+270 "$work/now.png" 2>/dev/null
        [ "$(changed_pixels "$work/first.png" "$work/now.png")" -gt 200 ]
    }
    wait_for 10 moved && shown=0
}
saver_ends_on_move() {
    xdotool mousemove_relative 6 6
    wait_exit "$pid" 100
    [ "$status" = 0 ]
}
# The dialog's check box once the dialog shows it, or nothing.
box_state() { probe checked Configure 'Play sound'; }
box_is() { [ "$(box_state)" = "$1" ]; }
# Clicks at X,Y of the dialog until CONDITION holds, at most 5 times: a click that comes
# while Wine still places the window may miss.
click_until() {
    local x=$1 y=$2 window
    shift 2
    for _ in 1 2 3 4 5; do
        window=$(find_window Configure 50)
        [ -n "$window" ] && xdotool mousemove --window "$window" "$x" "$y" click 1 2>/dev/null
        wait_for 3 "$@" && return 0
    done
    return 1
}
running() { kill -0 "$pid" 2>/dev/null; }
ended() { ! running; }

start_sound_server "$work/pulse"
sound_started=$?
sound_pid=$!
check "a PulseAudio with a null sink runs" "$sound_started" "$(tail -3 "$work/pulse/log")"

# ---- The package itself.
components=$(msiinfo export "$msi" Component | tr -d '\r' | tail -n +4)
[ -n "$components" ] && ! awk -F'\t' 'int($4 / 256) % 2 == 0 {bad = 1} END {exit !bad}' <<<"$components" &&
    msiinfo suminfo "$msi" | grep -qx 'Template: x64;1033'
check "every component is 64-bit, in a package for x64" $? "$components"

# ---- Installed silently into a folder whose name the ANSI code page can't spell.
msiexec /i "$(windows_path "$msi")" "INSTALLDIR=$installdir"
echo "install: $took ms"
[ "$status" = 0 ]
check "msiexec /i /qn INSTALLDIR=\"$installdir\" succeeds" $? "status $status: $(log_tail)"
[ -f "$folder/vorn.evc" ] && [ -f "$system32/tessiva.scr" ] && [ "$(ls -A "$folder")" = vorn.evc ] &&
    [ -z "$(settings_files)" ]
check "the clip is in the folder, the saver in System32, and no Tessiva.ini anywhere" $? \
    "$(ls -la "$folder" 2>&1; ls -la "$system32"/tessiva* 2>&1)"
keys=$(machine_keys)
expected="[HKEY_LOCAL_MACHINE\\Software\\Tessiva]
[HKEY_LOCAL_MACHINE\\Software\\Tessiva\\config]
\"path\"=\"${installdir//\\/\\\\}\"
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Tessiva.ini]
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Tessiva.ini\\config]
\"path\"=\"SYS:Tessiva\\\\config\"
\"sound\"=\"USR:Software\\\\Tessiva\\\\config\""
[ "$keys" = "$expected" ] &&
    [ -z "$(exported 'HKLM\Software\WOW6432Node\Tessiva')" ]
check "HKLM names the folder with every letter, and maps \"path\" there and \"sound\" to each user" $? "$keys"
[ "$(entries)" = "Tessiva screensaver|$version|Tessiva" ]
check "Add/Remove Programs lists \"Tessiva screensaver\" $version by Tessiva" $? "$(entries)"

# ---- A user with no choice of their own.
start_saver
[ "$shown" = 0 ] && wait_for 10 streaming
check "'$saver /s' plays the clip from the folder HKLM names, with sound" $? \
    "shown $shown, streams: $(pactl list short sink-inputs 2>&1)"
saver_ends_on_move
check "a mouse movement ends it with 0" $? "status $status"

launch /c
wait_for 30 box_is 1
check "'/c' shows \"Play sound\" ticked" $? "box: $(box_state)"
# The box at 240,2160 twips, OK at 3840,2520: pixels at 96 DPI, inside the frame.
click_until 24 155 box_is 0
check "a click unticks it" $? "box: $(box_state)"
click_until 290 185 ended
wait_exit "$pid" 50
sound=$("$wine" reg query "$user_key" /v sound 2>/dev/null | tr -d '\r' | awk '$1 == "sound" {print $3}')
[ "$status" = 0 ] && [ "$sound" = 0 ] && [ -z "$(settings_files)" ] && [ "$(ls -A "$folder")" = vorn.evc ]
check "OK ends with 0, keeps sound=0 in the user's registry and writes no file" $? \
    "status $status, sound '$sound', files: $(settings_files; ls -A "$folder")"

launch /c
wait_for 30 box_is 0
check "the dialog opened again shows it unticked" $? "box: $(box_state)"
click_until 200 185 ended  # Cancel
wait_exit "$pid" 50

start_saver
[ "$shown" = 0 ] && [ "$(sound_streams)" = 0 ]
check "the saver then plays the clip with no sound stream" $? "shown $shown, streams: $(pactl list short sink-inputs 2>&1)"
saver_ends_on_move
check "and a movement ends it with 0" $? "status $status"

msiexec /x "$(windows_path "$msi")"
echo "removal: $took ms"
[ "$status" = 0 ] && [ ! -e "$folder" ] && [ ! -e "$system32/tessiva.scr" ]
check "msiexec /x /qn removes the folder and the saver" $? "status $status: $(log_tail; ls -la "$folder" 2>&1)"
[ -z "$(machine_keys)" ] && [ -z "$(entries)" ]
check "and leaves no key under HKLM and no Add/Remove Programs entry" $? "$(machine_keys; entries)"

# ---- The per-user installer on the same machine: installed before, turned away after.
user=$("$wine" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
own=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/Tessiva
"$wine" "$setup" /S
[ $? = 0 ] && [ -f "$own/Tessiva.ini" ]
check "the per-user installer installs before the MSI comes" $?
msiexec /i "$(windows_path "$msi")" "INSTALLDIR=$installdir"
before=$(machine_keys)
cp "$own/Tessiva.ini" "$work/own.ini"
"$wine" "$start_exe" "$(windows_path "$setup")" /S >/dev/null 2>&1
status=$?
# Windows' exit code 1638; Unix keeps its low 8 bits.
[ "$status" = $((1638 % 256)) ] && [ "$(machine_keys)" = "$before" ] && cmp -s "$own/Tessiva.ini" "$work/own.ini"
check "with the MSI installed, its /S refuses (1638) and changes nothing" $? "status $status: $(machine_keys)"
"$wine" "$start_exe" "$(windows_path "$own/uninstall.exe")" /S >/dev/null 2>&1
# The uninstaller runs a copy of itself from the temporary folder and returns at once.
gone() { [ ! -e "$own" ]; }
wait_for 20 gone && [ "$(machine_keys)" = "$before" ]
check "its uninstaller removes its own folder and leaves HKLM as it was" $? "$(ls -la "$own" 2>&1; machine_keys)"
start_saver
check "the machine's saver still plays" "$shown"
saver_ends_on_move
msiexec /x "$(windows_path "$msi")"

# ---- Upgrades: an older version replaced, a rebuild of this one too, a newer one kept.
# The folder named without the final separator, as the README shows it.
msiexec /i "$(windows_path "$older_msi")" "INSTALLDIR=${installdir%\\}"
older_status=$status
older=$(entries)
older_keys=$(machine_keys)
msiexec /i "$(windows_path "$msi")"
[ "$older_status" = 0 ] && [ "$older_keys" = "$keys" ] && [ "$older" != "$(entries)" ] && [ "$status" = 0 ] &&
    [ "$(entries)" = "Tessiva screensaver|$version|Tessiva" ] && [ "$(machine_keys)" = "$keys" ] &&
    [ -f "$folder/vorn.evc" ] && [ -f "$system32/tessiva.scr" ]
check "$version replaces an older version, in the folder it had" $? \
    "older $older_status: $older, $older_keys; now $status: $(entries), $(machine_keys)"
msiexec /i "$(windows_path "$rebuilt_msi")"
[ "$status" = 0 ] && [ "$(entries)" = "Tessiva screensaver|$version|Tessiva" ] && [ -f "$folder/vorn.evc" ]
check "a rebuild of $version replaces it" $? "status $status: $(entries)"
msiexec /i "$(windows_path "$older_msi")"
[ "$status" != 0 ] && [ "$(entries)" = "Tessiva screensaver|$version|Tessiva" ] && [ -f "$system32/tessiva.scr" ]
check "an older version doesn't replace a newer one" $? "status $status: $(entries)"
msiexec /x "$(windows_path "$rebuilt_msi")"
[ "$status" = 0 ] && [ ! -e "$folder" ] && [ -z "$(machine_keys)" ] && [ -z "$(entries)" ]
check "and removing it leaves nothing" $? "status $status: $(machine_keys; entries)"

finish
