#!/usr/bin/env bash
# Draws Virel's artwork with ImageMagick: the window icon, the menu and
# toolbar images, the idle-screen logo, the About picture and the four status
# icons. The pictures are committed; run this only to redraw them.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p menu status
B=DejaVu-Sans-Bold

# A small controller pad: body, cross, two round buttons.
pad() {  # size output
  local s=$1 out=$2
  convert -size ${s}x${s} xc:none -fill '#2b2d42' -stroke '#0b0c18' -strokewidth 2 \
    -draw "roundrectangle 2,$((s/4)) $((s-3)),$((s*3/4)) $((s/8)),$((s/8))" \
    -fill '#e8e8e8' -stroke none \
    -draw "rectangle $((s*3/16)),$((s/2-s/32-1)) $((s*7/16)),$((s/2+s/32+1))" \
    -draw "rectangle $((s*5/16-s/32-1)),$((s*3/8)) $((s*5/16+s/32+1)),$((s*5/8))" \
    -fill '#e63946' -draw "circle $((s*11/16)),$((s*9/16)) $((s*11/16+s/14+1)),$((s*9/16))" \
    -draw "circle $((s*13/16)),$((s*7/16)) $((s*13/16+s/14+1)),$((s*7/16))" "$out"
}

# Window icon: a red rounded tile with a white "V" over a pad.
convert -size 64x64 xc:none -fill '#c1121f' -draw 'roundrectangle 1,1 62,62 12,12' \
  -fill '#780000' -draw 'roundrectangle 4,40 59,59 8,8' \
  -font $B -pointsize 44 -fill white -gravity north -annotate +0+0 'V' icon.png
pad 40 /tmp/virel-pad.png
convert icon.png /tmp/virel-pad.png -gravity south -geometry +0-8 -composite icon.png

# Idle-screen logo, 256 x 240: night-blue gradient, scan lines, title, pad.
convert -size 256x240 gradient:'#0d1b2a'-'#1b263b' \
  \( -size 256x240 pattern:horizontal2 -fill '#00000030' -opaque black -transparent white \) -composite \
  -fill '#415a77' -draw 'rectangle 0,150 256,152' \
  -font $B -pointsize 58 -fill '#780000' -gravity north -annotate +3+43 'VIREL' \
  -fill '#e63946' -annotate +0+40 'VIREL' \
  -font DejaVu-Sans -pointsize 13 -fill '#e0e1dd' -annotate +0+108 'Emulador de NES / Famicom' \
  /tmp/virel-logo.png
pad 72 /tmp/virel-pad72.png
convert /tmp/virel-logo.png /tmp/virel-pad72.png -gravity south -geometry +0+22 -composite \
  -quality 92 logo.jpg

# About picture, 223 x 150: the logo's title on a smaller card.
convert -size 223x150 gradient:'#1b263b'-'#0d1b2a' \
  -font $B -pointsize 44 -fill '#780000' -gravity north -annotate +2+14 'VIREL' \
  -fill '#e63946' -annotate +0+12 'VIREL' /tmp/virel-about.png
pad 56 /tmp/virel-pad56.png
convert /tmp/virel-about.png /tmp/virel-pad56.png -gravity south -geometry +0+10 -composite -quality 92 about.jpg

# Menu and toolbar images, 20 x 20.
m() { convert -size 20x20 xc:none "$@"; }
m -fill '#f4a261' -stroke '#8a4f14' -draw 'polygon 1,6 7,6 9,8 18,8 18,17 1,17' \
  -fill '#ffd29d' -draw 'polygon 3,10 19,10 17,17 1,17' menu/load.png
m -fill '#457b9d' -stroke '#1d3557' -draw 'polygon 10,2 18,11 2,11' -draw 'rectangle 2,14 18,17' menu/unload.png
m -fill '#adb5bd' -stroke '#343a40' -draw 'roundrectangle 1,5 18,17 2,2' -draw 'rectangle 6,2 12,5' \
  -fill '#1d3557' -draw 'circle 10,11 13,11' menu/snapshot.png
m -fill none -stroke '#343a40' -strokewidth 2 -draw 'circle 8,8 13,8' -draw 'line 12,12 18,18' menu/find.png
m -fill '#6c757d' -stroke '#343a40' -draw 'circle 10,10 17,10' -fill '#dee2e6' -draw 'circle 10,10 13,10' \
  -fill '#6c757d' -stroke none -draw 'rectangle 8,0 12,4' -draw 'rectangle 8,16 12,19' \
  -draw 'rectangle 0,8 4,12' -draw 'rectangle 16,8 19,12' menu/settings.png
