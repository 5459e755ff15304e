#!/usr/bin/python3
"""Write the font of data/font.txt into the GUI bitmap data/vorlugfx.bmp.

Usage: font.py [FONT.txt [GFX.bmp]]   (default: those two in the repo)

The font takes rows 0..63 of the bitmap: 16 cells of 8 x 8 to a row, code c
at x = 8*(c % 16), y = 8*(c // 16). Every cell is drawn anew, a code without
a glyph as background, so a glyph taken out of the text leaves the bitmap
too; the marker and the icon below it stay. The bitmap is 24-bit, as the
editor's graphics are kept; only the standard library is used.
"""

import os
import struct
import sys

# Background and ink, as (red, green, blue): magenta is the colour the
# editor leaves transparent.
COLOURS = {".": (255, 0, 255), "#": (0, 0, 0)}


def read_font(path):
    """The glyphs by character code, each a list of 8 rows of '.' and '#'."""
    glyphs, code = {}, None
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            where = "%s:%d" % (path, number)
            if line.startswith("char "):
                code = int(line.split()[1]) if line.split()[1].isdigit() else -1
                if not 0 <= code < 128 or code in glyphs:
                    raise SystemExit("%s: not a new code from 0 to 127" % where)
                glyphs[code] = []
            elif line and not line.startswith(";"):
                if code is None or len(glyphs[code]) == 8:
                    raise SystemExit("%s: a row outside a glyph" % where)
                if len(line) != 8 or set(line) - set(COLOURS):
                    raise SystemExit("%s: not 8 of '.' and '#'" % where)
                glyphs[code].append(line)
    for code, rows in glyphs.items():
        if len(rows) != 8:
            raise SystemExit("%s: code %d has %d rows, not 8" % (path, code, len(rows)))
    return glyphs


def draw_font(bmp, glyphs):
    """Paint the font area of the BMP held in bmp, a bytearray."""
    if len(bmp) < 54 or bmp[:2] != b"BM":
        raise SystemExit("not a BMP")
    (offset,) = struct.unpack_from("<I", bmp, 10)
    width, height, _, depth, packing = struct.unpack_from("<iiHHI", bmp, 18)
    stride = (width * 3 + 3) & ~3
    if depth != 24 or packing != 0 or width < 128 or abs(height) < 64:
        raise SystemExit("not an uncompressed 24-bit BMP of at least 128 x 64")
    if len(bmp) < offset + stride * abs(height):
        raise SystemExit("the BMP is cut short")
    for y in range(64):
        # Rows are stored bottom up unless the height is negative.
        start = offset + stride * (y if height < 0 else height - 1 - y)
        for x in range(128):
            rows = glyphs.get(16 * (y // 8) + x // 8)
            red, green, blue = COLOURS[rows[y % 8][x % 8] if rows else "."]
            bmp[start + 3 * x : start + 3 * x + 3] = bytes((blue, green, red))


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    paths = argv[1:] or [os.path.join(root, "data", "font.txt")]
    if len(paths) == 1:
        paths.append(os.path.join(root, "data", "vorlugfx.bmp"))
    if len(paths) != 2:
        raise SystemExit("usage: font.py [FONT.txt [GFX.bmp]]")
    glyphs = read_font(paths[0])
    with open(paths[1], "rb") as f:
        bmp = bytearray(f.read())
    draw_font(bmp, glyphs)
    with open(paths[1], "wb") as f:
        f.write(bmp)


if __name__ == "__main__":
    main(sys.argv)
