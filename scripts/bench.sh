#!/usr/bin/env bash
# Runs the benchmarks: the data engine on a generated 1,000,000-row database, then the converter.
set -euo pipefail
build=${1:-build}
for b in "$build/bench/engine/artikelbench" "$build/bench/converter/convbench"; do
  if [[ -x "$b" ]]; then "$b" "${@:2}"; fi
done
