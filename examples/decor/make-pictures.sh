#!/bin/sh
# Remakes the pictures of the decoration page and decor.hlp, the help file
# that holds them for zylhost (the module reads pictures from inside the
# help file). Needs ImageMagick (convert) and zylpack; point ZYLPACK at
# zylpack if it is not in build/native/bin.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
zylpack=${ZYLPACK:-$here/../../build/native/bin/zylpack}

# A paper texture to tile: light, with faint fibres, 64 x 64.
convert -size 64x64 xc:'#f6f0e2' -seed 7 +noise Gaussian -blur 0x0.6 \
  -fill '#f6f0e2' -colorize 60% -type truecolor BMP3:paper.bmp

# A logo for the bottom-right corner: a seal on magenta, which the
# transparent flag (0x80) leaves out as the top-left pixel's colour.
convert -size 96x96 xc:magenta +antialias -fill '#3060a0' -stroke '#183050' -strokewidth 3 \
  -draw 'circle 48,48 48,6' -fill '#f0f4ff' -stroke none \
  -draw 'polygon 48,18 56,40 78,40 60,54 67,76 48,62 29,76 36,54 18,40 40,40' -type truecolor BMP3:logo.bmp

# A frame for popups, cut into 3 x 3 cells of 6 x 6: corners with a dot,
# edges with a double line, a plain centre whose colour is left out with
# the transparent flag.
convert -size 18x18 xc:'#fffdf4' +antialias -fill none -stroke '#806030' \
  -draw 'rectangle 0,0 17,17' -draw 'rectangle 3,3 14,14' -stroke none -fill '#c09040' \
  -draw 'rectangle 0,0 3,3' -draw 'rectangle 14,0 17,3' -draw 'rectangle 0,14 3,17' \
  -draw 'rectangle 14,14 17,17' -type truecolor BMP3:frame.bmp

rm -f decor.hlp
"$zylpack" create decor.hlp paper.bmp logo.bmp frame.bmp
