#!/usr/bin/env bash
# Renders the program's icon from its one source, vorlix.svg: the PNGs of the icon theme
# (icons/SIZE.png) and the Windows icon vorlix.ico. Run by hand after a change to the art; the
# results are kept in the repository, so a build needs no drawing tools (rsvg-convert from
# librsvg2-bin, convert from ImageMagick).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" vorlix.svg -o "icons/$size.png"
done
# The Windows icon carries the sizes that Windows asks for most; PNG chunks with dates stay out.
convert icons/16.png icons/24.png icons/32.png icons/48.png icons/256.png \
  -define png:exclude-chunks=date,time vorlix.ico
