#!/usr/bin/env bash
# Builds the Debian package (plenum_VERSION_ARCH.deb) from a release build and prints its path.
# Usage: scripts/package.sh [PRESET]   (default: release; the package is in build/PRESET/package)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
rm -f build/"$preset"/package/plenum_*.deb
(cd build/"$preset" && cpack -G DEB)
ls build/"$preset"/package/plenum_*.deb
