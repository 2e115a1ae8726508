#!/usr/bin/env bash
# The Debian package as a packager and its users meet it:
# - cpack makes tessiva_<version>_amd64.deb from the build tree; lintian passes it with no error
#   or warning; its files, conffile and Depends are what the package promises.
# - On a fresh Debian 12 root (not this machine's, where the tests' packages would hide a
#   missing Depends) made by mmdebstrap: building needs none of the tests' packages; the package
#   installs with apt, without Recommends; as ordinary users on this machine's X display "/S"
#   plays the moving clip and ends on a move with 0, with no word of a missing plugin; "/C"
#   saving sound=0 writes the user's own file and changes nothing under /usr or /etc, and the
#   saver then plays silently for that user and with sound for another; tessiva-idle works
#   from /usr/bin; remove keeps the admin's settings, purge leaves none of the package's files.
# The root's tarball and the packages apt fetched into it stay in BUILD/package-test for the
# next run. Each command in the root runs in mount and process namespaces of its own (its own
# /proc). Runs on an X display (run-under-xvfb.sh), as root.
#   package_test.sh BUILD
# Ends with "N passed, N failed".
set -uo pipefail
build=$(cd "$1" && pwd)
source_root=$(cd "$(dirname "$0")/../.." && pwd)
. "$source_root/tests/checks.sh"
cache="$build/package-test"
mkdir -p "$cache/archives"
work=$(mktemp -d "$cache/run.XXXXXX")
root="$work/root"
trap 'pkill -P $$ 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
started=$SECONDS
took() { echo "     ($1 at $((SECONDS - started)) s)"; }
# A step the rest depends on: when it fails, the test ends there.
needed() {
  check "$@"
  [ "$2" -eq 0 ] || { finish; exit 1; }
}

# ---- The package
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1
needed "cpack makes the package" $? "$(tail -n 5 "$work/cpack.log")"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/package/tessiva_${version}_amd64.deb"
[ -f "$deb" ]
needed "it is tessiva_${version}_amd64.deb" $? "$(ls "$work/package")"
echo "     $(du -k "$deb" | cut -f1) KiB"
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1
check "lintian finds no error or warning" $? "$(cat "$work/lintian.log")"
sed 's/^/     lintian: /' "$work/lintian.log"
took "lintian"

# Files and links, as "PATH" or "PATH -> TARGET".
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ *\./, ""); print }' | sort >"$work/contents"
cat >"$work/expected" <<'EOF'
/etc/tessiva/Tessiva.ini
/usr/bin/tessiva -> ../lib/tessiva/tessiva
/usr/bin/tessiva-idle
/usr/lib/tessiva/Tessiva.ini -> /etc/tessiva/Tessiva.ini
/usr/lib/tessiva/tessiva
/usr/lib/tessiva/tessiva-gnome-idle
/usr/libexec/xscreensaver/tessiva -> ../../lib/tessiva/tessiva
/usr/share/applications/screensavers/tessiva.desktop
/usr/share/applications/tessiva-settings.desktop
/usr/share/doc/tessiva/changelog.gz
/usr/share/doc/tessiva/copyright
/usr/share/man/man1/tessiva-idle.1.gz
/usr/share/man/man1/tessiva.1.gz
/usr/share/tessiva/vorn.evc
/usr/share/xscreensaver/config/tessiva.xml
EOF
diff "$work/expected" "$work/contents" >"$work/contents.diff"
check "its files are the program, GNOME's idle host, the commands, the clip, the settings, the menu entry, the daemons' link, description and theme, manuals, copyright and changelog" $? \
  "$(cat "$work/contents.diff")"
dpkg-deb -x "$deb" "$work/files" && dpkg-deb -e "$deb" "$work/control"
[ "$(cat "$work/control/conffiles")" = /etc/tessiva/Tessiva.ini ] &&
  [ "$(cat "$work/files/etc/tessiva/Tessiva.ini")" = "$(printf '[config]\npath=/usr/share/tessiva/')" ]
