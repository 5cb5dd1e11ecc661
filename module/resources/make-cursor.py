#!/usr/bin/env python3
"""Writes hand.cur (a 32 x 32 monochrome cursor) from the picture in hand.txt."""
import struct
import sys
from pathlib import Path

here = Path(__file__).resolve().parent
lines = (here / "hand.txt").read_text().splitlines()
hot = next(l for l in lines if l.startswith("hotspot"))
hx, hy = (int(v) for v in hot.split()[1:3])
rows = [l for l in lines if not l.startswith("# ") and not l.startswith("hotspot")]
rows = (rows + [""] * 32)[:32]

xor = bytearray(32 * 4)   # 1 = white
andm = bytearray(b"\xff" * (32 * 4))  # 1 = transparent
for y, line in enumerate(rows):
    dib_row = 31 - y  # bottom-up
    for x, ch in enumerate(line[:32]):
        byte, bit = dib_row * 4 + x // 8, 0x80 >> (x % 8)
        if ch in "#.":
            andm[byte] &= ~bit & 0xFF
        if ch == ".":
            xor[byte] |= bit

header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
palette = struct.pack("<II", 0x000000, 0xFFFFFF)
image = header + palette + bytes(xor) + bytes(andm)
icondir = struct.pack("<HHH", 0, 2, 1)
entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hx, hy, len(image), 6 + 16)
out = Path(sys.argv[1]) if len(sys.argv) > 1 else here / "hand.cur"
out.write_bytes(icondir + entry + image)
