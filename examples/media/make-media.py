#!/usr/bin/env python3
"""Writes the media example's data files beside this script:

  chime.wav    a short two-note chime (8-bit mono, 11025 Hz)
  splash.bmp   the splash picture (8-bit, 320 x 160)
  zylpixel.ttf a small TrueType font, "Zyl Pixel": capital letters, digits
               and a few signs drawn on a 5 x 7 grid (small letters show as
               capitals), so that no machine has it installed already
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def chime():
    rate = 11025
    samples = bytearray()
    for freq, length in ((880, 0.18), (1320, 0.32)):
        n = int(rate * length)
        for i in range(n):
            fade = 1.0 - i / n
            samples.append(int(128 + 90 * fade * math.sin(2 * math.pi * freq * i / rate)))
    fmt = struct.pack('<HHIIHH', 1, 1, rate, rate, 1, 8)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(samples)) + samples
    return b'RIFF' + struct.pack('<I', len(body)) + body


def splash():
    """An 8-bit picture: a white frame, blue stripes, an orange chequer."""
    w, h = 320, 160
    palette = [(250, 250, 250), (40, 90, 170), (60, 120, 200), (255, 200, 40), (240, 150, 20)]
    rows = []
    for y in range(h - 1, -1, -1):   # bottom-up
        row = bytearray()
        for x in range(w):
            if x < 6 or y < 6 or x >= w - 6 or y >= h - 6:
                index = 0
            elif 40 <= y < 120 and 60 <= x < 260:
                index = 3 if (x // 20 + y // 20) % 2 else 4
            else:
                index = 1 if (x + y) // 16 % 2 == 0 else 2
            row.append(index)
        row += b'\0' * ((4 - len(row) % 4) % 4)
        rows.append(row)
    bits = b''.join(rows)
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(bits), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(colours)
    head = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    return head + info + colours + bits


# 5 x 7 glyphs, top row first; '#' is ink.
GLYPHS = {
    'A': ' ### ,#   #,#   #,#####,#   #,#   #,#   #', 'B': '#### ,#   #,#   #,#### ,#   #,#   #,#### ',
    'C': ' ### ,#   #,#    ,#    ,#    ,#   #, ### ', 'D': '#### ,#   #,#   #,#   #,#   #,#   #,#### ',
    'E': '#####,#    ,#    ,#### ,#    ,#    ,#####', 'F': '#####,#    ,#    ,#### ,#    ,#    ,#    ',
    'G': ' ### ,#   #,#    ,# ###,#   #,#   #, ####', 'H': '#   #,#   #,#   #,#####,#   #,#   #,#   #',
    'I': ' ### ,  #  ,  #  ,  #  ,  #  ,  #  , ### ', 'J': '  ###,   # ,   # ,   # ,#  # ,#  # , ##  ',
    'K': '#   #,#  # ,# #  ,##   ,# #  ,#  # ,#   #', 'L': '#    ,#    ,#    ,#    ,#    ,#    ,#####',
    'M': '#   #,## ##,# # #,# # #,#   #,#   #,#   #', 'N': '#   #,##  #,# # #,#  ##,#   #,#   #,#   #',
    'O': ' ### ,#   #,#   #,#   #,#   #,#   #, ### ', 'P': '#### ,#   #,#   #,#### ,#    ,#    ,#    ',
    'Q': ' ### ,#   #,#   #,#   #,# # #,#  # , ## #', 'R': '#### ,#   #,#   #,#### ,# #  ,#  # ,#   #',
    'S': ' ####,#    ,#    , ### ,    #,    #,#### ', 'T': '#####,  #  ,  #  ,  #  ,  #  ,  #  ,  #  ',
    'U': '#   #,#   #,#   #,#   #,#   #,#   #, ### ', 'V': '#   #,#   #,#   #,#   #,#   #, # # ,  #  ',
    'W': '#   #,#   #,#   #,# # #,# # #,# # #, # # ', 'X': '#   #,#   #, # # ,  #  , # # ,#   #,#   #',
    'Y': '#   #,#   #, # # ,  #  ,  #  ,  #  ,  #  ', 'Z': '#####,    #,   # ,  #  , #   ,#    ,#####',
    '0': ' ### ,#   #,#  ##,# # #,##  #,#   #, ### ', '1': '  #  , ##  ,  #  ,  #  ,  #  ,  #  , ### ',
    '2': ' ### ,#   #,    #,   # ,  #  , #   ,#####', '3': '#####,   # ,  #  ,   # ,    #,#   #, ### ',
    '4': '   # ,  ## , # # ,#  # ,#####,   # ,   # ', '5': '#####,#    ,#### ,    #,    #,#   #, ### ',
    '6': '  ## , #   ,#    ,#### ,#   #,#   #, ### ', '7': '#####,    #,   # ,  #  , #   , #   , #   ',
    '8': ' ### ,#   #,#   #, ### ,#   #,#   #, ### ', '9': ' ### ,#   #,#   #, ####,    #,   # , ##  ',
    '.': '     ,     ,     ,     ,     , ##  , ##  ', ',': '     ,     ,     ,     , ##  ,  #  , #   ',
    '!': '  #  ,  #  ,  #  ,  #  ,  #  ,     ,  #  ', '?': ' ### ,#   #,    #,   # ,  #  ,     ,  #  ',
    '-': '     ,     ,     ,#####,     ,     ,     ', "'": '  #  ,  #  , #   ,     ,     ,     ,     ',
    ':': '     , ##  , ##  ,     , ##  , ##  ,     ', ' ': '     ,     ,     ,     ,     ,     ,     ',
}
CELL = 100           # font units per grid square
ADVANCE = 6 * CELL   # five squares and one of space
EM = 1000


def glyph_outline(rows):
    """Contours (clockwise rectangles, one per run of ink in a row)."""
    contours = []
    for r, line in enumerate(rows):
        y1 = (7 - r) * CELL
        y0 = y1 - CELL
        x = 0
        while x < 5:
            if line[x] != '#':
                x += 1
                continue
            start = x
            while x < 5 and line[x] == '#':
                x += 1
            x0, x1 = start * CELL + CELL // 2, x * CELL + CELL // 2
            contours.append([(x0, y0), (x0, y1), (x1, y1), (x1, y0)])
    return contours


def simple_glyph(contours):
    if not contours:
        return b''
    points = [p for c in contours for p in c]
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    out = struct.pack('>hhhhh', len(contours), min(xs), min(ys), max(xs), max(ys))
    end = -1
    for c in contours:
        end += len(c)
        out += struct.pack('>H', end)
    out += struct.pack('>H', 0)              # no instructions
    out += bytes([1] * len(points))          # on-curve, 16-bit deltas
    px = py = 0
    dx, dy = b'', b''
    for x, y in points:
        dx += struct.pack('>h', x - px)
        dy += struct.pack('>h', y - py)
        px, py = x, y
    return out + dx + dy


def name_table(names):
    records, strings = b'', b''
    for name_id, text in names:
        data = text.encode('utf-16-be')
        records += struct.pack('>HHHHHH', 3, 1, 0x409, name_id, len(data), len(strings))
        strings += data
    return struct.pack('>HHH', 0, len(names), 6 + len(records)) + records + strings


def cmap_table(char_to_glyph):
    codes = sorted(char_to_glyph)
    segments = [(c, c, char_to_glyph[c] - c) for c in codes] + [(0xFFFF, 0xFFFF, 1)]
    n = len(segments)
    search = 2 ** int(math.log2(n)) * 2
    sub = struct.pack('>HHHHHHH', 4, 0, 0, n * 2, search, int(math.log2(search // 2)), n * 2 - search)
    sub += b''.join(struct.pack('>H', s[1]) for s in segments) + b'\0\0'
    sub += b''.join(struct.pack('>H', s[0]) for s in segments)
    sub += b''.join(struct.pack('>h', ((s[2] + 0x8000) & 0xFFFF) - 0x8000) for s in segments)
    sub += b'\0\0' * n
    sub = sub[:2] + struct.pack('>H', len(sub)) + sub[4:]
    return struct.pack('>HHHHI', 0, 1, 3, 1, 12) + sub


def checksum(data):
    data += b'\0' * ((4 - len(data) % 4) % 4)
    return sum(struct.unpack('>%dI' % (len(data) // 4), data)) & 0xFFFFFFFF


def font():
    family = 'Zyl Pixel'
    chars = sorted(GLYPHS)
    outlines = [[[(50, 0), (50, 700), (550, 700), (550, 0)]]]   # .notdef: a box
    outlines += [glyph_outline(GLYPHS[c].split(',')) for c in chars]
    char_to_glyph = {ord(c): i + 1 for i, c in enumerate(chars)}
    for c in chars:
        if c.isalpha():
            char_to_glyph[ord(c.lower())] = char_to_glyph[ord(c)]
    glyf, loca = b'', []
    for contours in outlines:
        loca.append(len(glyf))
        g = simple_glyph(contours)
        glyf += g + b'\0' * ((4 - len(g) % 4) % 4)
    loca.append(len(glyf))
    n = len(outlines)
    max_points = max(sum(len(c) for c in o) for o in outlines)
    max_contours = max(len(o) for o in outlines)
    ascent, descent = 800, 200
    tables = {
        b'head': struct.pack('>IIIIHHqqhhhhHHhhh', 0x10000, 0x10000, 0, 0x5F0F3CF5, 0x000B, EM, 0, 0,
                             0, -CELL, ADVANCE, 7 * CELL, 0, 8, 2, 1, 0),
        b'hhea': struct.pack('>IhhhHhhhhhhhhhhhH', 0x10000, ascent, -descent, 0, ADVANCE, 0, 0, 5 * CELL + CELL // 2,
                             1, 0, 0, 0, 0, 0, 0, 0, n),
        b'maxp': struct.pack('>IHHHHHHHHHHHHHH', 0x10000, n, max_points, max_contours, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0),
        b'OS/2': struct.pack('>HhHHHhhhhhhhhhhh10sIIII4sHHHhhhHHIIhhHHH', 3, ADVANCE, 400, 5, 0,
                             300, 300, 0, 75, 300, 300, 0, 350, 50, 300, 0, bytes(10), 1, 0, 0, 0, b'ZYL ',
                             0x40, 0x20, 0x7A, ascent, -descent, 0, ascent, descent, 1, 0, 5 * CELL, 7 * CELL,
                             0, 0x20, 1),
        b'hmtx': b''.join(struct.pack('>Hh', ADVANCE, CELL // 2) for _ in range(n)),
        b'loca': b''.join(struct.pack('>I', o) for o in loca),
        b'glyf': glyf,
        b'cmap': cmap_table(char_to_glyph),
        b'name': name_table([(1, family), (2, 'Regular'), (3, family + ' 1.0'), (4, family), (5, 'Version 1.0'),
                             (6, 'ZylPixel')]),
        b'post': struct.pack('>IIhhIIIII', 0x30000, 0, -150, 50, 1, 0, 0, 0, 0),
    }
    tags = sorted(tables)
    count = len(tags)
    search = 2 ** int(math.log2(count)) * 16
    out = struct.pack('>IHHHH', 0x10000, count, search, int(math.log2(search // 16)), count * 16 - search)
    offset = 12 + 16 * count
    directory, body = b'', b''
    for tag in tags:
        data = tables[tag]
        directory += struct.pack('>4sIII', tag, checksum(data), offset + len(body), len(data))
        body += data + b'\0' * ((4 - len(data) % 4) % 4)
    whole = bytearray(out + directory + body)
    head_at = offset + body.index(tables[b'head'])
    struct.pack_into('>I', whole, head_at + 8, (0xB1B0AFBA - checksum(bytes(whole))) & 0xFFFFFFFF)
    return bytes(whole)


for name, data in (('chime.wav', chime()), ('splash.bmp', splash()), ('zylpixel.ttf', font())):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)
    print(name, len(data))
