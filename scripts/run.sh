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
export TMPDIR="$demo/tmp"
mkdir -p "$XDG_DATA_HOME" "$TMPDIR"
# Fills the catalog only while it has no database (delete them all to get the samples back).
"$build/bin/democatalog" "$build/bin/convrun" "$root/samples"
exec "$build/bin/artikelblick"
