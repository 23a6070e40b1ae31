#!/usr/bin/env bash
# The soak run: 24 simulated loudspeakers, random wire faults, the meter poll and scripted edits
# for MINUTES minutes; fails on a crash, a growing resident size or an image that differs from its
# device at the end. Not part of the test suite. Usage: scripts/soak.sh MINUTES [plenum-soak options]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: scripts/soak.sh MINUTES [--seed N] [--allowed-growth-kib K]" >&2
  exit 2
fi
cmake --preset dev >/dev/null
cmake --build --preset dev -j "${JOBS:-2}" --target plenum_soak
exec build/dev/tests/faults/plenum-soak "$@"
