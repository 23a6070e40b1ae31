#!/usr/bin/env bash
# Installs what is missing, builds the whole project (dev preset: Qt, tests, benchmarks) and runs
# every test. Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset dev -j "$(nproc)" "$@"
