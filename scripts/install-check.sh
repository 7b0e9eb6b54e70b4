#!/usr/bin/env bash
# Installs a build into a temporary prefix and converts a sample with the installed convrun,
# so that a missing install rule or a converter that only works from the build tree shows.
# Usage: scripts/install-check.sh [build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
for f in bin/convrun share/applications/artikelblick.desktop \
         share/icons/hicolor/scalable/apps/artikelblick.svg; do
  [[ -f "$prefix/$f" ]] || { echo "install-check: $f is missing" >&2; exit 1; }
done
if [[ -d "$build/app" ]]; then
  [[ -x "$prefix/bin/artikelblick" ]] || { echo "install-check: bin/artikelblick is missing" >&2; exit 1; }
fi

work="$prefix/work"
mkdir -p "$work"
"$prefix/bin/convrun" "$root/samples/datanorm4/DATANORM.001" "$work/out.csv" "$work/result.txt" || true
if ! grep -q '^Result=1' "$work/result.txt"; then
  echo "install-check: the installed convrun failed:" >&2
  cat "$work/result.txt" >&2 || true
  exit 1
fi
rows=$(wc -l < "$work/out.csv")
[[ "$rows" -gt 1 ]] || { echo "install-check: the installed convrun wrote no rows" >&2; exit 1; }
echo "install-check: installed into a temporary prefix; convrun converted a DATANORM sample ($rows lines)"
