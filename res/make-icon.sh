#!/usr/bin/env bash
# Draws the program's icon (a cyan pulse on a black panel) into vorlix.ico, at 16 and 32 pixels.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 32x32 xc:none -fill black -draw "roundrectangle 0,2 31,29 4,4" \
  -stroke '#00FFFF' -strokewidth 2 -fill none \
  -draw "polyline 3,17 10,17 13,8 17,25 20,13 22,17 29,17" "$tmp/32.png"
convert -size 16x16 xc:none -fill black -draw "roundrectangle 0,1 15,14 2,2" \
  -stroke '#00FFFF' -strokewidth 1 -fill none \
  -draw "polyline 1,8 5,8 6,4 8,12 10,6 11,8 14,8" "$tmp/16.png"
convert "$tmp/16.png" "$tmp/32.png" vorlix.ico