m -fill '#1d3557' -draw 'circle 10,10 19,10' -fill white -draw 'rectangle 9,8 11,15' -draw 'rectangle 9,4 11,6' menu/info.png
m -fill '#adb5bd' -stroke '#343a40' -draw 'rectangle 2,2 12,18' -fill '#e63946' -stroke none \
  -draw 'polygon 9,10 15,5 15,8 19,8 19,12 15,12 15,15' menu/exit.png
m -fill '#ffb703' -stroke '#b36b00' -draw 'polygon 10,1 12,7 19,7 13,11 16,18 10,14 4,18 7,11 1,7 8,7' menu/favourite.png
m -fill none -stroke '#1d3557' -strokewidth 2 -draw 'polyline 2,7 2,2 7,2' -draw 'polyline 13,2 18,2 18,7' \
  -draw 'polyline 18,13 18,18 13,18' -draw 'polyline 7,18 2,18 2,13' menu/fullscreen.png
m -fill '#343a40' -draw 'polygon 2,7 6,7 11,2 11,18 6,13 2,13' -fill none -stroke '#2a9d8f' -strokewidth 2 \
  -draw 'arc 9,5 17,15 -60,60' menu/sound.png
m -fill none -stroke '#2a9d8f' -strokewidth 3 -draw 'arc 3,3 17,17 40,330' -fill '#2a9d8f' -stroke none \
  -draw 'polygon 12,1 19,5 12,9' menu/reset.png
m -fill '#1d3557' -draw 'rectangle 4,3 8,17' -draw 'rectangle 12,3 16,17' menu/pause.png
m -fill '#6a994e' -stroke '#386641' -draw 'ellipse 10,11 5,7 0,360' -draw 'line 2,6 6,8' -draw 'line 18,6 14,8' \
  -draw 'line 1,12 5,12' -draw 'line 19,12 15,12' -draw 'line 2,18 6,15' -draw 'line 18,18 14,15' menu/debug.png
m -fill '#1d3557' -draw 'circle 10,10 19,10' -font $B -pointsize 14 -fill white -gravity center -annotate +0+0 '?' menu/about.png
m -fill '#2b2d42' -stroke '#0b0c18' -draw 'roundrectangle 1,5 18,15 3,3' -stroke none -fill '#e8e8e8' \
  -draw 'rectangle 3,9 8,10' -draw 'rectangle 5,7 6,12' -fill '#e63946' -draw 'circle 13,11 14.5,11' \
  -draw 'circle 16,8 17.5,8' menu/joystick.png
# "Habilita Som" off: the speaker greyed, no waves, a red cross where they were;
# "Rodar": a play triangle in the pause picture's colour.
m -fill '#868e96' -draw 'polygon 2,7 6,7 11,2 11,18 6,13 2,13' -fill none -stroke '#d62828' -strokewidth 2 \
  -draw 'line 13,7 19,13' -draw 'line 19,7 13,13' menu/sound-off.png
m -fill '#1d3557' -draw 'polygon 5,3 17,10 5,17' menu/run.png

# Status icons, 16 x 16: a screen (picture shown through the display or not)
# and a speaker (sound on or off); the "No" forms carry a red cross.
convert -size 16x16 xc:none -fill '#1d3557' -draw 'rectangle 1,2 14,11' -fill '#8ecae6' -draw 'rectangle 3,4 12,9' \
  -fill '#1d3557' -draw 'rectangle 6,12 9,13' -draw 'rectangle 4,14 11,15' status/DirectX.png
convert -size 16x16 xc:none -fill '#343a40' -draw 'polygon 1,5 4,5 8,1 8,14 4,10 1,10' -fill none \
  -stroke '#2a9d8f' -strokewidth 1.5 -draw 'arc 6,3 13,12 -60,60' -draw 'arc 6,0 16,15 -55,55' status/Audio.png
cross=(-stroke '#d62828' -strokewidth 1.6 -draw 'line 3,3 13,13' -draw 'line 13,3 3,13')
convert status/DirectX.png -modulate 110,35 "${cross[@]}" status/NoDirectX.png
convert status/Audio.png -modulate 110,35 "${cross[@]}" status/NoAudio.png
rm -f /tmp/virel-*.png
