#!/usr/bin/env bash
# Renders the PNG icons of the hicolor theme from the two SVGs (needs
# rsvg-convert, Debian package librsvg2-bin). Run after changing an SVG and
# commit the PNGs; the build only installs them. The program's own window
# icon (resources/icons/tkv88.png) is the 64 px rendering.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "$size"
  for name in tkv88 application-x-tkv88-config; do
    rsvg-convert -w "$size" -h "$size" "$name.svg" -o "$size/$name.png"
  done
done
cp 64/tkv88.png ../../resources/icons/tkv88.png
