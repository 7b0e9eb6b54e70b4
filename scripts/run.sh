#!/usr/bin/env bash
# Starts the program on its demo catalog; until the main window exists, a short benchmark run.
set -euo pipefail
build=${1:-build}
if [[ -x "$build/bin/artikelblick" ]]; then
  exec "$build/bin/artikelblick"
elif [[ -x "$build/bench/engine/artikelbench" ]]; then
  exec "$build/bench/engine/artikelbench" --rows 100000
else
  echo "Nothing to run yet: the program and the benchmark are not built." >&2
fi
