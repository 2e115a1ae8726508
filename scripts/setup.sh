#!/usr/bin/env bash
# Installs the Debian packages a job needs, and only those missing. Runs apt-get through sudo
# when not root; never asks questions.
#   scripts/setup.sh            building and running the program (make run, make install,
#                               make deb)
#   scripts/setup.sh --windows  ... and the Windows build and its installer (make windows)
#   scripts/setup.sh --test     ... and everything the tests need (make test), the Windows
#                               build's included, and the locale they check
#   scripts/setup.sh --fuzz     ... and the fuzzers' compiler (make fuzz)
#   scripts/setup.sh --print [SET]   names the packages of SET instead of installing them
set -euo pipefail

build=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libx11-dev libxi-dev libxfixes-dev libxrandr-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  # What plays the clip and draws it on X11.
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-x
  # "Arial" in the dialog is Liberation Sans; its links open through xdg-open.
  fonts-liberation xdg-utils
  # Wayland: the client library, xkbcommon and the protocols' XML (layer-shell from the
  # wlroots set, which Debian 12 ships only inside librust-wayland-protocols-dev), and Qt's
  # Wayland platform for the dialog.
  libwayland-dev libwayland-bin wayland-protocols librust-wayland-protocols-dev libxkbcommon-dev qt6-wayland
  # GIO, which the saver and GNOME's idle host speak D-Bus with.
  libglib2.0-dev
  # make deb: CPack finds the binaries for dpkg-shlibdeps with file.
  file
)
windows=(
  # The Windows build (preset windows): mingw-w64 with POSIX threads and GoogleTest's sources
  # to build for it; its installers: NSIS's per user, wixl's MSI per machine.
  g++-mingw-w64-x86-64-posix googletest nsis wixl
)
test=(
  libgtest-dev libgmock-dev
  xvfb openbox xdotool x11-utils imagemagick ffmpeg locales
  # 64-bit Wine runs the Windows build's tests; msitools' msiinfo reads the MSI back.
  wine wine64 msitools
  # Wine's DirectShow plays through the host's GStreamer; MPEG-1 program streams need its
  # mpegpsdemux, which is in the "bad" set (tests/windows/dshow).
  gstreamer1.0-plugins-bad
  # Desktops with more than one monitor (xrandr --setmonitor), and the idle hosts that start
  # the saver (xset sets the X server's own timer).
  x11-xserver-utils xss-lock xautolock
  # An X session started by hand has no session bus; with dbus-x11 (most desktops have it)
  # libdbus would start one for Qt: the tests check that the program starts none.
  dbus-x11
  # A sound server (a null sink): whether the saver streams sound, on Linux and under Wine.
  pulseaudio pulseaudio-utils
  # An X server whose screen can change its size while the saver runs (xrandr -s).
  tigervnc-standalone-server
  # A headless sway with its background painter, swayidle, wtype for keys and grim for
  # screenshots.
  sway swaybg swayidle wtype grim
  # A compositor without layer-shell, as GNOME's is, for the saver's fallback.
  weston
  # GNOME as its users run it, headless: gnome-shell with session buses of its own, and
  # Python's GObject bindings (RemoteDesktop input and screenshots). dbus-daemon and gdbus
  # (libglib2.0-bin) come with the build's own packages.
  gnome-shell python3-gi
  # KDE Plasma's compositor, headless, and KWin's fake-input protocol and the tool that makes
  # KWin read the .desktop file granting it (and screenshots) to the tests.
  kwin-wayland plasma-wayland-protocols libkf5service-bin
  # The window managers X11 users run, for the saver's tests on their desktops: i3 with its bar
  # and notifications, Xfce's xfwm4 with its panel and notifications, KDE's kwin_x11 (GNOME
  # Shell runs on X11 too).
  i3-wm i3status dunst xfwm4 xfce4-panel xfce4-notifyd kwin-x11
  # The screensaver daemons that run the saver in their own window, xscreensaver and MATE's
  # (Xfce's runs the same programs).
  xscreensaver mate-screensaver
  # The Debian package: its checker, and a fresh Debian 12 to install it on.
  lintian mmdebstrap
)
fuzz=(clang libclang-rt-14-dev)

print=no
if [ "${1:-}" = "--print" ]; then print=yes; shift; fi
set_name=${1:-}
case "$set_name" in
  "") packages=("${build[@]}") ;;
  --windows) packages=("${build[@]}" "${windows[@]}") ;;
  --test) packages=("${build[@]}" "${windows[@]}" "${test[@]}") ;;
  --fuzz) packages=("${build[@]}" "${fuzz[@]}") ;;
  *) echo "usage: $0 [--print] [--windows | --test | --fuzz]" >&2; exit 2 ;;
esac
if [ "$print" = yes ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq </dev/null
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# The conversion tests check a locale whose decimal separator is the comma.
if [ "$set_name" = --test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the locale de_DE.UTF-8"
  "${sudo[@]}" localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 </dev/null
fi
