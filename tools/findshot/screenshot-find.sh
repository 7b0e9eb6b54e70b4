#!/usr/bin/env bash
# Screenshots of the find box at work, under a virtual X server:
#   xvfb-run -a -s "-screen 0 1280x800x24" tools/findshot/screenshot-find.sh build OUTDIR
# The demo catalog is imported into a scratch folder; the program filters the last sample, learns
# the search, and then shows the learned phrase in the open suggestion list.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
out=$(mkdir -p "${2:-$build/screenshots}" && cd "${2:-$build/screenshots}" && pwd)
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

export XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" TMPDIR="$work/tmp" HOME="$work/home"
mkdir -p "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$TMPDIR" "$HOME"
"$build/bin/democatalog" "$build/bin/convrun" "$root/samples" > /dev/null

"$build/bin/artikelblick" & pid=$!
sleep 4
wid=$(xdotool search --name 'Version' | head -1)
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key --window "$wid" F3
xdotool type --delay 60 "${FIND_TEXT:-ventil}"
sleep 1
xdotool key Escape
sleep 0.5
import -window root "$out/find-0-filtered.png"
# Clear the box (learned on the way) and type the start again: the list offers the phrase.
xdotool key ctrl+a BackSpace
sleep 0.5
xdotool type --delay 60 "${FIND_TEXT:-ventil}" | true
sleep 0.2
xdotool key ctrl+a BackSpace
xdotool type --delay 60 "$(echo "${FIND_TEXT:-ventil}" | cut -c1-2)"
sleep 1
import -window root "$out/find-1-suggestions.png"
echo "Screenshots in $out"
