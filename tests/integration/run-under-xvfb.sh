#!/usr/bin/env bash
# Runs a command on a fresh Xvfb display of its own, optionally with a window manager.
#   run-under-xvfb.sh [--wm] [--dpi N] [--screen WxH | --two-monitors] -- command args...
# The display is 1280x720x24 unless --screen names another size. --two-monitors makes it
# 2560x720, split by RandR into two monitors side by side, the left one primary (the tests
# see TESSIVA_TEST_MONITORS=2). --dpi sets the X resources' Xft.dpi (as a desktop's settings
# would) before the command starts. Everything started here is stopped on exit.
set -euo pipefail
wm=no
dpi=96
screen=1280x720
monitors=1
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=yes; shift ;;
    --dpi) dpi=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    --two-monitors) screen=2560x720; monitors=2; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export TESSIVA_TEST_DPI=$dpi
export TESSIVA_TEST_MONITORS=$monitors
if [ "$monitors" = 2 ]; then
  xrandr --setmonitor L 1280/339x720/191+0+0 screen >/dev/null
  xrandr --setmonitor R 1280/339x720/191+1280+0 none >/dev/null
fi
export TESSIVA_TEST_WM=$wm

if [ "$wm" = yes ]; then
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
fi

"$@"
