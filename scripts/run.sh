#!/usr/bin/env bash
# Installs what is missing, builds Plenum (release preset) and starts the desktop application in
# demo mode, with simulated loudspeakers on loopback and a throw-away data folder.
# Without a display, the demo runs its scripted tour offscreen and says where the pictures are.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
app=build/release/src/ui/plenum
if [ ! -x "$app" ]; then
  echo "The desktop application is not part of this build yet; showing the command-line tool instead."
  ctl=build/release/src/cli/plenumctl
  demo=$(mktemp -d)
  "$ctl" --data-dir "$demo" add 8 --variant 3
  "$ctl" --data-dir "$demo" add 1
  "$ctl" --data-dir "$demo" list
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  out=$(mktemp -d)/tour
  QT_QPA_PLATFORM=offscreen "$app" --demo --tour "$out"
  echo "No display: the demo tour's screenshots are in $out"
else
  exec "$app" --demo "$@"
fi
