#!/usr/bin/env bash
# Draws the dialogs' artwork with ImageMagick: the controller drawing of the
# settings dialog's controller pages (its buttons sit where the dialog lays
# its clickable shapes) and the cartridge picture of the ROM information
# dialog. The pictures are committed; run this only to redraw them.
set -euo pipefail
cd "$(dirname "$0")"
B=DejaVu-Sans-Bold

# Controller, 320 x 140: grey body with a dark face plate, the cross on the
# left, Select and Start in the middle, B and A on the right.
convert -size 320x140 xc:'#f0f0f0' \
  -fill '#c9c9c9' -stroke '#5a5a5a' -strokewidth 2 -draw 'roundrectangle 4,8 315,131 16,16' \
  -fill '#2f2f33' -stroke none -draw 'roundrectangle 14,30 305,121 8,8' \
  -fill '#b3b3b3' -draw 'rectangle 110,30 210,121' \
  -fill '#8c1c13' -font $B -pointsize 11 -draw "text 20,24 'VIREL'" \
  -fill '#1b1b1e' -stroke '#6b6b6b' -strokewidth 1 \
  -draw 'rectangle 54,46 70,98' -draw 'rectangle 36,64 88,80' \
  -fill '#dcdcdc' -stroke '#8a8a8a' -draw 'roundrectangle 120,74 206,106 12,12' \
  -fill '#1b1b1e' -stroke none -draw 'roundrectangle 129,85 155,95 4,4' -draw 'roundrectangle 169,85 195,95 4,4' \
  -fill '#dcdcdc' -draw 'roundrectangle 220,60 294,102 10,10' \
  -fill '#c1121f' -stroke '#5c0a0f' -draw 'circle 239,81 251,81' -draw 'circle 275,81 287,81' \
  -quality 92 controller.jpg

# Cartridge, 48 x 48: a grey game pak with a label and contacts.
convert -size 48x48 xc:white \
  -fill '#8d99ae' -stroke '#2b2d42' -strokewidth 1 -draw 'polygon 6,4 42,4 42,40 38,44 10,44 6,40' \
  -fill '#edf2f4' -stroke none -draw 'rectangle 11,9 37,27' \
  -fill '#d90429' -draw 'rectangle 13,11 35,17' \
  -fill '#2b2d42' -draw 'rectangle 13,20 35,21' -draw 'rectangle 13,23 29,24' \
  -fill '#e0a100' -draw 'rectangle 12,36 36,42' \
  -fill '#8d99ae' -draw 'line 15,36 15,42' -draw 'line 19,36 19,42' -draw 'line 23,36 23,42' \
  -draw 'line 27,36 27,42' -draw 'line 31,36 31,42' cartridge.png
