#!/usr/bin/env bash
# Renders the application icon (packaging/icons/plenum.svg) to the PNG sizes that are committed
# beside it. Run after changing the drawing; needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" plenum.svg --output "plenum-$size.png"
done
