#!/bin/sh
# Remakes the pictures of the welcome page. Needs ImageMagick.
set -eu
cd "$(dirname "$0")"

# A paper texture tiled behind the topic text, 64 x 64.
convert -size 64x64 xc:'#eef4e6' -seed 11 +noise Gaussian -blur 0x0.6 \
  -fill '#eef4e6' -colorize 60% -type truecolor BMP3:paper.bmp

# The mouse-over buttons' pictures: a house at rest, lit under the pointer,
# pressed in; an arrow the same way. Magenta is the top-left colour the
# button leaves out, so the paper shows around them.
house() {
  convert -size 32x32 xc:magenta +antialias -fill "$1" -stroke "$2" -strokewidth 2 \
    -draw 'polygon 16,4 29,16 25,16 25,28 7,28 7,16 3,16' -fill "$2" -stroke none \
    -draw 'rectangle 14,20 18,28' -type truecolor "BMP3:$3"
}
house '#c8d8f0' '#304870' home.bmp
house '#ffe890' '#806000' homehot.bmp
house '#90a8d0' '#182840' homedown.bmp
arrow() {
  convert -size 32x32 xc:magenta +antialias -fill "$1" -stroke "$2" -strokewidth 2 \
    -draw 'polygon 4,12 16,12 16,5 28,16 16,27 16,20 4,20' -type truecolor "BMP3:$3"
}
arrow '#c8d8f0' '#304870' next.bmp
arrow '#ffe890' '#806000' nexthot.bmp
arrow '#90a8d0' '#182840' nextdown.bmp
