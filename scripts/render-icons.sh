#!/usr/bin/env bash
# Renders data/icons/tervala.svg into the PNG sizes of the icon theme
# (data/icons/SIZE/tervala.png), which are committed: the build needs no renderer.
# Run it after changing the SVG. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert not found: apt-get install librsvg2-bin" >&2; exit 2; }
for size in 16 24 32 48 64 128 256; do
    mkdir -p "$size"
    rsvg-convert -w "$size" -h "$size" tervala.svg -o "$size/tervala.png"
done
