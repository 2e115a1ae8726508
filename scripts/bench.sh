#!/usr/bin/env bash
# Builds the optimised program (the release preset, in build-release/) and runs the benchmark
# driver on a fresh Xvfb of its own: the program against gst-launch-1.0 playbin and mpv on the
# same clip, in the same run; then, on Wayland, against playbin with waylandsink in a headless
# sway (scripts/bench-wayland.sh) and in a headless GNOME Shell (scripts/bench-gnome.sh); then
# the Windows build's saver under Wine, mid-clip
# (scripts/bench-wine.sh). Prints a table of numbers; it never fails on a number.
#   scripts/bench.sh [--debug]
# Environment: BENCH_RUNS (5), BENCH_EXIT_TRIES (20), BENCH_XDOTOOL_TRIES (5),
# BENCH_SOAK_SECONDS (600), BENCH_CPU_SECONDS (20), BENCH_SHORT_SEAM_REWINDS (5),
# BENCH_FIRST_FRAME_ROUNDS (7), BENCH_ONLY=cpu,first,exit,seam,soak,wayland,gnome,wine (some parts only), BENCH_KEEP=1 (keep the scratch folder),
# BENCH_SCREENS ("1920x1080 3840x2160": the bigger screens the CPU part runs on again; empty for none).
# Installs what only the benchmark needs, and only what is missing; runs apt-get through sudo
# when not root; never asks questions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup.sh --test

packages=(mpv gstreamer1.0-tools libxdamage-dev libxtst-dev)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq </dev/null
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

cmake --preset release
if ! cmake --build --preset release --target tessiva_bench tessiva_virtual_pointer; then
  echo "bench.sh: cannot build tessiva_bench (is tests/bench added to tests/CMakeLists.txt?)" >&2
  exit 1
fi

# The whole bench on the usual screen, then the CPU part again on each bigger screen, where both
# programs scale the clip up; the goal lines of all runs are repeated together at the end.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
tests/integration/run-under-xvfb.sh -- build-release/tests/bench/tessiva_bench "$@" | tee "$log"
only=",${BENCH_ONLY:-cpu},"
if [[ "$only" == *,cpu,* ]]; then
  for size in ${BENCH_SCREENS-1920x1080 3840x2160}; do
    echo
    echo "=== CPU on a ${size} screen ==="
    BENCH_ONLY=cpu tests/integration/run-under-xvfb.sh --screen "$size" -- \
      build-release/tests/bench/tessiva_bench "$@" | tee -a "$log"
  done
fi
# On Wayland: the saver against playbin with waylandsink, in a headless sway.
if [ -z "${BENCH_ONLY:-}" ] || [[ ",$BENCH_ONLY," == *,wayland,* ]]; then
  echo
  echo "=== CPU on Wayland ==="
  scripts/bench-wayland.sh "$root/build-release/tessiva" "$root/build-release/tests/linux/wayland/tessiva_virtual_pointer" \
    "$root/assets/vorn.evc" | tee -a "$log"
fi
# On GNOME: the same against playbin with waylandsink, in a headless gnome-shell.
if [ -z "${BENCH_ONLY:-}" ] || [[ ",$BENCH_ONLY," == *,gnome,* ]]; then
  echo
  echo "=== CPU on GNOME ==="
  scripts/bench-gnome.sh "$root/build-release/tessiva" "$root/assets/vorn.evc" | tee -a "$log"
fi
# Under Wine: the Windows build's interface thread, mid-clip.
if [ -z "${BENCH_ONLY:-}" ] || [[ ",$BENCH_ONLY," == *,wine,* ]]; then
  echo
  echo "=== The Windows build under Wine ==="
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  tests/integration/run-under-xvfb.sh -- scripts/bench-wine.sh "$root/build-windows" | tee -a "$log"
fi
echo
echo "All goals of this run:"
grep '^Goal:' "$log" | grep -v 'not measured' || true
