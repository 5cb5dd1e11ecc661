#!/usr/bin/env python3
"""Writes the clips of the video page: run-length encoded 8-bit AVI files,
small enough to keep beside the topics.
  ball.avi   a ball bouncing once, 96 x 72, 24 frames at 12 a second
  wheel.avi  a wheel turning, 48 x 48, 8 frames at 8 a second (loops)
"""
import math
import struct
import sys
from pathlib import Path

PALETTE = [(255, 248, 224), (224, 128, 32), (128, 64, 0), (160, 160, 160), (48, 48, 48), (192, 48, 48),
           (244, 244, 232)] + [(0, 0, 0)] * 249


def rle8(rows):
    """Rows (bottom-up) of palette indices as one BI_RLE8 picture."""
    out = bytearray()
    for row in rows:
        i = 0
        while i < len(row):
            n = 1
            while i + n < len(row) and row[i + n] == row[i] and n < 255:
                n += 1
            out += bytes((n, row[i]))
            i += n
        out += b"\0\0"   # end of line
    out[-2:] = b"\0\1"   # end of picture
    return bytes(out)


def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def lst(kind, data):
    return chunk(b"LIST", kind + data)


def avi(width, height, fps, frames):
    encoded = [rle8(list(reversed(f))) for f in frames]
    biggest = max(len(e) for e in encoded)
    avih = struct.pack("<10I4I", 1000000 // fps, biggest * fps, 0, 0x10, len(frames), 0, 1, biggest, width, height,
                       0, 0, 0, 0)
    strh = b"vids" + b"mrle" + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, fps, 0, len(frames), biggest,
                                           0xFFFFFFFF, 0, 0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, 0, 2835, 2835, 256, 0)
    strf += b"".join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi, index, offset = b"", b"", 4
    for e in encoded:
        c = chunk(b"00dc", e)
        index += b"00dc" + struct.pack("<III", 0x10, offset, len(e))
        movi += c
        offset += len(c)
    body = b"AVI " + hdrl + lst(b"movi", movi) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def ball_frames(width=96, height=72, count=24):
    frames = []
    for i in range(count):
        y = 58 - 46 * abs(math.sin(i * math.pi / count))
        rows = []
        for py in range(height):
            row = []
            for px in range(width):
                d = math.hypot(px - 48, py - y)
                row.append(2 if 9 <= d < 10.5 else 1 if d < 9 else 3 if py >= 68 else 0)
            rows.append(row)
        frames.append(rows)
    return frames


def wheel_frames(size=48, count=8):
    frames = []
    for i in range(count):
        angle = i * (2 * math.pi / 3) / count   # three spokes: a third of a turn loops
        rows = []
        for py in range(size):
            row = []
            for px in range(size):
                dx, dy = px - 24, py - 24
                d = math.hypot(dx, dy)
                spoke = any(abs(dx * math.sin(angle + k * math.pi / 3) - dy * math.cos(angle + k * math.pi / 3)) < 1.6
                            and dx * math.cos(angle + k * math.pi / 3) + dy * math.sin(angle + k * math.pi / 3) > 0
                            for k in range(0, 6, 2))
                row.append(4 if 19 <= d < 22 else 5 if d < 19 and spoke else 6 if d < 22 else 0)
            rows.append(row)
        frames.append(rows)
    return frames


out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
(out / "ball.avi").write_bytes(avi(96, 72, 12, ball_frames()))
(out / "wheel.avi").write_bytes(avi(48, 48, 8, wheel_frames()))
