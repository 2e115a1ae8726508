#!/usr/bin/env bash
# Runs a command on a fresh X server of its own, optionally under a window manager, as X11
# users run them.
#   run-under-xvfb.sh [--wm [NAME]] [--user] [--dpi N] [--screen WxH | --two-monitors | --two-outputs]
#                     -- command args...
# The display is an Xvfb of 1280x720x24 unless --screen names another size. --two-monitors
# makes it 2560x720, split by RandR into two monitors side by side, the left one primary, as a
# split ultra-wide screen is (xrandr --setmonitor); --two-outputs makes two real RandR
# outputs of 1280x720 (VNC-0 primary, VNC-1) on an Xtigervnc, as a VNC client with two
# screens asks for: KWin and mutter see only those. Either way the tests see
# TESSIVA_TEST_MONITORS=2.
# --wm starts a window manager and waits until it manages windows: openbox (the default), i3
# with i3bar and dunst, xfce (xfwm4 with its compositor, xfce4-panel, xfce4-notifyd), kde
# (kwin_x11), gnome (gnome-shell on X11, with a private system bus; it starts in its
# overview). Every one but openbox gets a session bus; gnome runs as the ordinary user
# tessiva-wl (made when missing), command included, as a root session shows a banner over
# everything. --user makes that user too, with a home and a runtime folder of its own, and
# names it in TESSIVA_TEST_USER, while the command stays root's (to set up what only root may
# before it starts things as the user). The tests see TESSIVA_TEST_WM=NAME (or "no"). --dpi sets the X resources'
# Xft.dpi (as a desktop's settings would) before the command starts. Everything started here
# is stopped on exit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wm=no
dpi=96
screen=1280x720
monitors=1
server=xvfb
for_user=no
while [ $# -gt 0 ]; do
  case "$1" in
    --wm)
      case "${2:-}" in
        openbox|i3|xfce|kde|gnome) wm=$2; shift 2 ;;
        *) wm=openbox; shift ;;
      esac ;;
    --user) for_user=yes; shift ;;
    --dpi) dpi=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    --two-monitors) screen=2560x720; monitors=2; shift ;;
    --two-outputs) monitors=2; server=vnc; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done

work=$(mktemp -d)
chmod 755 "$work"
pids=()
# Running: not gone and not a zombie waiting to be reaped.
running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1)
  [ -n "$state" ] && [ "$state" != Z ]
}
any_running() { local p; for p in "${pids[@]}"; do running "$p" && return 0; done; return 1; }
# The desktop's programs before the X server; whatever a desktop program does on SIGTERM
# (waiting on a bus or a server that is gone), it is killed after 10 s, with what runuser
# started for it, rather than holding the test until ctest's timeout.
cleanup() {
  local i p
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for _ in $(seq 100); do any_running || break; sleep 0.1; done
  for p in "${pids[@]}"; do
    if running "$p"; then pkill -KILL -P "$p" 2>/dev/null; kill -KILL "$p" 2>/dev/null; fi
    wait "$p" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# The user everything after the server runs as: root, or the ordinary user for GNOME.
user=
as_user() { if [ -n "$user" ]; then runuser -u "$user" -- "$@"; else "$@"; fi; }
if [ "$wm" = gnome ] || [ "$for_user" = yes ]; then
  user=tessiva-wl
  if ! id -u "$user" >/dev/null 2>&1; then
    # Another test may be making it at the same time: only its absence afterwards fails.
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" 2>/dev/null || true
  fi
fi

wait_until() {  # SECONDS COMMAND...: polls a tenth of a second at a time
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

if [ "$server" = vnc ]; then
  Xtigervnc -displayfd 3 -geometry 1280x720 -SecurityTypes None -rfbport 0 -localhost -nolisten tcp -noreset \
    3>"$work/display" >"$work/server.log" 2>&1 &
else
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/server.log" &
fi
pids+=($!)
wait_until 10 test -s "$work/display" || { echo "The X server did not start:"; cat "$work/server.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
if [ "$server" = vnc ]; then
  port=$(sed -n 's/.*Listening for VNC connections on .* port \([0-9]*\).*/\1/p' "$work/server.log" | head -n1)
  python3 "$here/vnc_screens.py" "$port" 1280x720 1280x720
  xrandr --output VNC-0 --primary
elif [ "$monitors" = 2 ]; then
  xrandr --setmonitor L 1280/339x720/191+0+0 screen >/dev/null
  xrandr --setmonitor R 1280/339x720/191+1280+0 none >/dev/null
fi

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A desktop keeps its settings in a home of its own, not the caller's.
case "$wm" in
  no|openbox) [ -n "$user" ] && { export HOME="$work/home"; mkdir -m 700 "$HOME"; } ;;
  *) export HOME="$work/home"; mkdir -m 700 "$HOME" ;;
esac
[ -n "$user" ] && chown "$user:" "$XDG_RUNTIME_DIR" "$HOME"
export TESSIVA_TEST_USER=$user
export TESSIVA_TEST_DPI=$dpi TESSIVA_TEST_MONITORS=$monitors TESSIVA_TEST_WM=$wm

# Starts "$@" as the session's user, in the background, stopped on exit (runuser passes the
# signal on).
start() {
  if [ -n "$user" ]; then
    runuser -u "$user" -- "$@" </dev/null >>"$work/wm.log" 2>&1 &
  else
    "$@" </dev/null >>"$work/wm.log" 2>&1 &
  fi
  pids+=($!)
}
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
session_bus() {
  start dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
  wait_until 10 test -S "$XDG_RUNTIME_DIR/bus" || { echo "no session bus"; exit 1; }
}
overview_known() {
  as_user gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.freedesktop.DBus.Properties.Get \
    org.gnome.Shell OverviewActive
}

case "$wm" in
  openbox) start openbox --sm-disable ;;
  i3)
    session_bus
    cat >"$work/i3.conf" <<'EOF'
font pango:DejaVu Sans Mono 8
bindsym Mod1+Right focus right
bindsym Mod1+Left focus left
bar {
  status_command i3status
}
exec dunst
EOF
    start i3 -c "$work/i3.conf" ;;
  xfce)
    session_bus
    start xfwm4 --compositor=on
    wait_until 20 wm_ready
    start xfce4-panel
    start /usr/lib/x86_64-linux-gnu/xfce4/notifyd/xfce4-notifyd
    wait_until 20 xdotool search --class xfce4-panel ;;
  kde)
    session_bus
    start kwin_x11 ;;
  gnome)
    session_bus
    # GNOME Shell wants a system bus; a private one serves.
    start dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/system-bus"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/system-bus"
    wait_until 10 test -S "$XDG_RUNTIME_DIR/system-bus"
    start gnome-shell --x11 --replace
    wait_until 60 overview_known || { echo "GNOME Shell did not start:"; tail -n 20 "$work/wm.log"; exit 1; } ;;
esac
if [ "$wm" != no ]; then
  wait_until 30 wm_ready || { echo "The window manager did not start:"; tail -n 20 "$work/wm.log"; exit 1; }
fi

if [ -n "$user" ] && [ "$for_user" = no ]; then
  runuser -u "$user" -- env DISPLAY="$DISPLAY" HOME="$HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" TESSIVA_TEST_DPI=$dpi \
    TESSIVA_TEST_MONITORS=$monitors TESSIVA_TEST_WM=$wm PATH="$PATH" "$@"
else
  "$@"
fi
