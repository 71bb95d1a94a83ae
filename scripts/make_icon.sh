#!/usr/bin/env bash
# Draws the application icon's source image and packs the eight sizes into one .ico.
# The results are committed; run this again only to change the icon.
set -euo pipefail
out=${1:-"$(dirname "$0")/../src/app/resources"}
src="$out/quorin_cleaner_icon.png"
convert -size 256x256 xc:none \
  -fill '#1f5fbf' -stroke '#0b2f6b' -strokewidth 8 \
  -draw "path 'M 128,16 L 228,52 L 228,128 C 228,184 184,224 128,244 C 72,224 28,184 28,128 L 28,52 Z'" \
  -stroke none -fill '#ffffff' \
  -draw "path 'M 76,132 L 110,166 L 182,94 L 200,112 L 110,202 L 58,150 Z'" \
  -fill '#d62828' -draw "circle 196,60 196,40" \
  "PNG32:$src"
convert "$src" -define icon:auto-resize=128,96,72,64,48,32,24,16 "$out/quorin_cleaner.ico"
