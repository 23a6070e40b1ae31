#!/usr/bin/env bash
# Regenerates the user guide's pictures from the demo tour: runs the tour offscreen and copies
# exactly the pictures docs/guide.md shows into docs/guide/. The guide links each picture as
# guide/NAME.png; the tour writes it as NN-NAME.png (NN its step number), so the guide's links
# are the list. A picture the tour no longer takes is an error.
#   scripts/guide-shots.sh [PLENUM]    PLENUM: the desktop program (default build/dev/src/ui/plenum)
set -euo pipefail
cd "$(dirname "$0")/.."
app=${1:-build/dev/src/ui/plenum}
guide=docs/guide.md
[ -x "$app" ] || { echo "No desktop program at $app (build it first)" >&2; exit 1; }

tour=$(mktemp -d)
trap 'rm -rf "$tour"' EXIT
QT_QPA_PLATFORM=offscreen "$app" --demo --tour "$tour/shots" >/dev/null

names=$(grep -o '](guide/[^)]*\.png)' "$guide" | sed 's/^](guide\///; s/)$//' | sort -u)
# Pictures the guide no longer shows go.
for old in docs/guide/*.png; do
  [ -e "$old" ] || continue
  grep -qx "$(basename "$old")" <<<"$names" || rm -v "$old"
done
missing=0
for name in $names; do
  shot=$(find "$tour/shots" -maxdepth 1 -regextype posix-extended -regex ".*/[0-9]+-${name//./\\.}" | sort | head -n 1)
  if [ -z "$shot" ]; then
    echo "The tour took no picture named $name" >&2
    missing=1
    continue
  fi
  cp "$shot" "docs/guide/$name"
  echo "docs/guide/$name"
done
exit $missing
