#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for the given number of seconds each.
set -euo pipefail
build=${1:-build-fuzz}; seconds=${2:-60}
mapfile -t fuzzers < "$build/fuzzers.txt"
[[ ${#fuzzers[@]} -gt 0 ]] || { echo "no fuzz targets"; exit 0; }
for f in "${fuzzers[@]}"; do
  name=$(basename "$f")
  corpus="$build/corpus/$name"; mkdir -p "$corpus"
  seeds="fuzz/seeds/$name"; extra=(); [[ -d "$seeds" ]] && extra=("$seeds")
  echo "== $name ($seeds, ${seconds}s)"
  "$build/$f" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 "$corpus" "${extra[@]}" 2>&1 | tail -3
done
