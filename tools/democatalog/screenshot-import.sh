#!/usr/bin/env bash
# Screenshots of an import through the program's own window, under a virtual X server:
#   xvfb-run -a -s "-screen 0 1280x800x24" tools/democatalog/screenshot-import.sh build OUTDIR
# The program runs from a copy beside a converter that waits 7 s before it converts, so that the
# overlay and its seconds counter are on screen; the import is started through "Neue Quelle".
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
out=$(mkdir -p "${2:-$build/screenshots}" && cd "${2:-$build/screenshots}" && pwd)
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$work/bin"
cp "$build/bin/artikelblick" "$work/bin/"
printf '#!/bin/sh\nsleep 7\nexec "%s" "$@"\n' "$build/bin/convrun" > "$work/bin/convrun"
chmod +x "$work/bin/convrun"
export XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" TMPDIR="$work/tmp"
mkdir -p "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$TMPDIR"
"$build/bin/democatalog" "$build/bin/convrun" "$root/samples" > /dev/null

"$work/bin/artikelblick" & pid=$!
sleep 4
wid=$(xdotool search --name 'Version' | head -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
import -window root "$out/import-0-window.png"
xdotool mousemove $((X + 26)) $((Y + 20)) click 1   # "Neue Quelle"
sleep 2
import -window root "$out/import-1-dialog.png"
# The file dialog opens centred on the window; its file name box is near its bottom.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 120)) click 1
xdotool type --delay 20 "$root/samples/artikel-utf8.csv"
xdotool key Return
sleep 5.5
import -window root "$out/import-2-overlay.png"
sleep 5
import -window root "$out/import-3-imported.png"
echo "Screenshots in $out"
