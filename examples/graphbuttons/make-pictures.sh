#!/bin/sh
# Remakes the pictures of the graphic button page. Needs ImageMagick.
set -eu
cd "$(dirname "$0")"

# An arrow on pale green: the green is left out when the button draws it
# transparent (option 2000), and shows when it does not.
convert -size 24x24 xc:'#c8ecc8' -fill '#2060c0' -stroke '#103060' \
  -draw 'polygon 3,9 13,9 13,3 21,12 13,21 13,15 3,15' -type truecolor BMP3:arrow.bmp

# A star, its background transparent in the GIF and drawn transparent.
convert -size 32x32 xc:'#ff00ff' +antialias -fill '#f0c020' -stroke '#906000' \
  -draw 'polygon 16,2 20,12 30,12 22,19 25,29 16,23 7,29 10,19 2,12 12,12' \
  -transparent '#ff00ff' star.gif

# The contents button: a closed book, and the open book shown while pressed.
convert -size 32x28 xc:'#ff00ff' +antialias -fill '#a02020' -stroke '#501010' -draw 'rectangle 6,3 25,24' \
  -fill '#f0e8d0' -stroke none -draw 'rectangle 8,22 24,23' -type truecolor BMP3:book.bmp
convert -size 32x28 xc:'#ff00ff' +antialias -fill '#f8f4e8' -stroke '#505050' \
  -draw 'polygon 2,6 15,4 15,24 2,26' -draw 'polygon 17,4 30,6 30,26 17,24' \
  -stroke '#909090' -draw 'line 5,10 12,9' -draw 'line 5,14 12,13' -draw 'line 20,9 27,10' \
  -draw 'line 20,13 27,14' -type truecolor BMP3:bookopen.bmp
