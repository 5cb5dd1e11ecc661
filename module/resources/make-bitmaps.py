#!/usr/bin/env python3
"""Writes the video bitmaps of the module (24-bit BMP files):
  video-play.bmp  (resource 100, 20 x 60)  the play button of a clip without
                  picture: rows of 20 x 20 for normal, playing, pressed
  video-bar.bmp   (resource 101, 40 x 76)  the control bar's buttons: column 0
                  play, column 1 menu; rows of 19 for normal, pressed,
                  disabled, and the play button while playing
  video-mark.bmp  (resource 102, 8 x 15)   the position mark
  video-drag.bmp  (resource 103, 8 x 15)   the position mark while dragged
"""
import struct
import sys
from pathlib import Path

FACE, LIGHT, SHADOW, DARK, BLACK = (192, 192, 192), (255, 255, 255), (128, 128, 128), (64, 64, 64), (0, 0, 0)
GREEN, BLUE = (0, 128, 0), (0, 0, 160)


class Picture:
    def __init__(self, w, h, colour=FACE):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):   # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def bmp(self):
        row = (self.w * 3 + 3) & ~3
        data = b""
        for y in range(self.h - 1, -1, -1):   # bottom-up
            line = b"".join(bytes((b, g, r)) for (r, g, b) in self.px[y])
            data += line + b"\0" * (row - len(line))
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return b"BM" + struct.pack("<IHHI", 14 + 40 + len(data), 0, 0, 54) + header + data


def button(p, ox, oy, w, h, pressed):
    """A raised (or pressed) button face in the cell at (ox, oy)."""
    p.rect(ox, oy, ox + w - 1, oy + h - 1, FACE)
    tl, br = (SHADOW, LIGHT) if pressed else (LIGHT, DARK)
    p.rect(ox, oy, ox + w - 1, oy, tl)
    p.rect(ox, oy, ox, oy + h - 1, tl)
    p.rect(ox, oy + h - 1, ox + w - 1, oy + h - 1, br)
    p.rect(ox + w - 1, oy, ox + w - 1, oy + h - 1, br)
    if not pressed:
        p.rect(ox + 1, oy + h - 2, ox + w - 2, oy + h - 2, SHADOW)
        p.rect(ox + w - 2, oy + 1, ox + w - 2, oy + h - 2, SHADOW)


def play(p, cx, cy, c):
    """A triangle pointing right, 5 wide, 9 high, centred on (cx, cy)."""
    for i in range(5):
        p.rect(cx - 2 + i, cy - 4 + i, cx - 2 + i, cy + 4 - i, c)


def stop(p, cx, cy, c):
    p.rect(cx - 3, cy - 3, cx + 3, cy + 3, c)


def menu(p, cx, cy, c):
    """A small triangle pointing down."""
    for i in range(4):
        p.rect(cx - 3 + i, cy - 1 + i, cx + 3 - i, cy - 1 + i, c)


def disabled(p, glyph, cx, cy):
    glyph(p, cx + 1, cy + 1, LIGHT)
    glyph(p, cx, cy, SHADOW)


def main(out):
    # Resource 100: normal, playing, pressed; 20 x 20 each.
    p = Picture(20, 60)
    button(p, 0, 0, 20, 20, False)
    play(p, 9, 9, BLACK)
    button(p, 0, 20, 20, 20, False)
    stop(p, 9, 29, GREEN)
    button(p, 0, 40, 20, 20, True)
    play(p, 10, 50, BLACK)
    (out / "video-play.bmp").write_bytes(p.bmp())

    # Resource 101: columns play and menu; rows normal, pressed, disabled, playing.
    p = Picture(40, 76)
    for col, glyph in ((0, play), (1, menu)):
        ox = col * 20
        button(p, ox, 0, 20, 19, False)
        glyph(p, ox + 9, 9, BLACK)
        button(p, ox, 19, 20, 19, True)
        glyph(p, ox + 10, 29, BLACK)
        button(p, ox, 38, 20, 19, False)
        disabled(p, glyph, ox + 9, 47)
        button(p, ox, 57, 20, 19, False)
        (stop if col == 0 else glyph)(p, ox + 9, 66, GREEN if col == 0 else BLACK)
    (out / "video-bar.bmp").write_bytes(p.bmp())

    # Resources 102 and 103: the mark, a thumb with a point at the bottom.
    for name, face in (("video-mark.bmp", FACE), ("video-drag.bmp", BLUE)):
        p = Picture(8, 15, FACE)
        p.rect(0, 0, 7, 10, face)
        p.rect(0, 0, 7, 0, LIGHT)
        p.rect(0, 0, 0, 10, LIGHT)
        p.rect(7, 0, 7, 10, BLACK)
        for i in range(4):
            p.rect(i, 11 + i, 7 - i, 11 + i, BLACK if i == 3 else face)
            p.put(i, 11 + i, LIGHT)
            p.put(7 - i, 11 + i, BLACK)
        (out / name).write_bytes(p.bmp())


main(Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent)
