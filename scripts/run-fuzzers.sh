#!/usr/bin/env bash
# Runs every libFuzzer target in build-fuzz/ for the given number of seconds each.
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  corpus=build-fuzz/corpus/$(basename "$fuzzer")
  mkdir -p "$corpus"
  echo "== $(basename "$fuzzer") for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE|==[0-9]+==ERROR)' || true
done
