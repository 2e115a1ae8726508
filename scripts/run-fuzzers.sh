#!/usr/bin/env bash
# Runs every libFuzzer target in build-fuzz/ for the given number of seconds each, and
# fails when one of them finds a crash.
set -uo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
failed=0
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build-fuzz/$name-" "$corpus" \
       >"build-fuzz/$name.log" 2>&1; then
    failed=1
    tail -n 40 "build-fuzz/$name.log"
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "build-fuzz/$name.log" || true
done
exit $failed
