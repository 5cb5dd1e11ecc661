#!/usr/bin/env python3
"""Writes the 1-bit bitmaps of formbitmaps.txt (a printed form field's arrows)."""
import struct
import sys
from pathlib import Path

here = Path(__file__).resolve().parent
out_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else here
pictures = []
for line in (here / "formbitmaps.txt").read_text().splitlines():
    if line.startswith("# "):
        continue
    if line.startswith("bitmap "):
        name, w, h = line.split()[1:4]
        pictures.append((name, int(w), int(h), []))
    elif pictures:
        pictures[-1][3].append(line)

for name, w, h, rows in pictures:
    stride = ((w + 31) // 32) * 4
    bits = bytearray(b"\xff" * (stride * h))  # 1 = white
    for y, line in enumerate(rows[:h]):
        dib_row = h - 1 - y  # bottom-up
        for x, ch in enumerate(line[:w]):
            if ch == "#":
                bits[dib_row * stride + x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 1, 0, len(bits), 0, 0, 2, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    (out_dir / name).write_bytes(header + info + palette + bytes(bits))