check "the system's settings are a conffile naming the clip's folder" $?
grep -qx 'Exec=/usr/lib/tessiva/tessiva /C' "$work/files/usr/share/applications/tessiva-settings.desktop"
check "the menu entry runs the installed program with /C" $?
[ "$(zcat "$work/files/usr/share/doc/tessiva/changelog.gz" | sed -n '1s/^tessiva (\([^)]*\)).*/\1/p')" = "$version" ]
check "the changelog's latest entry is this version" $?
# Every library the binaries need comes from a package named in Depends, and so does what they
# load at run time.
depends=" $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/|/,/g; s/[ ,]\+/ /g') "
missing=""
for library in $(readelf -d "$work/files/usr/lib/tessiva/tessiva" "$work/files/usr/lib/tessiva/tessiva-gnome-idle" |
  sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
  owner=$(dpkg -S "*/x86_64-linux-gnu/$library" 2>/dev/null | head -n1 | cut -d: -f1)
  [[ "$depends" == *" $owner "* ]] || missing+=" $library($owner)"
done
for package in gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-x qt6-wayland; do
  [[ "$depends" == *" $package "* ]] || missing+=" $package"
done
[ -z "$missing" ]
check "Depends name every library's package and the run-time plugins" $? "missing:$missing; Depends:$depends"

# ---- A fresh Debian 12, made again once a month
find "$cache" -maxdepth 1 -name bookworm.tar -mtime +30 -delete
if [ ! -f "$cache/bookworm.tar" ]; then
  unshare --mount --pid --fork --mount-proc mmdebstrap --variant=apt --format=tar --skip=cleanup/apt/lists \
    bookworm "$cache/bookworm.tar.new" >"$work/mmdebstrap.log" 2>&1 && mv "$cache/bookworm.tar.new" "$cache/bookworm.tar"
  needed "mmdebstrap makes a Debian 12 root" $? "$(tail -n 5 "$work/mmdebstrap.log")"
  took "mmdebstrap"
fi
mkdir "$root" && tar -xf "$cache/bookworm.tar" -C "$root"
needed "the root unpacks" $?
in_root() { unshare --mount --pid --fork --kill-child --mount-proc="$root/proc" chroot "$root" "$@"; }
# Services the packages bring don't start in the root, and dpkg doesn't wait for the disk at
# each file of a root that lives as long as the test.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 755 "$root/usr/sbin/policy-rc.d"
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
in_root apt-get update -qq >"$work/apt.log" 2>&1
needed "apt in the root reads Debian's package lists" $? "$(tail -n 5 "$work/apt.log")"
took "a fresh root"

# Building and running need none of the packages that only the tests need.
mapfile -t build_set < <("$source_root/scripts/setup.sh" --print)
in_root apt-get install -s --no-install-recommends "${build_set[@]}" >"$work/build-set.txt" 2>&1
pulled=""
for package in $("$source_root/scripts/setup.sh" --print --test); do
  [[ " ${build_set[*]} " == *" $package "* ]] && continue
  grep -q "^Inst $package " "$work/build-set.txt" && pulled+=" $package"
done
[ "$(grep -c '^Inst ' "$work/build-set.txt")" -gt 0 ] && [ -z "$pulled" ]
check "building needs none of the tests' packages ($(grep -c '^Inst ' "$work/build-set.txt") packages)" $? \
  "pulled:$pulled $(tail -n 3 "$work/build-set.txt")"

cp "$deb" "$root/tmp/"
ln "$cache/archives/"*.deb "$root/var/cache/apt/archives/" 2>/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "/tmp/$(basename "$deb")" \
  </dev/null >"$work/install.log" 2>&1
needed "apt-get installs the package, Depends alone" $? "$(tail -n 5 "$work/install.log")"
echo "     $(grep -o '[0-9]* newly installed' "$work/install.log")"
# The cache keeps what can still be fetched, no older versions.
in_root apt-get autoclean -qq >/dev/null 2>&1
rm -f "$cache/archives/"*.deb
ln "$root/var/cache/apt/archives/"*.deb "$cache/archives/" 2>/dev/null
rm -f "$root/var/cache/apt/archives/"*.deb
took "the install"

# ---- Two ordinary users on this machine's X display (its abstract socket reaches the root),
# with a sound server whose socket lies in the root.
add_user() {
  echo "$1:x:$2:$2::/home/$1:/bin/sh" >>"$root/etc/passwd"
  echo "$1:x:$2:" >>"$root/etc/group"
  mkdir -p "$root/home/$1" "$root/run/user/$2"
  chown "$2:$2" "$root/home/$1" "$root/run/user/$2"
  chmod 700 "$root/run/user/$2"
}
add_user alice 1001
add_user bob 1002
start_sound_server "$root/run/pulse"
check "a PulseAudio with a null sink runs" $? "$(tail -n 3 "$root/run/pulse/log")"
chmod 755 "$root/run/pulse"
as() {
  local user=$1 id=$2
  shift 2
  in_root setpriv --reuid="$id" --regid="$id" --clear-groups env -i HOME="/home/$user" USER="$user" \
    PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="/run/user/$id" PULSE_SERVER=unix:/run/pulse/native "$@"
}
# The window with the keyboard focus is the saver's or the dialog's (their process ids are
# the root's own, so the window's class tells).
focus_is_ours() { xprop -id "$(xdotool getwindowfocus 2>/dev/null)" WM_CLASS 2>/dev/null | grep -q '"tessiva"'; }
middle() { import -window root -crop 64x64+608+328 -depth 8 rgb:- 2>/dev/null | md5sum; }
moving() { [ "$(middle)" != "$1" ]; }
start_saver() {
  as "$@" tessiva /S >"$work/saver.log" 2>&1 &
  saver=$!
  wait_for 20 focus_is_ours && wait_for 10 picture_shows || return 1
  local first
  first=$(middle)
  wait_for 5 moving "$first"
}
end_saver() {
  xdotool mousemove_relative 5 5
  wait_exit "$saver" 50
  [ "$status" = 0 ]
}
quiet_log() { ! grep -qi 'plugin\|missing\|no element' "$work/saver.log"; }

start_saver alice 1001
shown=$?
check "\"/S\" plays the moving clip for an ordinary user" $shown "$(head -c 300 "$work/saver.log")"
wait_for 10 bash -c '[ "$(pactl list short sink-inputs | grep -c .)" -gt 0 ]'
check "with its sound, as the system's settings say" $? "$(pactl list short sink-inputs 2>&1)"
end_saver
check "a move ends it with 0" $? "status $status"
[ "$shown" = 0 ] && quiet_log
check "no word of a missing plugin" $? "$(head -c 300 "$work/saver.log")"

# "/C" as alice: the check box has the focus first; Space clears it, Tab Tab reaches OK.
system_state() { find "$root/usr" "$root/etc" -xdev -printf '%p %s %m %U %T@\n' 2>/dev/null | sort | md5sum; }
before=$(system_state)
as alice 1001 tessiva /C >"$work/dialog.log" 2>&1 &
dialog=$!
wait_for 20 focus_is_ours
xdotool key space Tab Tab space
wait_exit "$dialog" 50
mine="$root/home/alice/.config/tessiva"
[ "$status" = 0 ] && [ "$(cat "$mine/Tessiva.ini")" = "$(printf '[config]\nsound=0')" ]
check "OK saves sound=0 in alice's own file" $? "status $status, $(cat "$mine/Tessiva.ini" 2>&1) $(cat "$work/dialog.log")"
[ "$(stat -c '%u %a' "$mine")" = "1001 700" ] && [ "$(stat -c %u "$mine/Tessiva.ini")" = 1001 ]
check "in a folder only alice can read" $? "$(stat -c '%u %a' "$mine")"
[ -f "$mine/Tessiva.ini" ] && [ "$(system_state)" = "$before" ]
check "nothing under /usr or /etc changed" $?

start_saver alice 1001
shown=$?
[ "$(pactl list short sink-inputs | grep -c .)" = 0 ]
silent=$?
end_saver
[ "$shown" = 0 ] && [ "$silent" = 0 ] && [ "$status" = 0 ]
check "alice's saver then plays silently" $? "shown $shown, $(pactl list short sink-inputs 2>&1), status $status"
start_saver bob 1002 && wait_for 10 bash -c '[ "$(pactl list short sink-inputs | grep -c .)" -gt 0 ]'
shown=$?
end_saver
[ "$shown" = 0 ] && [ "$status" = 0 ]
check "bob's plays with its sound" $? "shown $shown, status $status: $(head -c 300 "$work/saver.log")"
took "the users' runs"

# tessiva-idle from /usr/bin finds the saver and GNOME's host beside it (no display: it only
# writes the autostart entry).
as bob 1002 env -u DISPLAY tessiva-idle gnome 5 >"$work/idle.log" 2>&1 &&
  grep -qx 'Exec="/usr/bin/tessiva-idle" run gnome 5' "$root/home/bob/.config/autostart/tessiva-idle.desktop" &&
  as bob 1002 tessiva-idle off >>"$work/idle.log" 2>&1 && [ ! -e "$root/home/bob/.config/autostart/tessiva-idle.desktop" ]
check "tessiva-idle sets up GNOME's idle host from /usr/bin, and off undoes it" $? "$(cat "$work/idle.log")"

# ---- Remove keeps the admin's settings; purge leaves nothing of the package's.
echo "; the admin's" >>"$root/etc/tessiva/Tessiva.ini"
in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y tessiva </dev/null >"$work/remove.log" 2>&1 &&
  grep -qx "; the admin's" "$root/etc/tessiva/Tessiva.ini" && [ ! -e "$root/usr/lib/tessiva" ]
check "apt-get remove takes the program and keeps the admin's /etc/tessiva/Tessiva.ini" $? "$(tail -n 3 "$work/remove.log")"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y tessiva </dev/null >"$work/purge.log" 2>&1
left=""
while read -r path _; do [ -e "$root$path" ] || [ -L "$root$path" ] && left+=" $path"; done <"$work/contents"
for folder in /etc/tessiva /usr/lib/tessiva /usr/share/tessiva /usr/share/doc/tessiva; do
  [ -e "$root$folder" ] && left+=" $folder"
done
[ -z "$left" ] && [ -z "$(in_root dpkg-query -W -f='${Status}' tessiva 2>/dev/null)" ]
check "apt-get purge leaves none of the package's files" $? "left:$left $(tail -n 3 "$work/purge.log")"
took "remove and purge"

finish
