#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert,
# Debian package librsvg2-bin). The PNGs are kept in the repository, so that a
# build needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 24 32 48 64 128 256; do
  mkdir -p hicolor/${size}x${size}/apps
  rsvg-convert -w $size -h $size v6uvuv.svg -o hicolor/${size}x${size}/apps/v6uvuv.png
done
