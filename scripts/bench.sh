#!/usr/bin/env bash
# Runs the benchmarks: the data engine on a generated 1,000,000-row database, the converter, then
# the main window on the same database, the basket window on 10,000 positions, and the send of
# marked rows to the exchange simulator.
set -euo pipefail
build=${1:-build}
for b in "$build/bench/engine/artikelbench" "$build/bench/converter/convbench" "$build/bench/gui/guibench" "$build/bench/gui/basketbench" \
         "$build/bench/officelink/sendbench"; do
  if [[ -x "$b" ]]; then "$b" "${@:2}"; fi
done
