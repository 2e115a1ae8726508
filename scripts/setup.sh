#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those missing.
# Runs apt-get through sudo when not root; never asks questions.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libx11-dev libxi-dev libxfixes-dev libxrandr-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-x
  libgtest-dev libgmock-dev
  xvfb openbox xdotool x11-utils imagemagick fonts-liberation ffmpeg xdg-utils locales
  # The Windows build (preset windows): mingw-w64 with POSIX threads, GoogleTest's sources to
  # build for it, and 64-bit Wine to run its tests.
  g++-mingw-w64-x86-64-posix googletest wine wine64
  # Its installer.
  nsis
  # The Windows build's MSI: wixl builds it, msitools' msiinfo reads it back in the tests.
  wixl msitools
  # Wine's DirectShow plays through the host's GStreamer; MPEG-1 program streams need its
  # mpegpsdemux, which is in the "bad" set (tests/windows/dshow).
  gstreamer1.0-plugins-bad
  # Desktops with more than one monitor (xrandr --setmonitor), and the idle hosts that start
  # the saver (xset sets the X server's own timer).
  x11-xserver-utils xss-lock xautolock
  # An X session started by hand has no session bus; with dbus-x11 (most desktops have it)
  # libdbus would start one for Qt: the tests check that the program starts none.
  dbus-x11
  # A sound server for the tests (a null sink): whether the saver streams sound, on Linux and
  # under Wine.
  pulseaudio pulseaudio-utils
  # An X server whose screen can change its size while the saver runs (xrandr -s).
  tigervnc-standalone-server
  # Wayland: the client library, xkbcommon and the protocols' XML (layer-shell from the
  # wlroots set, which Debian 12 ships only inside librust-wayland-protocols-dev), Qt's
  # Wayland platform for the dialog; and for the tests a headless sway with its background
  # painter, swayidle, wtype for keys and grim for screenshots.
  libwayland-dev libwayland-bin wayland-protocols librust-wayland-protocols-dev libxkbcommon-dev qt6-wayland
  sway swaybg swayidle wtype grim
  # A compositor without layer-shell, as GNOME's is, for the saver's fallback.
  weston
  # GNOME as its users run it, headless: gnome-shell with session buses of its own, the GIO
  # the saver and GNOME's idle host speak D-Bus with, and for the tests gdbus and Python's
  # GObject bindings (RemoteDesktop input and screenshots).
  gnome-shell dbus-daemon libglib2.0-dev libglib2.0-bin python3-gi
  # KDE Plasma's compositor, headless, and for the tests KWin's fake-input protocol and the
  # tool that makes KWin read the .desktop file granting it (and screenshots) to the tests.
  kwin-wayland plasma-wayland-protocols libkf5service-bin
  # The window managers X11 users run, for the saver's tests on their desktops: i3 with its bar
  # and notifications, Xfce's xfwm4 with its panel and notifications, KDE's kwin_x11 (GNOME
  # Shell runs on X11 too).
  i3-wm i3status dunst xfwm4 xfce4-panel xfce4-notifyd kwin-x11
  # For the tests: the screensaver daemons that run the saver in their own window, xscreensaver
  # and MATE's (Xfce's runs the same programs).
  xscreensaver mate-screensaver
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
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
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the locale de_DE.UTF-8"
  "${sudo[@]}" localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 </dev/null
fi
