#!/bin/sh
# Remakes the pictures of this page and pictures.hlp, the help file that
# holds them (the module reads pictures from inside the help file).
# Needs ImageMagick (convert, montage), python3 and zylpack; point ZYLPACK
# at zylpack if it is not in build/native/bin.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
zylpack=${ZYLPACK:-$here/../../build/native/bin/zylpack}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A still bitmap: a sun over a sky.
convert -size 120x80 gradient:'#dfefff'-'#5f8fcf' -fill '#ffd040' -stroke '#a07000' \
  -draw 'circle 60,44 60,22' -type palette BMP3:still.bmp

# A frame grid for the movie control: 4 x 2 cells of 48 x 48, a hand going round.
for i in 0 1 2 3 4 5 6 7; do
  x=$(python3 -c "import math; print(round(24 + 18 * math.sin($i * math.pi / 4)))")
  y=$(python3 -c "import math; print(round(24 - 18 * math.cos($i * math.pi / 4)))")
  convert -size 48x48 xc:white -stroke '#303030' -strokewidth 2 -fill '#f4f4e8' -draw 'circle 24,24 24,3' \
    -stroke '#c03030' -strokewidth 3 -draw "line 24,24 $x,$y" "$tmp/cell$i.png"
done
montage "$tmp"/cell0.png "$tmp"/cell1.png "$tmp"/cell2.png "$tmp"/cell3.png \
  "$tmp"/cell4.png "$tmp"/cell5.png "$tmp"/cell6.png "$tmp"/cell7.png \
  -tile 4x2 -geometry +0+0 -background white miff:- | convert - -type palette BMP3:grid.bmp

# An animated GIF: a ball bouncing, 10 frames at 80 ms, looping.
frames=""
for i in 0 1 2 3 4 5 6 7 8 9; do
  y=$(python3 -c "import math; print(round(48 - 38 * abs(math.sin($i * math.pi / 10))))")
  convert -size 64x64 xc:'#fff8e0' -fill '#e08020' -stroke '#804000' -draw "circle 32,$y 32,$((y - 10))" \
    -fill '#a0a0a0' -stroke none -draw 'rectangle 0,60 63,63' "$tmp/ball$i.gif"
  frames="$frames $tmp/ball$i.gif"
done
# shellcheck disable=SC2086
convert -delay 8 -loop 0 $frames anim.gif

# A transparent GIF: a green leaf; everything magenta is transparent.
convert -size 72x72 xc:magenta -fill '#30a040' -stroke '#105020' -strokewidth 2 \
  -draw 'ellipse 36,36 30,16 0,360' -stroke '#105020' -draw 'line 8,36 66,36' \
  -transparent magenta trans.gif

# A GIF with hot spots: a red and a blue area; a click on either shows the
# topic with number 301 or 302 as a popup.
convert -size 160x60 xc:'#f0f0f0' -fill '#d04040' -draw 'roundrectangle 4,4 76,55 8,8' \
  -fill '#4060d0' -draw 'roundrectangle 84,4 155,55 8,8' "$tmp/hot0.gif"
python3 - "$tmp/hot0.gif" hot.gif <<'PY'
import struct, sys
gif = open(sys.argv[1], 'rb').read()
at = 13 + (3 << ((gif[10] & 7) + 1) if gif[10] & 0x80 else 0)
# Each hot spot: left, top, right, bottom (16-bit, right and bottom
# exclusive) and the popup topic's context number (32-bit).
spots = struct.pack('<4hI', 4, 4, 77, 56, 301) + struct.pack('<4hI', 84, 4, 156, 56, 302)
ext = b'\x21\xff\x0bMOTHWING1.0' + bytes([len(spots)]) + spots + b'\x00'
open(sys.argv[2], 'wb').write(gif[:at] + ext + gif[at:])
PY

# A pattern to tile behind the topic text: small dots on magenta, which
# the transparent flag (0x80) leaves out, so the region's colour shows
# between them.
convert -size 24x24 xc:magenta +antialias -fill '#c8dcc0' -draw 'circle 6,6 6,3' \
  -draw 'circle 18,18 18,15' -type truecolor BMP3:dots.bmp

rm -f pictures.hlp
"$zylpack" create pictures.hlp still.bmp grid.bmp anim.gif trans.gif hot.gif dots.bmp
