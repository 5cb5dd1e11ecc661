#!/usr/bin/env python3
"""Writes the bullet list's bitmaps: bullet.bmp and bullethot.bmp (16 x 24:
the bullet above, its mask below) and scrollup.bmp, scrolldown.bmp (17 x 17,
the scroll buttons a printed list shows). 24-bit, bottom-up. Run it after
changing a picture below; the .bmp files are kept in the tree."""
import struct
import sys
from pathlib import Path

# One character per pixel; ' ' is white (outside the bullet: its mask is
# white there, black everywhere else).
BALL = [
    "   oooo    ",
    "  offffo   ",
    " ofhhfffo  ",
    "ofhhffffdo ",
    "ofhffffffdo",
    "offfffffddo",
    "offfffffddo",
    " offfffddo ",
    " oddffdddo ",
    "  oddddoo  ",
    "   oooo    ",
]
GREY = {"o": 0x505050, "f": 0xA8A8A8, "h": 0xF0F0F0, "d": 0x808080}
RED = {"o": 0x800000, "f": 0xE03020, "h": 0xFFC0B0, "d": 0xB01810}

ARROW = [
    "        #        ",
    "       ###       ",
    "      #####      ",
    "     #######     ",
]


def bmp(width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives 0xRRGGBB, y from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            rgb = pixel(x, y)
            row += bytes((rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16))
        rows.append(bytes(row) + b"\0" * (stride - len(row)))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(data), 0, 0, 14 + len(info)) + info + data


def bullet(colours):
    def pixel(x, y):
        top = y < 12
        row = BALL[y if top else y - 12] if (y if top else y - 12) < len(BALL) else ""
        ch = row[x] if x < len(row) else " "
        if not top:
            return 0xFFFFFF if ch == " " else 0x000000
        return 0xFFFFFF if ch == " " else colours[ch]
    return bmp(16, 24, pixel)


def scroll_button(up):
    def pixel(x, y):
        if x == 16 or y == 16:
            return 0x000000
        if x == 15 or y == 15:
            return 0x808080
        if x == 0 or y == 0:
            return 0xFFFFFF
        ay = (y - 6) if up else (10 - y)
        if 0 <= ay < len(ARROW) and ARROW[ay][x] == "#":
            return 0x000000
        return 0xC0C0C0
    return bmp(17, 17, pixel)


out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
(out / "bullet.bmp").write_bytes(bullet(GREY))
(out / "bullethot.bmp").write_bytes(bullet(RED))
(out / "scrollup.bmp").write_bytes(scroll_button(True))
(out / "scrolldown.bmp").write_bytes(scroll_button(False))
