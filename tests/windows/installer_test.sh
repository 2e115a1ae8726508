#!/usr/bin/env bash
# The installer under Wine, as a user would run it silently: what it puts where, that the
# installed saver plays and ends on input, and that the uninstaller takes it all away again.
# Run under tests/integration/run-under-xvfb.sh with TESSIVA_WINEPREFIX set to a fresh prefix.
#   installer_test.sh SETUP-EXE START-AS-HOST-EXE
# Ends with "N passed, N failed".
set -uo pipefail

setup=$1
start_exe=$2
wine=/usr/lib/wine/wine64
export WINEPREFIX=$TESSIVA_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
source "$(dirname "$0")/checks.sh"
# A registry value as `reg query` prints it, or nothing.
reg_value() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name {sub(/.*REG_SZ[ \t]+/, ""); print}'; }

user=$("$wine" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
folder=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/Tessiva
windows_folder="C:\\users\\$user\\AppData\\Local\\Programs\\Tessiva"

"$wine" "$setup" /S
check "the silent install succeeds" $?
[ -f "$folder/tessiva.scr" ] && [ -f "$folder/vorn.evc" ] && [ -f "$folder/Tessiva.ini" ]
check "the program, the clip and the settings file are in $windows_folder" $? "$(ls -la "$folder" 2>&1)"
tr -d '\r' <"$folder/Tessiva.ini" | grep -qxF "path=$windows_folder\\"
check "the settings name the clip's folder with a final backslash" $? "$(cat "$folder/Tessiva.ini")"
saver=$(reg_value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)
[ "$saver" = "$windows_folder\\tessiva.scr" ]
check "the user's screensaver is the installed tessiva.scr" $? "SCRNSAVE.EXE=$saver"
uninstall=$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessiva' UninstallString)
[ "$uninstall" = "\"$windows_folder\\uninstall.exe\"" ]
check "an uninstaller is registered for the user" $? "UninstallString=$uninstall"

# The installed saver, as the host would start it.
"$wine" "$start_exe" "$windows_folder\\tessiva.scr" /s >/dev/null 2>&1 &
pid=$!
sleep 6
kill -0 "$pid" 2>/dev/null
check "the installed saver plays" $?
for _ in 1 2 3; do xdotool mousemove_relative 6 6; sleep 0.1; done
wait_exit "$pid" 50
[ "$status" = 0 ]
check "it ends with 0 on a mouse movement" $? "status $status"

"$wine" "$folder/uninstall.exe" /S
# The uninstaller runs a copy of itself from the temporary folder and returns at once.
for _ in $(seq 100); do [ -e "$folder" ] || break; sleep 0.1; done
[ ! -e "$folder" ]
check "the silent uninstall removes the folder" $? "$(ls -la "$folder" 2>&1)"
[ -z "$(reg_value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" ] &&
    [ -z "$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessiva' UninstallString)" ]
check "and clears the screensaver and its uninstall entry" $?

finish
