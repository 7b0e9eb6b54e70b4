#!/usr/bin/env bash
# Starts the program on a demo catalog: the project's samples imported through the real
# converter into a data folder of their own ($build/demo), prepared once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
build=$(cd "$build" && pwd)
if [[ ! -x "$build/bin/artikelblick" ]]; then
  if [[ -x "$build/bench/engine/artikelbench" ]]; then
    exec "$build/bench/engine/artikelbench" --rows 100000
  fi
  echo "Nothing to run yet: the program and the benchmark are not built." >&2
  exit 1
fi

demo="$build/demo"
export XDG_DATA_HOME="$demo/data"
export XDG_STATE_HOME="$demo/state"
export TMPDIR="$demo/tmp"
mkdir -p "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$TMPDIR"
# Fills the catalog only while it has no database (delete them all to get the samples back).
"$build/bin/democatalog" "$build/bin/convrun" "$root/samples"
# The stand-in for the office application, so that sending works; it ends with the program.
sim_pid=
if [[ -x "$build/bin/exchange-sim" ]]; then
  "$build/bin/exchange-sim" --log "$demo/exchange-sim.log" 2>"$demo/exchange-sim.err" >/dev/null &
  sim_pid=$!
  trap '[[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null' EXIT
  # The program asks for the current order at its start: wait until the simulator listens.
  for _ in $(seq 50); do
    grep -q listening "$demo/exchange-sim.err" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$demo/exchange-sim.err" >&2; sim_pid=; break; }
    sleep 0.1
  done
fi
"$build/bin/artikelblick"
