#!/usr/bin/env bash
# Draws the desktop icon at the hicolor sizes with ImageMagick: the window
# icon's picture (assets/artwork/make-artwork.sh) drawn once at 256 x 256 and
# reduced from there, so the large sizes stay sharp instead of being blown up
# from 64 pixels. The pictures are committed; run this only to redraw them.
set -euo pipefail
cd "$(dirname "$0")"
B=DejaVu-Sans-Bold
id=io.github.virel.Virel
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The controller pad of the window icon, at four times its size.
s=160
convert -size ${s}x${s} xc:none -fill '#2b2d42' -stroke '#0b0c18' -strokewidth 8 \
  -draw "roundrectangle 8,$((s/4)) $((s-12)),$((s*3/4)) $((s/8)),$((s/8))" \
  -fill '#e8e8e8' -stroke none \
  -draw "rectangle $((s*3/16)),$((s/2-s/32-4)) $((s*7/16)),$((s/2+s/32+4))" \
  -draw "rectangle $((s*5/16-s/32-4)),$((s*3/8)) $((s*5/16+s/32+4)),$((s*5/8))" \
  -fill '#e63946' -draw "circle $((s*11/16)),$((s*9/16)) $((s*11/16+s/14+4)),$((s*9/16))" \
  -draw "circle $((s*13/16)),$((s*7/16)) $((s*13/16+s/14+4)),$((s*7/16))" "$tmp/pad.png"

convert -size 256x256 xc:none -fill '#c1121f' -draw 'roundrectangle 4,4 251,251 48,48' \
  -fill '#780000' -draw 'roundrectangle 16,160 239,239 32,32' \
  -font $B -pointsize 176 -fill white -gravity north -annotate +0+0 'V' "$tmp/icon.png"
convert "$tmp/icon.png" "$tmp/pad.png" -gravity south -geometry +0-32 -composite "$tmp/icon.png"

for size in 16 22 24 32 48 64 128 256; do
  mkdir -p ${size}x${size}
  convert "$tmp/icon.png" -filter Lanczos -resize ${size}x${size} -strip ${size}x${size}/$id.png
done
