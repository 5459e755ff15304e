#!/usr/bin/python3
"""Draw vorludit's demo tile sheet (data/demo/1TIL0000.bmp).

The sheet is a 4-bit, 16-colour BMP of 208x848 pixels: 13 columns by 53
rows of 16x16 tiles.  Everything on it is drawn here, procedurally, so the
demo ships with art that belongs to the project.

Usage: mkdemo.py [OUT.bmp]   (default: data/demo/1TIL0000.bmp in the repo)

Only the standard library is used and every random choice comes from a
seeded random.Random, so the output is the same bytes on every run.

Tile rows, top to bottom:

   0      grass and dirt ground
   1- 2   pick-ups and props (chest, door, key, coin, gems, potions, ...)
   3- 5   trees, a house, bark, leaves, fences and plants
   6- 8   water, waterfalls, and a sand/water shore set
   9-16   brick walls in eight materials
  17-20   cobbles, slabs and rock in four materials
  21-23   wood in three shades
  24-26   desert, and sand/grass and dirt/grass path sets
  27-28   lava and a rock/lava set
  29-31   snow, ice, and ice bricks
  32-35   caves, dungeon fittings, pipes and an indoor set
  36-38   a 2x-size font: 0-9, A-Z, ! ? .
  39-42   side-on platform pieces in four materials
  43-46   interface pieces: icons, two frames, bars and item icons
  47-50   sky, clouds, sun and moon, hills, a castle and small animations
  51-52   food, signposts, then empty tiles left free for drawing
"""

import math
import os
import random
import struct
import sys

T = 16
COLS, ROWS = 13, 53
W, H = COLS * T, ROWS * T

PALETTE = [
    (0, 0, 0),  # 0  black
    (24, 72, 40),  # 1  dark green
    (56, 140, 52),  # 2  green
    (140, 208, 76),  # 3  light green
    (88, 50, 28),  # 4  dark brown
    (160, 100, 52),  # 5  brown
    (236, 196, 136),  # 6  sand
    (68, 68, 84),  # 7  dark grey
    (132, 132, 148),  # 8  grey
    (200, 200, 212),  # 9  light grey
    (32, 52, 140),  # 10 dark blue
    (60, 124, 220),  # 11 blue
    (140, 204, 248),  # 12 light blue
    (200, 48, 44),  # 13 red
    (248, 204, 60),  # 14 yellow
    (255, 255, 255),  # 15 white
]

(K, DGRN, GRN, LGRN, DBRN, BRN, SAND, DGRY, GRY, LGRY, DBLU, BLU, LBLU, RED, YEL, WHT) = range(16)

# Colour ramps: dark, base, light.
R_GRASS = (DGRN, GRN, LGRN)
R_DIRT = (DBRN, BRN, SAND)
R_STONE = (DGRY, GRY, LGRY)
R_WATER = (DBLU, BLU, LBLU)
R_REDB = (DBRN, RED, SAND)
R_SANDST = (BRN, SAND, WHT)
R_MARBLE = (GRY, LGRY, WHT)
R_GOLD = (BRN, YEL, WHT)
R_ICE = (BLU, LBLU, WHT)
R_DARK = (K, DGRY, GRY)
R_DWOOD = (K, DBRN, BRN)

PIX = bytearray(W * H)

BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def bayer(x, y):
    """Ordered-dither threshold in -0.5..0.5."""
    return (BAYER[y & 3][x & 3] + 0.5) / 16.0 - 0.5


# ---------------------------------------------------------------------------
# Drawing surface.


class Reg:
    """A rectangle of the sheet with its own coordinates.

    put() clips to the rectangle; wput() wraps around it, which is how the
    terrain textures stay seamless when a tile is repeated."""

    def __init__(self, ox, oy, w=T, h=T):
        self.ox, self.oy, self.w, self.h = ox, oy, w, h

    def get(self, x, y):
        return PIX[(self.oy + y % self.h) * W + self.ox + x % self.w]

    def put(self, x, y, c):
        if c is not None and 0 <= x < self.w and 0 <= y < self.h:
            PIX[(self.oy + y) * W + self.ox + x] = c

    def wput(self, x, y, c):
        if c is not None:
            PIX[(self.oy + y % self.h) * W + self.ox + x % self.w] = c

    def fill(self, c):
        self.rect(0, 0, self.w, self.h, c)

    def rect(self, x, y, w, h, c):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.put(xx, yy, c)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.put(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, wrap=False):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            (self.wput if wrap else self.put)(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, rad, c):
        for y in range(int(cy - rad) - 1, int(cy + rad) + 2):
            for x in range(int(cx - rad) - 1, int(cx + rad) + 2):
                if (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad:
                    self.put(x, y, c)

    def sub(self, x, y, w, h):
        return Reg(self.ox + x, self.oy + y, w, h)

    def art(self, lines, x=0, y=0, remap=None):
        """Paint character art; see CHARS.  '.' leaves the pixel alone."""
        for j, row in enumerate(lines):
            for i, ch in enumerate(row):
                if remap and ch in remap:
                    c = remap[ch]
                else:
                    c = CHARS[ch]
                self.put(x + i, y + j, c)

    def flip_h(self):
        for y in range(self.h):
            row = [self.get(x, y) for x in range(self.w)]
            for x in range(self.w):
                self.put(x, y, row[self.w - 1 - x])


def tile(col, row, tw=1, th=1):
    return Reg(col * T, row * T, tw * T, th * T)


def copy_tile(src, dst, remap=None):
    for y in range(T):
        for x in range(T):
            c = src.get(x, y)
            dst.put(x, y, remap.get(c, c) if remap else c)


CHARS = {
    ".": None,
    "K": K,
    "g": DGRN,
    "G": GRN,
    "L": LGRN,
    "b": DBRN,
    "B": BRN,
    "s": SAND,
    "d": DGRY,
    "m": GRY,
    "l": LGRY,
    "n": DBLU,
    "u": BLU,
    "c": LBLU,
    "r": RED,
    "y": YEL,
    "w": WHT,
}


# ---------------------------------------------------------------------------
# Noise and shading helpers.


def noise(rng, w, h, cell):
    """Smooth value noise that repeats every w x h pixels."""
    gw, gh = max(1, w // cell), max(1, h // cell)
    g = [[rng.random() for _ in range(gw)] for _ in range(gh)]

    def f(x, y):
        fx, fy = x / cell, y / cell
        x0, y0 = math.floor(fx), math.floor(fy)
        tx, ty = fx - x0, fy - y0
        tx = tx * tx * (3 - 2 * tx)
        ty = ty * ty * (3 - 2 * ty)
        a = g[y0 % gh][x0 % gw]
        b = g[y0 % gh][(x0 + 1) % gw]
        c = g[(y0 + 1) % gh][x0 % gw]
        d = g[(y0 + 1) % gh][(x0 + 1) % gw]
        return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty

    return f


def nbrs4(x, y):
    return ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))


def paint_round(r, mask, ramp, hi=None, outline=None, box=None, dither=0.12):
    """Shade a shape as if lit from the top left."""
    dark, base, light = ramp
    pts = sorted(mask)
    if not pts:
        return
    if box is None:
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        box = (min(xs), min(ys), max(xs), max(ys))
    x0, y0, x1, y1 = box
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    rx, ry = (x1 - x0) / 2.0 + 0.5, (y1 - y0) / 2.0 + 0.5
    for x, y in pts:
        if outline is not None and any(n not in mask for n in nbrs4(x, y)):
            r.put(x, y, outline)
            continue
        u, v = (x - cx) / rx, (y - cy) / ry
        z = math.sqrt(max(0.0, 1 - u * u - v * v))
        lv = -0.5 * u - 0.5 * v + 0.3 * z + bayer(x, y) * dither
        if hi is not None and lv > 0.8:
            c = hi
        elif lv > 0.42:
            c = light
        elif lv > -0.18:
            c = base
        else:
            c = dark
        r.put(x, y, c)


def paint_flat(r, mask, ramp, outline=None):
    """Shade a flat shape: light top/left inner edge, dark bottom/right."""
    dark, base, light = ramp
    for x, y in sorted(mask):
        if outline is not None and any(n not in mask for n in nbrs4(x, y)):
            r.put(x, y, outline)
            continue
        inner = mask if outline is None else {p for p in mask if all(n in mask for n in nbrs4(*p))}
        if (x - 1, y) not in inner or (x, y - 1) not in inner:
            c = light
        elif (x + 1, y) not in inner or (x, y + 1) not in inner:
            c = dark
        else:
            c = base
        r.put(x, y, c)


def lathe(r, profile, ramp, hi=None, outline=None, cx=7.5, y0=0):
    """A round-bodied object from its half-widths per row."""
    dark, base, light = ramp
    mask = set()
    for j, hw in enumerate(profile):
        for x in range(16):
            if hw > 0 and abs(x - cx) < hw:
                mask.add((x, y0 + j))
    for x, y in sorted(mask):
        if outline is not None and any(n not in mask for n in nbrs4(x, y)):
            r.put(x, y, outline)
            continue
        hw = profile[y - y0]
        u = (x - cx) / hw
        lv = -u + bayer(x, y) * 0.25
        if hi is not None and -0.62 < u < -0.35:
            c = hi
        elif lv > 0.3:
            c = light
        elif lv > -0.45:
            c = base
        else:
            c = dark
        r.put(x, y, c)
    return mask


def paint_cells(r, lab, mortar, ramp, rng, fleck=0.07, wrap=True):
    """Colour a label map (None = mortar/gap): each cell gets a light top
    and left edge, a dark bottom and right edge, and a few flecks."""
    dark, base, light = ramp
    h, w = len(lab), len(lab[0])

    def L(x, y):
        if wrap:
            return lab[y % h][x % w]
        if 0 <= x < w and 0 <= y < h:
            return lab[y][x]
        return None

    for y in range(h):
        for x in range(w):
            c = lab[y][x]
            if c is None:
                if mortar is not None:
                    r.put(x, y, mortar)
                continue
            if L(x - 1, y) != c or L(x, y - 1) != c:
                col = light
            elif L(x + 1, y) != c or L(x, y + 1) != c:
                col = dark
            else:
                col = base
                q = rng.random()
                if q < fleck:
                    col = dark
                elif q < fleck * 1.5:
                    col = light
            r.put(x, y, col)


def brick_labels(w, h, bw, bh, off=None):
    if off is None:
        off = bw // 2
    lab = []
    for y in range(h):
        row = []
        for x in range(w):
            course, yy = divmod(y, bh)
            sx = x + (off if course % 2 else 0)
            if yy == 0 or sx % bw == 0:
                row.append(None)
            else:
                row.append((course, (sx // bw) % (w // bw)))
        lab.append(row)
    return lab


def cobble_labels(rng, w, h, nx, ny, gap=1.1, jitter=0.32):
    pts = []
    for j in range(ny):
        for i in range(nx):
            pts.append(
                (
                    (i + 0.5 + (j % 2) * 0.5 + rng.uniform(-jitter, jitter)) * w / nx,
                    (j + 0.5 + rng.uniform(-jitter, jitter)) * h / ny,
                )
            )
    lab = []
    for y in range(h):
        row = []
        for x in range(w):
            ds = []
            for k, (px, py) in enumerate(pts):
                dx = min(abs(x + 0.5 - px), w - abs(x + 0.5 - px))
                dy = min(abs(y + 0.5 - py), h - abs(y + 0.5 - py))
                ds.append((math.hypot(dx, dy * 1.15), k))
            ds.sort()
            row.append(None if ds[1][0] - ds[0][0] < gap else ds[0][1])
        lab.append(row)
    return lab


def plank_labels(w, h, ph, rng, seams=1, vertical=False):
    lab = []
    n = (h if not vertical else w) // ph
    cuts = [sorted(rng.sample(range(1, 16), seams)) for _ in range(n)]
    for y in range(h):
        row = []
        for x in range(w):
            a, b = (x, y) if vertical else (y, x)
            k, kk = divmod(a, ph)
            if kk == ph - 1 or b % 16 in cuts[k % n]:
                row.append(None)
            else:
                seg = sum(1 for c in cuts[k % n] if c <= b % 16) % max(1, seams)
                row.append((k, seg))
        lab.append(row)
    return lab


def bevel(r, light, dark, x=0, y=0, w=None, h=None):
    w = r.w if w is None else w
    h = r.h if h is None else h
    r.hline(x, x + w - 1, y, light)
    r.vline(x, y, y + h - 1, light)
    r.hline(x + 1, x + w - 1, y + h - 1, dark)
    r.vline(x + w - 1, y + 1, y + h - 1, dark)


# ---------------------------------------------------------------------------
# Terrain textures.  All of these wrap, so the tiles repeat seamlessly.


def tex_grass(r, rng, ramp=R_GRASS, blades=18, patches=True, extra=None):
    d, b, l = ramp
    r.fill(b)
    if patches:
        nz = noise(rng, r.w, r.h, 8)
        for y in range(r.h):
            for x in range(r.w):
                v = nz(x, y)
                if v > 0.66 and (x + y) % 2 == 0:
                    r.put(x, y, l)
                elif v < 0.3 and (x + y) % 2 == 0:
                    r.put(x, y, d)
    for _ in range(blades):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, l)
        r.wput(x, y + 1, l)
        r.wput(x + 1, y + 2, d)
        r.wput(x, y + 2, d)
        if rng.random() < 0.5:
            r.wput(x - 1, y + 1, l)
            r.wput(x - 1, y + 2, d)
    if extra:
        for cols, n in extra:
            for _ in range(n):
                x, y = rng.randrange(r.w), rng.randrange(r.h)
                petal, mid = cols
                for dx, dy in ((0, -1), (-1, 0), (1, 0), (0, 1)):
                    r.wput(x + dx, y + dy, petal)
                r.wput(x, y, mid)
                r.wput(x + 1, y + 2, d)


def tex_dirt(r, rng, ramp=R_DIRT, pebbles=4, pebble_ramp=R_STONE):
    d, b, l = ramp
    r.fill(b)
    nz = noise(rng, r.w, r.h, 4)
    for y in range(r.h):
        for x in range(r.w):
            v = nz(x, y) + bayer(x, y) * 0.25
            if v < 0.3:
                r.put(x, y, d)
    for _ in range(r.w * r.h // 18):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, d)
    for _ in range(r.w * r.h // 40):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, l)
        r.wput(x + 1, y + 1, d)
    pd, pb, pl = pebble_ramp
    for _ in range(pebbles):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, pl)
        r.wput(x + 1, y, pb)
        r.wput(x, y + 1, pb)
        r.wput(x + 1, y + 1, pd)
        r.wput(x + 2, y + 1, d)
        r.wput(x, y + 2, d)
        r.wput(x + 1, y + 2, d)


def tex_sand(r, rng, ramp=(BRN, SAND, WHT), ripples=False, shells=0):
    d, b, l = ramp
    r.fill(b)
    for _ in range(r.w * r.h // 12):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, d if rng.random() < 0.6 else l)
    if ripples:
        for y0 in range(2, r.h, 5):
            ph = rng.random() * 6.28
            for x in range(r.w):
                y = y0 + int(round(1.2 * math.sin(2 * math.pi * x / r.w * 2 + ph)))
                r.wput(x, y, l)
                r.wput(x, y + 1, d)
    for _ in range(shells):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, WHT)
        r.wput(x + 1, y, LGRY)
        r.wput(x, y + 1, LGRY)
        r.wput(x + 1, y + 1, d)


def tex_water(r, frame=0, seed=1, ramp=(DBLU, BLU, LBLU), deep=False):
    """Open water: wavy dark troughs and light crests.  frame 0..3 moves
    the waves a quarter period along."""
    d, b, l = ramp
    if deep:
        d, b, l = K, DBLU, BLU
    rng = random.Random(seed)
    r.fill(b)
    sh = frame * 4
    for band, (y0, ph, amp) in enumerate(((2, 0.0, 1.3), (10, 2.2, 1.1))):
        for x in range(r.w):
            t = 2 * math.pi * (x + (sh if band == 0 else -sh)) / 16
            y = y0 + int(round(amp * math.sin(t + ph)))
            r.wput(x, y, d)
            if math.cos(t + ph) > 0.3:
                r.wput(x, y + 1, d)
            if math.sin(t + ph) > 0.55:
                r.wput(x, y - 2, l)
            if math.sin(t + ph) > 0.92:
                r.wput(x, y - 3, l)
    for i in range(3):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        x += frame * (3 if i % 2 else -2)
        if not deep:
            r.wput(x, y, WHT if (i + frame) % 2 == 0 else l)
            r.wput(x + 1, y, l)
        else:
            r.wput(x, y, b)


def tex_lava(r, frame=0, seed=7):
    rng = random.Random(seed)
    a = noise(rng, r.w, r.h, 8)
    bb = noise(rng, r.w, r.h, 4)
    for y in range(r.h):
        for x in range(r.w):
            v = 0.65 * a((x + frame * 4) % r.w, y) + 0.35 * bb(x, (y + frame * 4) % r.h)
            v += bayer(x, y) * 0.12
            if v > 0.56:
                c = WHT if v > 0.7 else YEL
            elif v > 0.27:
                c = RED
            else:
                c = DBRN
            r.put(x, y, c)


def tex_rock(r, rng, ramp=R_STONE, outline=K, cracks=3):
    """Rough rock face: irregular facets lit from the top left."""
    d, b, l = ramp
    lab = cobble_labels(rng, r.w, r.h, 3, 2, gap=0.35, jitter=0.4)
    shade = {}
    for y in range(r.h):
        for x in range(r.w):
            c = lab[y][x]
            if c is None:
                r.put(x, y, d)
                continue
            if c not in shade:
                shade[c] = rng.choice((0, 0, 1))
            up, lf = lab[(y - 1) % r.h][x], lab[y][(x - 1) % r.w]
            dn, rt = lab[(y + 1) % r.h][x], lab[y][(x + 1) % r.w]
            if up != c or lf != c:
                col = l
            elif dn != c or rt != c:
                col = d
            else:
                col = b
            r.put(x, y, col)
    for _ in range(r.w * r.h // 24):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        if r.get(x, y) == b:
            r.wput(x, y, d)
    for _ in range(cracks):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        for _ in range(rng.randint(3, 6)):
            r.wput(x, y, outline)
            r.wput(x + 1, y, l)
            x += rng.choice((-1, 0, 1))
            y += 1


def tex_leaves(r, rng, ramp=R_GRASS, outline=K):
    d, b, l = ramp
    r.fill(d)
    pts = [(rng.uniform(0, r.w), rng.uniform(0, r.h)) for _ in range(r.w * r.h // 22)]
    for px, py in pts:
        rad = rng.uniform(2.0, 3.2)
        for y in range(int(py - rad) - 1, int(py + rad) + 2):
            for x in range(int(px - rad) - 1, int(px + rad) + 2):
                dd = (x + 0.5 - px) ** 2 + (y + 0.5 - py) ** 2
                if dd <= rad * rad:
                    u, v = (x + 0.5 - px) / rad, (y + 0.5 - py) / rad
                    if u + v < -0.7:
                        c = l
                    elif u + v > 0.9:
                        c = d
                    else:
                        c = b
                    r.wput(x, y, c)
    if outline is not None:
        for _ in range(r.w * r.h // 40):
            r.wput(rng.randrange(r.w), rng.randrange(r.h), outline)


def tex_snow(r, rng):
    r.fill(WHT)
    nz = noise(rng, r.w, r.h, 8)
    for y in range(r.h):
        for x in range(r.w):
            v = nz(x, y) + bayer(x, y) * 0.3
            if v < 0.35:
                r.put(x, y, LGRY)
            if v < 0.18:
                r.put(x, y, LBLU)
    for _ in range(5):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        r.wput(x, y, LBLU)
        r.wput(x + 1, y, LGRY)


def tex_ice(r, rng):
    r.fill(LBLU)
    for k in range(3):
        x0 = rng.randrange(r.w)
        for t in range(r.h):
            r.wput(x0 - t, t, WHT)
            if k == 0:
                r.wput(x0 - t + 1, t, WHT)
    for _ in range(2):
        x, y = rng.randrange(r.w), rng.randrange(r.h)
        for _ in range(rng.randint(3, 5)):
            r.wput(x, y, BLU)
            x += rng.choice((-1, 1))
            y += rng.choice((0, 1))
    for _ in range(6):
        r.wput(rng.randrange(r.w), rng.randrange(r.h), BLU)


def grass_lip(r, rng, ramp=R_GRASS, depth=4, x0=0, x1=None, top=0):
    """A grass (or snow, sand...) fringe along the top of a tile."""
    d, b, l = ramp
    x1 = r.w if x1 is None else x1
    prof = [0, 1, 1, 0, -1, 0, 1, 2, 1, 0, 0, 1, 0, -1, 0, 1]
    for x in range(x0, x1):
        dep = depth + prof[x % 16]
        for y in range(top, top + dep):
            k = y - top
            if k == 0:
                c = l
            elif k == dep - 1:
                c = d
            else:
                c = b
                if (x * 7 + y * 3) % 11 == 0:
                    c = l
            r.put(x, y, c)
        if x % 5 == 2:
            r.put(x, top + dep, d)


# ---------------------------------------------------------------------------
# Shapes used by the object sprites.


def mask_disc(cx, cy, rad):
    return {
        (x, y) for y in range(16) for x in range(16) if (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad
    }


def mask_poly(pts, w=16, h=16):
    out = set()
    n = len(pts)
    for y in range(h):
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            inside = False
            for i in range(n):
                ax, ay = pts[i]
                bx, by = pts[(i + 1) % n]
                if (ay > py) != (by > py):
                    xi = ax + (py - ay) * (bx - ax) / (by - ay)
                    if px < xi:
                        inside = not inside
            if inside:
                out.add((x, y))
    return out


def mask_heart(cx=7.5, cy=8.0, s=6.5):
    out = set()
    for y in range(16):
        for x in range(16):
            u = (x - cx) / s * 1.25
            v = -(y - cy) / s * 1.25 + 0.25
            if (u * u + v * v - 1) ** 3 - u * u * v**3 <= 0:
                out.add((x, y))
    return out


def mask_star(cx=7.5, cy=8.0, ro=7.2, ri=3.0, n=5):
    pts = []
    for i in range(2 * n):
        a = -math.pi / 2 + i * math.pi / n
        rr = ro if i % 2 == 0 else ri
        pts.append((cx + 0.5 + rr * math.cos(a), cy + 0.5 + rr * math.sin(a)))
    return mask_poly(pts)


def outline_mask(r, mask, c):
    """Draw c around (outside) a mask."""
    ring = set()
    for x, y in mask:
        for n in nbrs4(x, y):
            if n not in mask:
                ring.add(n)
    for x, y in sorted(ring):
        r.put(x, y, c)


# ---------------------------------------------------------------------------
# Props and pick-ups.  Each draws into one 16x16 tile over what is there.

CHEST = [
    "................",
    "................",
    "................",
    "..bbbbbbbbbbbb..",
    ".bsssBBBBBBBBBb.",
    ".bsBBBBBBBBBBBb.",
    ".bBBBBBBBBBBBbb.",
    ".yyyyyyyyyyyyyy.",
    ".bbbbbbyybbbbbb.",
    ".byBBByyyyBBByb.",
    ".byBBByKKyBBByb.",
    ".byBBBByyBBBByb.",
    ".byBBBBBBBBBByb.",
    ".byBBBBBBBBBByb.",
    ".bbbbbbbbbbbbbb.",
    "................",
]

CHEST_OPEN = [
    "................",
    "..bbbbbbbbbbbb..",
    ".bBBBBBBBBBBBBb.",
    ".bbBBBBBBBBBBbb.",
    ".yyyyyyyyyyyyyy.",
    ".bKKKKKKKKKKKKb.",
    ".bKKyKKKKwyKKKb.",
    ".bKywyyKyyyyyKb.",
    ".yyyyyyyyyyyyyy.",
    ".bbbbbbyybbbbbb.",
    ".byBBByyyyBBByb.",
    ".byBBByKKyBBByb.",
    ".byBBBByyBBBByb.",
    ".byBBBBBBBBBByb.",
    ".bbbbbbbbbbbbbb.",
    "................",
]

GEM = [
    "................",
    "................",
    "................",
    "....oooooooo....",
    "...o33343222o...",
    "..o3343332221o..",
    ".o333333222211o.",
    ".oooooooooooooo.",
    ".o333322222111o.",
    "..o3332222111o..",
    "...o33222111o...",
    "....o322211o....",
    ".....o2211o.....",
    "......o21o......",
    ".......oo.......",
    "................",
]

SKULL = [
    "................",
    "................",
    ".....llllll.....",
    "...llwwwwwwll...",
    "..lwwwwwwwwwwm..",
    "..lwwwwwwwwwlm..",
    ".lwwwwwwwwwwwlm.",
    ".lwKKKwwwwKKKlm.",
    ".lwKKKKwwKKKKlm.",
    ".lwwKKwwwwKKwlm.",
    "..lwwwwKKwwwlm..",
    "...mlwwKKwwlm...",
    "....mwlwlwlm....",
    "....mKwKwKwm....",
    ".....mmmmmm.....",
    "................",
]

TORCH = [
    ".......r........",
    "......rr........",
    "......ryr..r....",
    ".....ryyr.rr....",
    ".....rywyrr.....",
    "....rrywwyr.....",
    "....ryywwyrr....",
    "....rywwwwyr....",
    ".....rywwyr.....",
    "......bbbb......",
    ".....bBssBb.....",
    "......bBBb......",
    ".......Bb.......",
    ".......Bb.......",
    ".......Bb.......",
    ".......bb.......",
]


def obj_key(r, ramp=R_GOLD):
    m = set()
    for x, y in mask_disc(4.5, 7.5, 3.6):
        if (x - 4.5) ** 2 + (y - 7.5) ** 2 > 1.6**2:
            m.add((x, y))
    for x in range(7, 15):
        for y in (6, 7, 8):
            m.add((x, y))
    for x, y in ((11, 9), (11, 10), (12, 9), (12, 10), (14, 9), (14, 10), (14, 11), (13, 9)):
        m.add((x, y))
    paint_flat(r, m, (ramp[0], ramp[1], ramp[1]))
    for x, y in ((2, 6), (2, 7), (3, 5), (8, 6), (9, 6)):
        r.put(x, y, ramp[2])


def obj_coin(r, ramp=R_GOLD):
    m = mask_disc(7.5, 7.5, 6.2)
    paint_round(r, m, ramp, hi=WHT, outline=DBRN)
    inner = mask_disc(7.5, 7.5, 4.0)
    for x, y in sorted(inner):
        if any(n not in inner for n in nbrs4(x, y)):
            if x + y < 15:
                r.put(x, y, BRN)
            else:
                r.put(x, y, WHT)
    for y in range(5, 11):
        r.put(7, y, BRN)
        r.put(8, y, YEL)


def obj_gem(r, ramp):
    o, d, b, l, hi = ramp
    r.art(GEM, remap={"o": o, "1": d, "2": b, "3": l, "4": hi})


def obj_heart(r, ramp=(DBRN, RED, SAND), small=False):
    m = mask_heart(s=5.0 if small else 6.6)
    paint_round(r, m, ramp, outline=DBRN)
    for x, y in ((4, 5), (4, 6), (5, 4)) if not small else ((5, 6), (6, 5)):
        if (x, y) in m:
            r.put(x, y, WHT)


def obj_mushroom(r, cap=(DBRN, RED, SAND), spots=WHT):
    m = {
        (x, y)
        for y in range(1, 10)
        for x in range(16)
        if ((x - 7.5) / 7.4) ** 2 + ((y - 9.2) / 7.8) ** 2 <= 1
    }
    paint_round(r, m, cap, outline=DBRN)
    for cx, cy, rr in ((4.5, 5.0, 1.4), (9.5, 3.5, 1.2), (11.5, 7.0, 1.1), (7.0, 7.5, 0.8)):
        for x, y in sorted(mask_disc(cx, cy, rr)):
            if (x, y) in m and any(n in m for n in nbrs4(x, y)):
                r.put(x, y, spots)
    r.hline(2, 13, 10, DBRN)
    stem = {(x, y) for y in range(11, 16) for x in range(5, 11)}
    paint_flat(r, stem, (BRN, SAND, WHT))
    r.hline(5, 10, 15, DBRN)
    r.vline(10, 11, 15, DBRN)


def obj_sign(r):
    board = {(x, y) for y in range(2, 10) for x in range(1, 15)}
    r.vline(7, 10, 15, BRN)
    r.vline(8, 10, 15, DBRN)
    paint_flat(r, board, (DBRN, BRN, SAND), outline=DBRN)
    r.hline(2, 13, 5, DBRN)
    for x0, x1, y in ((3, 9, 4), (4, 12, 7)):
        for x in range(x0, x1):
            if x % 4 != 3:
                r.put(x, y, DBRN)


def obj_barrel(r):
    prof = [0, 4.8, 5.6, 6.1, 6.4, 6.6, 6.7, 6.7, 6.7, 6.7, 6.6, 6.4, 6.1, 5.6, 4.8, 0]
    m = lathe(r, prof, (DBRN, BRN, SAND), outline=DBRN)
    for y in (3, 4, 11, 12):
        for x in range(16):
            if (x, y) in m and (x - 1, y) in m and (x + 1, y) in m:
                r.put(x, y, GRY if y in (3, 11) else DGRY)
    for y in range(2, 14):
        for x in (5, 10):
            if (x, y) in m and r.get(x, y) not in (GRY, DGRY):
                r.put(x, y, DBRN)
    r.put(3, 3, LGRY)
    r.put(3, 11, LGRY)


def obj_door(r, wood=(DBRN, BRN, SAND)):
    d, b, l = wood
    r.fill(K)
    m = {
        (x, y)
        for y in range(16)
        for x in range(1, 15)
        if y >= 6 or (x - 7.5) ** 2 + (y - 6.5) ** 2 <= 6.6**2
    }
    for x, y in sorted(m):
        edge = any(n not in m for n in nbrs4(x, y))
        if edge:
            c = GRY if (x + y) % 3 else DGRY
        elif x in (4, 8, 11):
            c = d
        elif x in (2, 5, 9, 12):
            c = l if y % 5 else b
        else:
            c = b
        r.put(x, y, c)
    for x in range(2, 14):
        for y in (6, 12):
            if (x, y) in m and r.get(x, y) not in (GRY, DGRY):
                r.put(x, y, DGRY)
    r.put(11, 9, YEL)
    r.put(12, 9, YEL)
    r.put(12, 10, BRN)
    r.put(11, 10, DBRN)


def obj_ladder(r, wood=(DBRN, BRN, SAND)):
    d, b, l = wood
    for x0 in (2, 12):
        r.vline(x0, 0, 15, l)
        r.vline(x0 + 1, 0, 15, d)
    for y0 in (3, 11):
        r.hline(4, 11, y0, l)
        r.hline(4, 11, y0 + 1, b)
        r.hline(4, 11, y0 + 2, d)
        r.put(3, y0 + 1, K)
        r.put(12, y0 + 1, K)


def obj_flower(r, petal=(RED, SAND), centre=YEL):
    pc, pl = petal
    r.line(7, 15, 7, 8, GRN)
    r.line(8, 15, 8, 9, DGRN)
    for x, y in ((5, 12), (4, 11), (3, 11), (6, 12)):
        r.put(x, y, GRN)
    r.put(4, 12, DGRN)
    for x, y in ((10, 11), (11, 10), (12, 10), (9, 11)):
        r.put(x, y, LGRN)
    r.put(11, 11, GRN)
    for cx, cy in ((7.5, 2.2), (4.2, 4.8), (10.8, 4.8), (5.5, 8.2), (9.5, 8.2)):
        m = mask_disc(cx, cy, 2.1)
        paint_round(r, m, (DBRN, pc, pl), dither=0)
    r.disc(7.5, 5.5, 1.7, centre)
    r.put(7, 5, WHT)


def obj_potion(r, liquid=(DBRN, RED, SAND)):
    d, b, l = liquid
    body = mask_disc(7.5, 10.0, 5.3)
    neck = {(x, y) for y in range(2, 6) for x in range(6, 10)}
    m = body | neck
    for x, y in sorted(m):
        edge = any(n not in m for n in nbrs4(x, y))
        if edge:
            r.put(x, y, LGRY if x < 8 else GRY)
        elif y >= 8:
            u = (x - 7.5) / 5.3
            c = l if u < -0.35 else (d if u > 0.4 or y > 13 else b)
            r.put(x, y, c)
        else:
            r.put(x, y, K)
    r.hline(4, 11, 7, l)
    r.rect(6, 0, 4, 2, BRN)
    r.hline(6, 9, 0, SAND)
    r.put(9, 1, DBRN)
    r.put(5, 9, WHT)
    r.put(4, 10, WHT)
    r.put(6, 3, WHT)


def obj_sword(r):
    for t in range(9):
        x, y = 5 + t, 10 - t
        r.put(x, y, LGRY)
        r.put(x + 1, y, GRY)
        r.put(x, y - 1, WHT)
        r.put(x + 1, y + 1, DGRY)
    r.put(14, 1, WHT)
    for t in range(-3, 4):
        r.put(4 + t, 11 + t, YEL if t < 1 else BRN)
    r.put(1, 8, BRN)
    r.put(7, 14, DBRN)
    for t in range(3):
        r.put(3 - t, 12 + t, BRN)
        r.put(3 - t, 13 + t, DBRN)
    r.put(0, 15, YEL)
    r.put(1, 15, BRN)


def obj_shield(r):
    m = {
        (x, y)
        for y in range(1, 15)
        for x in range(2, 14)
        if y < 8 or abs(x - 7.5) < 6 - (y - 8) * 0.85
    }
    paint_round(r, m, R_WATER, outline=YEL)
    inner = {p for p in m if all(n in m for n in nbrs4(*p))}
    for x, y in sorted(inner):
        if any(n not in inner for n in nbrs4(x, y)):
            r.put(x, y, BRN if x + y > 14 else YEL)
    for y in range(3, 13):
        r.put(7, y, WHT if y < 8 else LGRY)
        r.put(8, y, LGRY)
    r.hline(4, 11, 6, WHT)
    r.hline(4, 11, 7, LGRY)


def obj_star(r, ramp=R_GOLD):
    m = mask_star()
    paint_round(r, m, ramp, hi=WHT, outline=BRN)


def obj_bomb(r):
    m = mask_disc(7.0, 9.5, 5.6)
    paint_round(r, m, (K, DGRY, GRY), hi=LGRY)
    r.rect(9, 2, 3, 2, GRY)
    r.hline(9, 11, 2, LGRY)
    r.put(12, 1, BRN)
    r.put(13, 0, SAND)
    r.put(14, 1, YEL)
    r.put(12, 0, YEL)
    r.put(14, 0, RED)
    r.put(4, 6, WHT)


def obj_crate(r, wood=(DBRN, BRN, SAND)):
    d, b, l = wood
    rng = random.Random(31)
    lab = plank_labels(16, 16, 4, rng, seams=0)
    paint_cells(r, lab, d, wood, rng, fleck=0.05)
    r.rect(0, 0, 16, 2, b)
    r.rect(0, 14, 16, 2, b)
    r.rect(0, 0, 2, 16, b)
    r.rect(14, 0, 2, 16, b)
    bevel(r, l, d)
    bevel(r, d, l, 1, 1, 14, 14)
    for t in range(2, 14):
        r.put(t, t, l)
        r.put(t + 1, t, d)
    for x, y in ((2, 2), (13, 2), (2, 13), (13, 13)):
        r.put(x, y, LGRY)


def obj_vase(r, ramp=(DBRN, BRN, SAND)):
    prof = [0, 3.2, 2.4, 2.2, 2.6, 4.2, 5.6, 6.4, 6.7, 6.7, 6.4, 5.8, 5.0, 4.2, 3.6, 0]
    m = lathe(r, prof, ramp, hi=WHT, outline=DBRN)
    for x in range(16):
        if (x, 9) in m and (x - 1, 9) in m and (x + 1, 9) in m:
            r.put(x, 9, DBRN)
            r.put(x, 10, YEL if (x - 1, 10) in m and (x + 1, 10) in m else r.get(x, 10))


def obj_apple(r):
    m = mask_disc(7.5, 9.0, 5.7)
    m -= {(7, 3), (8, 3), (7, 4), (8, 4)}
    paint_round(r, m, (DBRN, RED, SAND), outline=DBRN)
    r.put(5, 6, WHT)
    r.put(4, 7, WHT)
    r.vline(8, 1, 4, BRN)
    for x, y in ((9, 2), (10, 2), (11, 1), (10, 1), (12, 1)):
        r.put(x, y, GRN)
    r.put(10, 3, DGRN)
    r.put(11, 2, DGRN)


def obj_lantern(r):
    r.hline(6, 9, 0, DGRY)
    r.put(5, 1, DGRY)
    r.put(10, 1, DGRY)
    r.rect(4, 2, 8, 2, DGRY)
    r.hline(4, 11, 2, GRY)
    glass = {(x, y) for y in range(4, 12) for x in range(4, 12)}
    for x, y in sorted(glass):
        dd = (x - 7.5) ** 2 + (y - 8) ** 2
        c = WHT if dd < 2.5 else YEL if dd < 8 else SAND
        r.put(x, y, c)
    for y in range(4, 12):
        r.put(4, y, DGRY)
        r.put(11, y, DGRY)
        r.put(7, y, GRY if y % 2 else DGRY)
    r.rect(3, 12, 10, 2, DGRY)
    r.hline(3, 12, 12, GRY)
    r.hline(5, 10, 14, DGRY)


# ---------------------------------------------------------------------------
# Side-on ground pieces.

PLATFORM_KINDS = ["L", "M", "R", "S", "FL", "F", "FR", "BL", "B", "BR", "UP", "DN", "THIN"]


def platform(r, kind, lip_ramp, body, body_ramp, seed, lip_depth=4):
    """One piece of a side-on ground set: body texture, a surface lip on
    top, and outlined exposed sides."""
    rng = random.Random(seed)
    body(r, rng)
    d, b, l = body_ramp
    left = kind in ("L", "S", "FL", "BL")
    right = kind in ("R", "S", "FR", "BR")
    bottom = kind in ("BL", "B", "BR", "THIN")
    top = kind in ("L", "M", "R", "S", "UP", "DN", "THIN")
    if kind == "THIN":
        left = right = False

    def surf(x):
        if kind == "UP":
            return 15 - x
        if kind == "DN":
            return x
        return 0 if top else -99

    def inside(x, y):
        if y < surf(x):
            return False
        if kind == "THIN" and y > 8 + (1 if 3 < x < 12 else 0):
            return False
        if left and x < 0 or right and x > 15 or bottom and y > 15:
            return False
        cut = [(0, 0), (1, 0), (2, 0), (0, 1), (0, 2), (1, 1)]
        if left and top and (x, y) in cut:
            return False
        if right and top and (15 - x, y) in cut:
            return False
        if left and bottom and (x, 15 - y) in cut:
            return False
        if right and bottom and (15 - x, 15 - y) in cut:
            return False
        return True

    def open_at(x, y):
        # outside the piece, and not just the air above its surface
        return (
            not inside(x, y)
            and y >= surf(x) - (1 if kind in ("UP", "DN") else 0)
            and not (top and y < 0)
        )

    for y in range(16):
        for x in range(16):
            if not inside(x, y):
                r.put(x, y, K)
                continue
            ring1 = [n for n in nbrs4(x, y) if open_at(*n)]
            if ring1:
                r.put(x, y, d)
                continue
            ring2 = [
                (a, b2)
                for (a, b2) in ((x - 2, y), (x + 2, y), (x, y + 2), (x - 1, y + 1), (x + 1, y + 1))
                if open_at(a, b2)
            ]
            if ring2:
                r.put(
                    x,
                    y,
                    l if any(a < x for a, _ in ring2) and not any(b2 > y for _, b2 in ring2) else b,
                )
    ld, lb, ll = lip_ramp
    prof = [0, 1, 1, 0, -1, 0, 1, 2, 1, 0, 0, 1, 0, -1, 0, 1]
    if top:
        for x in range(16):
            s = surf(x)
            dep = lip_depth + prof[x]
            if (left and x < 2) or (right and x > 13):
                dep += 3
            for k in range(dep):
                y = s + k
                if not inside(x, y):
                    continue
                if k == 0 or (kind in ("UP", "DN") and not inside(x, y - 1)):
                    c = ll
                elif k == dep - 1:
                    c = ld
                else:
                    c = lb
                    if (x * 7 + y * 3) % 11 == 0:
                        c = ll
                r.put(x, y, c)
            if x % 5 == 2 and inside(x, s + dep):
                r.put(x, s + dep, ld)
        if kind == "UP":
            for x in range(16):
                if inside(x, 15 - x):
                    r.put(x, 15 - x, ll)
        if kind == "DN":
            for x in range(16):
                if inside(x, x):
                    r.put(x, x, ll)


# ---------------------------------------------------------------------------
# Top-down edge sets: 13 tiles, water (or whatever is inside) surrounded by
# land.  Order: N S W E edges, NW NE SW SE outer corners, NW NE SW SE inner
# corners, and a plain inside tile.

EDGE_SETS = [
    dict(n=1),
    dict(s=1),
    dict(w=1),
    dict(e=1),
    dict(n=1, w=1),
    dict(n=1, e=1),
    dict(s=1, w=1),
    dict(s=1, e=1),
    dict(inw=1),
    dict(ine=1),
    dict(isw=1),
    dict(ise=1),
    dict(),
]

EDGE_WOB = [0, 0, 1, 1, 1, 0, 0, -1, -1, 0, 0, 1, 0, 0, -1, -1]


def edge_land(sides, x, y, depth=4):
    def e(t):
        return depth + EDGE_WOB[t % 16]

    n, s, w, ee = (sides.get(k) for k in ("n", "s", "w", "e"))
    if n and y < e(x):
        return True
    if s and y > 15 - e(x):
        return True
    if w and x < e(y):
        return True
    if ee and x > 15 - e(y):
        return True
    rad = 3
    # round the inside of outer corners
    for a, b, sx, sy in ((n, w, 0, 0), (n, ee, 1, 0), (s, w, 0, 1), (s, ee, 1, 1)):
        if a and b:
            xx = 15 - x if sx else x
            yy = 15 - y if sy else y
            c = depth + rad
            if xx < c and yy < c and (xx - c + 0.5) ** 2 + (yy - c + 0.5) ** 2 > rad * rad:
                return True
    for k, sx, sy in (("inw", 0, 0), ("ine", 1, 0), ("isw", 0, 1), ("ise", 1, 1)):
        if sides.get(k):
            xx = 15 - x if sx else x
            yy = 15 - y if sy else y
            if (xx + 0.5) ** 2 + (yy + 0.5) ** 2 < (depth + 1.5) ** 2:
                return True
    return False


def edge_row(row, land_tex, inner_tex, rim, shore, seed, depth=4):
    """rim: colour of the land's last pixel; shore: (1st, 2nd) inner pixels."""
    for i, sides in enumerate(EDGE_SETS):
        r = tile(i, row)
        inner_tex(r, random.Random(seed + 1))
        buf = [[r.get(x, y) for x in range(16)] for y in range(16)]
        land_tex(r, random.Random(seed + 2))
        lbuf = [[r.get(x, y) for x in range(16)] for y in range(16)]
        for y in range(16):
            for x in range(16):
                if edge_land(sides, x, y, depth):
                    near = any(not edge_land(sides, a, b, depth) for a, b in nbrs4(x, y))
                    c = rim if (near and rim is not None) else lbuf[y][x]
                else:
                    d1 = any(edge_land(sides, a, b, depth) for a, b in nbrs4(x, y))
                    d2 = any(
                        edge_land(sides, a, b, depth)
                        for a, b in (
                            (x - 2, y),
                            (x + 2, y),
                            (x, y - 2),
                            (x, y + 2),
                            (x - 1, y - 1),
                            (x + 1, y + 1),
                            (x - 1, y + 1),
                            (x + 1, y - 1),
                        )
                    )
                    if d1 and shore[0] is not None:
                        c = shore[0]
                    elif d2 and shore[1] is not None and (x + y) % 2 == 0:
                        c = shore[1]
                    else:
                        c = buf[y][x]
                r.put(x, y, c)


# ---------------------------------------------------------------------------
# Larger pieces drawn across several tiles.


def blob_cluster(r, blobs, ramp, outline, rng, texture=True):
    d, b, l = ramp
    union = set()
    for cx, cy, rad in blobs:
        for y in range(int(cy - rad) - 1, int(cy + rad) + 2):
            for x in range(int(cx - rad) - 1, int(cx + rad) + 2):
                if (
                    0 <= x < r.w
                    and 0 <= y < r.h
                    and (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= rad * rad
                ):
                    u, v = (x + 0.5 - cx) / rad, (y + 0.5 - cy) / rad
                    lv = -0.55 * u - 0.55 * v + bayer(x, y) * 0.35
                    c = l if lv > 0.35 else d if lv < -0.35 else b
                    r.put(x, y, c)
                    union.add((x, y))
    if texture:
        for x, y in sorted(union):
            if rng.random() < 0.06:
                c = r.get(x, y)
                if c == l:
                    r.put(x, y, b)
                elif c == b:
                    r.put(x + 0, y, l if rng.random() < 0.5 else d)
    if outline is not None:
        for x, y in sorted(union):
            if any(n not in union for n in nbrs4(x, y)):
                r.put(x, y, outline)
    return union


def big_tree(r, rng):
    r.fill(K)
    # trunk and roots
    for y in range(26, 48):
        hw = 3.5 + max(0, y - 40) * 0.7
        for x in range(48):
            u = (x - 23.5) / hw
            if abs(u) <= 1:
                c = SAND if u < -0.55 else DBRN if u > 0.35 else BRN
                if (x * 3 + y // 3) % 7 == 0:
                    c = DBRN
                if abs(u) > 0.85:
                    c = DBRN if u > 0 else BRN
                r.put(x, y, c)
    r.put(19, 46, DBRN)
    r.put(28, 46, DBRN)
    blobs = [
        (24, 12, 11),
        (13, 19, 9),
        (35, 18, 9.5),
        (17, 9, 8),
        (31, 9, 8),
        (8, 27, 6),
        (40, 27, 6),
        (24, 24, 10),
        (14, 28, 6),
        (33, 28, 6.5),
        (24, 5, 6),
    ]
    blob_cluster(r, blobs, R_GRASS, K, rng)
    for x, y in ((12, 14), (30, 20), (20, 27), (36, 12), (9, 24)):
        r.put(x, y, RED)
        r.put(x + 1, y, RED)
        r.put(x, y + 1, DBRN)
        r.put(x + 1, y + 1, RED)
        r.put(x, y - 1, WHT)
    for x in range(20, 28):
        if r.get(x, 35) == K or r.get(x, 35) in (BRN, SAND, DBRN):
            r.put(x, 35, DBRN)


def pine(r, rng):
    r.fill(K)
    r.rect(6, 27, 4, 5, BRN)
    r.vline(6, 27, 31, SAND)
    r.vline(9, 27, 31, DBRN)
    tiers = [(1, 9, 4.0), (7, 17, 6.0), (14, 27, 7.8)]
    union = set()
    for y0, y1, hw in tiers:
        for y in range(y0, y1):
            w = 1.0 + (hw - 1.0) * (y - y0) / max(1, (y1 - y0 - 1))
            for x in range(16):
                u = (x - 7.5) / w
                if abs(u) <= 1:
                    union.add((x, y))
                    c = LGRN if u < -0.4 else DGRN if u > 0.3 else GRN
                    if y == y1 - 1:
                        c = DGRN
                    r.put(x, y, c)
    for x, y in sorted(union):
        if any(n not in union for n in nbrs4(x, y)) and y > 2:
            r.put(x, y, K if x > 7 else DGRN)


def round_tree(r, rng):
    r.fill(K)
    r.rect(6, 18, 4, 14, BRN)
    r.vline(6, 18, 31, SAND)
    r.vline(9, 18, 31, DBRN)
    r.put(5, 31, BRN)
    r.put(10, 31, DBRN)
    blob_cluster(
        r,
        [(8, 8, 6.5), (4.5, 13, 4.3), (11.5, 13, 4.3), (8, 15, 5), (8, 3.5, 3.5)],
        R_GRASS,
        K,
        rng,
    )
    for x, y in ((5, 7), (10, 11), (7, 14)):
        r.put(x, y, YEL)
        r.put(x, y + 1, BRN)


def house(r, rng):
    r.fill(K)
    # walls: plaster with timber frame
    for y in range(19, 48):
        for x in range(4, 44):
            r.put(x, y, SAND if (x * 5 + y * 3) % 23 else WHT)
    for x in (4, 5, 42, 43):
        r.vline(x, 19, 47, DBRN if x in (5, 43) else BRN)
    for y in (19, 20, 33):
        r.hline(4, 43, y, BRN)
    r.hline(4, 43, 21, DBRN)
    r.hline(4, 43, 34, DBRN)
    r.hline(4, 43, 47, DBRN)
    for x0, x1 in ((6, 14), (33, 41)):
        r.line(x0, 32, x1, 22, BRN)
        r.line(x0 + 1, 32, x1 + 1, 22, DBRN)
    # windows
    for wx in (8, 32):
        r.rect(wx, 24, 9, 8, DBRN)
        r.rect(wx + 1, 25, 7, 6, LBLU)
        r.rect(wx + 1, 28, 7, 3, BLU)
        r.vline(wx + 4, 25, 30, DBRN)
        r.hline(wx + 1, wx + 7, 27, DBRN)
        r.put(wx + 2, 26, WHT)
        r.put(wx + 6, 26, WHT)
        r.hline(wx - 1, wx + 9, 32, BRN)
        r.hline(wx - 1, wx + 9, 33, DBRN)
    # flower boxes below the windows
    for wx in (8, 32):
        r.rect(wx, 35, 9, 3, BRN)
        r.hline(wx, wx + 8, 37, DBRN)
        for x in range(wx, wx + 9):
            r.put(x, 34, GRN if x % 2 else (RED if x % 4 == 0 else YEL))
    # door
    for y in range(35, 48):
        for x in range(19, 29):
            if y > 37 or (x - 23.5) ** 2 + (y - 39) ** 2 <= 22:
                r.put(x, y, BRN if x not in (21, 24, 27) else DBRN)
    r.put(26, 42, YEL)
    for x in range(18, 30):
        r.put(x, 47, GRY)
    # roof
    for y in range(1, 22):
        half = 4 + (y - 1) * 1.2
        for x in range(48):
            dx = abs(x - 23.5)
            if dx <= half:
                row = (y - 1) // 3
                c = RED
                if (y - 1) % 3 == 2:
                    c = DBRN
                elif (x + row * 3) % 6 == 0:
                    c = DBRN
                elif (y - 1) % 3 == 0 and (x + row * 3) % 6 in (1, 2):
                    c = SAND
                if dx > half - 1:
                    c = DBRN
                r.put(x, y, c)
    r.hline(0, 47, 21, DBRN)
    r.hline(0, 47, 22, K)
    # chimney
    r.rect(33, 0, 6, 9, GRY)
    r.rect(32, 0, 8, 2, LGRY)
    r.vline(38, 2, 8, DGRY)
    r.hline(33, 38, 4, DGRY)
    # round gable window
    r.disc(23.5, 12.5, 3.3, DBRN)
    r.disc(23.5, 12.5, 2.3, YEL)
    r.put(22, 11, WHT)
    r.vline(23, 10, 15, DBRN)


def cactus(r, part):
    r.fill(K)

    def col(x0, x1, y0, y1, cap=False):
        for y in range(y0, y1):
            for x in range(x0, x1):
                u = (x - (x0 + x1 - 1) / 2) / ((x1 - x0) / 2)
                c = LGRN if u < -0.4 else DGRN if u > 0.45 else GRN
                r.put(x, y, c)
        if cap:
            r.put(x0, y0, K)
            r.put(x1 - 1, y0, K)
        for y in range(y0 + 1, y1, 3):
            r.put((x0 + x1) // 2, y, LGRN if y % 2 else DGRN)

    if part == "top":
        col(5, 11, 2, 16, cap=True)
        r.disc(8, 1.5, 1.4, RED)
        r.put(8, 1, YEL)
    elif part == "mid":
        col(5, 11, 0, 16)
    elif part == "arm":
        col(5, 11, 0, 16)
        col(0, 5, 8, 12)
        col(0, 4, 2, 12, cap=True)
        col(11, 16, 10, 14)
        col(12, 16, 5, 14, cap=True)
    elif part == "small":
        col(5, 11, 6, 16, cap=True)
        col(1, 5, 10, 13)
        col(1, 4, 7, 13, cap=True)
    for y in range(16):
        for x in range(16):
            if r.get(x, y) == GRN and (x * 3 + y * 5) % 13 == 0:
                r.put(x, y, WHT)


# ---------------------------------------------------------------------------
# Rows.


def row_ground(row):
    rng = random.Random(100)
    tex_grass(tile(0, row), rng)
    tex_grass(tile(1, row), rng, blades=26, patches=False)
    tex_grass(
        tile(2, row), rng, blades=12, extra=[((RED, YEL), 1), ((WHT, YEL), 1), ((YEL, BRN), 1)]
    )
    r = tile(3, row)
    tex_grass(r, rng, blades=8)
    for x in range(0, 16, 2):
        h = 5 + (x * 7) % 5
        y0 = 15 - h + (x % 4)
        r.vline(x, y0, 15, LGRN if x % 4 == 0 else GRN)
        r.put(x + 1, 15, DGRN)
        r.put(x + 1, y0 + 2, DGRN)
    for i, k in enumerate(("L", "M", "R")):
        platform(tile(4 + i, row), k, R_GRASS, lambda rr, g: tex_dirt(rr, g), R_DIRT, 200 + i)
    tex_dirt(tile(7, row), rng, pebbles=1)
    tex_dirt(tile(8, row), rng, pebbles=7)
    tex_sand(tile(9, row), rng, ramp=(BRN, SAND, WHT))
    tex_grass(tile(10, row), rng, ramp=(K, DGRN, GRN), blades=20)
    r = tile(11, row)
    tex_grass(r, rng)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 6.2) ** 2 + ((y - 9.0) / 5.0) ** 2 <= 1
    }
    for x, y in sorted(m):
        r.put(x + 1, y + 1, DGRN)
    paint_round(r, m, R_STONE, hi=WHT, outline=DGRY)
    r.put(6, 9, DGRY)
    r.put(7, 10, DGRY)
    r.put(8, 10, DGRY)
    r = tile(12, row)
    tex_grass(r, rng)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 6.0) ** 2 + ((y - 7.5) / 5.0) ** 2 <= 1 + 0.2 * math.sin(x * 1.7 + y)
    }
    rr = random.Random(5)
    for x, y in sorted(m):
        edge = any(n not in m for n in nbrs4(x, y))
        c = DGRN if edge else (DBRN if rr.random() < 0.2 else BRN if rr.random() < 0.85 else SAND)
        r.put(x, y, c)


def row_objects(row1, row2):
    def at(c, rw):
        r = tile(c, rw)
        r.fill(K)
        return r

    at(0, row1).art(CHEST)
    at(1, row1).art(CHEST_OPEN)
    obj_door(at(2, row1))
    obj_ladder(at(3, row1))
    obj_key(at(4, row1))
    obj_coin(at(5, row1))
    obj_gem(at(6, row1), (DBRN, DBRN, RED, SAND, WHT))
    obj_gem(at(7, row1), (DBLU, DBLU, BLU, LBLU, WHT))
    obj_heart(at(8, row1))
    obj_mushroom(at(9, row1))
    obj_sign(at(10, row1))
    at(11, row1).art(TORCH)
    obj_barrel(at(12, row1))

    obj_flower(at(0, row2))
    obj_flower(at(1, row2), petal=(YEL, WHT), centre=BRN)
    obj_potion(at(2, row2))
    obj_potion(at(3, row2), liquid=(DBLU, BLU, LBLU))
    obj_sword(at(4, row2))
    obj_shield(at(5, row2))
    at(6, row2).art(SKULL)
    obj_star(at(7, row2))
    obj_bomb(at(8, row2))
    obj_crate(at(9, row2))
    obj_vase(at(10, row2))
    obj_apple(at(11, row2))
    obj_lantern(at(12, row2))


def row_nature(row):
    rng = random.Random(300)
    big_tree(tile(0, row, 3, 3), rng)
    pine(tile(3, row, 1, 2), rng)
    round_tree(tile(4, row, 1, 2), rng)
    house(tile(5, row, 3, 3), rng)
    # stump
    r = tile(3, row + 2)
    r.fill(K)
    for y in range(6, 16):
        for x in range(2, 14):
            u = (x - 7.5) / 5.5
            r.put(x, y, SAND if u < -0.5 else DBRN if u > 0.4 else BRN)
    for x in range(2, 14):
        for y in range(3, 9):
            if ((x - 7.5) / 5.8) ** 2 + ((y - 5.5) / 2.6) ** 2 <= 1:
                dd = math.hypot((x - 7.5) / 5.8, (y - 5.5) / 2.6)
                r.put(x, y, SAND if int(dd * 4) % 2 == 0 else BRN)
    r.hline(0, 1, 15, BRN)
    r.hline(14, 15, 15, DBRN)
    r.put(1, 14, BRN)
    r.put(14, 14, DBRN)
    # bush
    r = tile(4, row + 2)
    r.fill(K)
    blob_cluster(r, [(5, 10, 4.5), (11, 10, 4.5), (8, 7, 5), (8, 12, 4.5)], R_GRASS, K, rng)
    for x, y in ((5, 8), (10, 6), (11, 11), (7, 12)):
        r.put(x, y, RED)
        r.put(x + 1, y + 1, DBRN)
    # leaves, two shades
    tex_leaves(tile(8, row), random.Random(11))
    tex_leaves(tile(9, row), random.Random(12), ramp=(K, DGRN, GRN))
    # bark and a cut log end
    r = tile(8, row + 1)
    for y in range(16):
        for x in range(16):
            c = BRN
            if x % 5 == 0 or (x % 5 == 3 and (y // 3 + x) % 3 == 0):
                c = DBRN
            elif x % 5 == 1:
                c = SAND if (y + x) % 4 else BRN
            r.put(x, y, c)
    for x, y in ((2, 4), (12, 11)):
        r.rect(x, y, 3, 3, DBRN)
        r.put(x + 1, y + 1, K)
    r = tile(9, row + 1)
    r.fill(K)
    for y in range(16):
        for x in range(16):
            dd = math.hypot(x - 7.5, y - 7.5)
            if dd <= 7.4:
                c = SAND if int(dd) % 3 else BRN
                if dd > 6.2:
                    c = DBRN if x + y > 15 else BRN
                r.put(x, y, c)
    r.put(7, 7, DBRN)
    r.line(8, 8, 12, 11, DBRN)
    # hedge, fence
    r = tile(8, row + 2)
    tex_leaves(r, random.Random(13))
    bevel(r, LGRN, K)
    r = tile(9, row + 2)
    r.fill(K)
    for x0 in (1, 9):
        r.rect(x0, 2, 5, 14, BRN)
        r.vline(x0, 2, 15, SAND)
        r.vline(x0 + 4, 2, 15, DBRN)
        r.put(x0, 1, K)
        r.hline(x0 + 1, x0 + 3, 1, SAND)
        r.put(x0 + 2, 0, SAND)
    for y0 in (5, 11):
        r.hline(0, 15, y0, SAND)
        r.hline(0, 15, y0 + 1, BRN)
        r.hline(0, 15, y0 + 2, DBRN)
    # vines, tall grass, rock, reeds, sunflower, berry bush
    r = tile(10, row)
    r.fill(K)
    for x0 in (3, 11):
        for y in range(16):
            x = x0 + int(round(math.sin(y * 0.8 + x0) * 1.2))
            r.put(x, y, GRN)
            if y % 4 == (x0 % 4):
                r.put(x + 1, y, LGRN)
                r.put(x + 2, y, GRN)
                r.put(x + 1, y + 1, DGRN)
    copy_tile(tile(10, row), tile(10, row + 1))
    tile(10, row + 1).put(4, 15, RED)
    r = tile(11, row)
    r.fill(K)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 7.2) ** 2 + ((y - 10.5) / 5.2) ** 2 <= 1 and y < 16
    }
    paint_round(r, m, R_STONE, hi=WHT, outline=DGRY)
    r.line(5, 9, 7, 12, DGRY)
    for x in range(3, 13):
        if (x, 15) in m:
            r.put(x, 15, DGRY)
    r = tile(12, row)
    r.fill(K)
    for x0, hgt, c in ((2, 11, GRN), (5, 14, LGRN), (8, 9, GRN), (10, 13, LGRN), (13, 10, GRN)):
        r.line(x0, 15, x0 + (1 if x0 % 2 else -1), 15 - hgt, c)
        r.line(x0 + 1, 15, x0 + 1, 15 - hgt // 2, DGRN)
    r = tile(11, row + 1)
    r.fill(K)
    for x0 in (3, 8, 12):
        r.vline(x0, 6, 15, GRN)
        r.vline(x0 + 1, 8, 15, DGRN)
        r.rect(x0, 1 + x0 % 3, 2, 5, BRN)
        r.vline(x0, 1 + x0 % 3, 5 + x0 % 3, SAND)
        r.put(x0, x0 % 3, GRN)
    r.line(5, 15, 7, 9, LGRN)
    r = tile(12, row + 1)
    r.fill(K)
    r.vline(7, 7, 15, GRN)
    r.vline(8, 7, 15, DGRN)
    r.line(8, 12, 11, 10, GRN)
    r.line(7, 13, 4, 11, LGRN)
    for a in range(12):
        t = a * math.pi / 6
        r.disc(7.5 + 4.0 * math.cos(t), 5.0 + 4.0 * math.sin(t), 1.3, YEL)
    r.disc(7.5, 5.0, 2.5, BRN)
    r.put(7, 4, DBRN)
    r.put(8, 5, DBRN)
    r.put(6, 3, SAND)
    r = tile(11, row + 2)
    r.fill(K)
    blob_cluster(r, [(4, 11, 4), (11, 11, 4), (8, 8, 4.5)], (K, DGRN, GRN), K, rng)
    for x, y in ((4, 9), (9, 7), (11, 11), (6, 12), (12, 8)):
        r.put(x, y, BLU)
        r.put(x + 1, y, DBLU)
        r.put(x, y - 1, LBLU)
    r = tile(12, row + 2)
    r.fill(K)
    for x0, y0, c in ((2, 7, RED), (7, 4, WHT), (12, 8, YEL)):
        r.vline(x0, y0 + 2, 15, GRN)
        r.put(x0 + 1, y0 + 5, LGRN)
        r.put(x0 - 1, y0 + 6, GRN)
        for dx, dy in ((0, -1), (-1, 0), (1, 0), (0, 1)):
            r.put(x0 + dx, y0 + dy, c)
        r.put(x0, y0, YEL if c != YEL else BRN)
    r.vline(5, 11, 15, DGRN)
    r.vline(10, 12, 15, DGRN)


def row_water(row):
    for f in range(4):
        tex_water(tile(f, row), frame=f)
    tex_water(tile(4, row), deep=True)
    r = tile(5, row)
    tex_water(r, frame=0)
    lily = mask_disc(7.5, 8.5, 5.5) - {
        (x, y)
        for x in range(8, 16)
        for y in range(3, 9)
        if x - 7 > (8.5 - y) * 0.0 and y < 9 and x >= 8 and abs(y - 8.5) < (x - 7.5) * 0.9
    }
    paint_round(r, lily, R_GRASS, outline=DGRN)
    r = tile(6, row)
    copy_tile(tile(5, row), r)
    r.disc(6.5, 7.5, 2.2, WHT)
    r.disc(6.5, 7.5, 1.1, YEL)
    r.put(5, 6, RED)
    r.put(8, 6, RED)
    r = tile(7, row)
    tex_water(r, frame=2)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 6.0) ** 2 + ((y - 8.0) / 4.8) ** 2 <= 1
    }
    paint_round(r, m, R_STONE, hi=WHT, outline=DGRY)
    outline_mask(r, {(x, y) for (x, y) in m if y >= 8}, LBLU)
    paint_round(r, m, R_STONE, hi=WHT, outline=DGRY)
    # side-on water surface, two frames
    for f in range(2):
        r = tile(8 + f, row)
        tex_water(r, frame=f * 2)
        for x in range(16):
            s = 4 + int(round(math.sin((x + f * 4) * math.pi / 4) * 1.2))
            for y in range(0, s):
                r.put(x, y, K)
            r.put(x, s, WHT if (x + f) % 5 else LBLU)
            r.put(x, s + 1, LBLU)
    # grass bank above water, and water under a wooden bridge
    r = tile(10, row)
    tex_water(r, frame=1)
    tex_grass(Reg(r.ox, r.oy, 16, 7), random.Random(41), blades=6)
    for x in range(16):
        r.put(x, 6, DGRN)
        r.put(x, 7, DBRN)
        r.put(x, 8, WHT if x % 3 else LBLU)
        r.put(x, 9, LBLU if x % 2 else BLU)
    r = tile(11, row)
    tex_water(r, frame=3)
    for y0 in (1, 8):
        r.rect(0, y0, 16, 6, BRN)
        r.hline(0, 15, y0, SAND)
        r.hline(0, 15, y0 + 5, DBRN)
        r.hline(0, 15, y0 + 6, K)
        for x in (3, 12):
            r.put(x, y0 + 2, LGRY)
            r.put(x, y0 + 3, DGRY)
        for x in range(16):
            if (x * 5 + y0) % 7 == 0:
                r.put(x, y0 + 3, DBRN)
    r = tile(12, row)
    tex_water(r, frame=0)
    for x, y, c in ((3, 4, 0), (10, 9, 1), (6, 12, 0)):
        r.put(x, y, WHT)
        r.put(x + 1, y + 1, LBLU)
        r.put(x - 1, y + 1, LBLU)
        if c:
            r.disc(x + 0.5, y + 0.5, 1.2, LBLU)
            r.put(x, y, WHT)
    # waterfall frames, foam, ice over water, reeds, log
    for f in range(3):
        r = tile(f, row + 1)
        for y in range(16):
            for x in range(16):
                k = (y - f * 5 + (x * 7) % 16 * 0 + (x // 2) * 3 + 48) % 16
                c = BLU
                if (x % 4 == 1) and k < 6:
                    c = LBLU
                if (x % 4 == 3) and k > 10:
                    c = DBLU
                if (x % 8 == 5) and k in (3, 4, 11):
                    c = WHT
                r.put(x, y, c)
    for f in range(2):
        r = tile(3 + f, row + 1)
        copy_tile(tile(f, row + 1), r)
        for x in range(16):
            h = 6 + int(2 * math.sin(x * 1.3 + f * 2)) + (x + f) % 3
            for y in range(16 - h - 2, 16):
                if y > 16 - h:
                    r.put(x, y, WHT if (x + y + f) % 5 else LBLU)
                else:
                    r.put(x, y, LBLU)
    r = tile(5, row + 1)
    tex_water(r, frame=1)
    for x, y, rad in ((4, 11, 1.6), (10, 5, 1.2), (7, 2, 0.8), (12, 13, 0.8)):
        r.disc(x, y, rad, LBLU)
        r.disc(x, y, rad - 0.6, BLU)
        r.put(int(x - rad / 2), int(y - rad / 2), WHT)
    r = tile(6, row + 1)
    tex_water(r, frame=2)
    fish = ["..uuuuuu..u.", ".uwcccccuuu.", "ucKcccccccuu", ".uuucccccuu.", "..uuuuuuu.u."]
    r.art(
        [s.replace("u", "y").replace("c", "y").replace("w", "w") for s in fish],
        2,
        6,
        remap={"y": YEL},
    )
    for x in range(3, 12):
        r.put(x, 10, BRN if r.get(x, 10) == YEL else r.get(x, 10))
    r.put(3, 7, WHT)
    r.put(4, 8, K)
    r = tile(7, row + 1)
    tex_ice(r, random.Random(51))
    r = tile(8, row + 1)
    tex_ice(r, random.Random(52))
    r.line(2, 3, 7, 8, BLU)
    r.line(7, 8, 6, 13, BLU)
    r.line(7, 8, 13, 10, BLU)
    r.line(3, 3, 8, 8, WHT)
    r = tile(9, row + 1)
    tex_water(r, frame=1)
    for x0, hgt in ((3, 12), (6, 14), (9, 10), (12, 13)):
        r.vline(x0, 16 - hgt, 12, GRN)
        r.vline(x0 + 1, 18 - hgt, 12, DGRN)
        if hgt > 12:
            r.rect(x0, 16 - hgt, 2, 4, BRN)
            r.vline(x0, 16 - hgt, 19 - hgt, SAND)
        r.put(x0 - 1, 13, LBLU)
        r.put(x0 + 2, 13, LBLU)
    r = tile(10, row + 1)
    tex_water(r, frame=3)
    r.rect(0, 5, 16, 7, BRN)
    r.hline(0, 15, 5, SAND)
    r.hline(0, 15, 6, SAND)
    r.hline(0, 15, 10, DBRN)
    r.hline(0, 15, 11, DBRN)
    for x in range(0, 16, 4):
        r.put(x + 1, 8, DBRN)
        r.put(x + 2, 8, DBRN)
    for x in range(16):
        r.put(x, 12, WHT if x % 3 else LBLU)
    r = tile(11, row + 1)
    tex_water(r, frame=2)
    for x, y in ((3, 3), (11, 6), (6, 11), (13, 13)):
        r.put(x, y, WHT)
        r.put(x - 1, y, LBLU)
        r.put(x + 1, y, LBLU)
        r.put(x, y - 1, LBLU)
        r.put(x, y + 1, LBLU)
    r = tile(12, row + 1)
    tex_water(r, frame=0)
    for x, y in ((1, 2), (8, 1), (4, 8), (11, 9), (7, 13)):
        rr = Reg(r.ox + x, r.oy + y, 6, 5)
        m = {
            (a, b)
            for a in range(6)
            for b in range(5)
            if ((a - 2.5) / 2.8) ** 2 + ((b - 2) / 2.3) ** 2 <= 1
        }
        paint_round(rr, m, R_STONE, outline=DGRY)
    # sand/water shore set
    edge_row(
        row + 2,
        lambda r, g: tex_sand(r, g, ramp=(BRN, SAND, WHT)),
        lambda r, g: tex_water(r, frame=0),
        BRN,
        (WHT, LBLU),
        60,
    )


def flame(r, frame, ramp=(RED, YEL, WHT), top=1):
    oc, mc, ic = ramp
    for y in range(top, 16):
        t = (15 - y) / (15.0 - top)
        hw = 6.2 * math.sin(math.pi * min(1.0, 0.15 + t * 0.95)) ** 0.8 * (1 - 0.35 * t)
        cx = 7.5 + math.sin(t * 5 + frame * 2.5) * 1.6 * t
        for x in range(16):
            u = abs(x + 0.5 - cx - 0.5) / max(0.6, hw)
            if u <= 1:
                k = u + t * 0.6
                c = ic if k < 0.45 else mc if k < 0.8 else oc
                r.put(x, y, c)
    r.put(4 + frame * 6, top + 2 + frame, RED)
    r.put(10 - frame * 5, top + 4, YEL)


def row_desert(row):
    rng = random.Random(2400)
    tex_sand(tile(0, row), rng)
    tex_sand(tile(1, row), rng, ripples=True)
    tex_sand(tile(2, row), rng, shells=3)
    r = tile(3, row)
    tex_sand(r, rng)
    for x, y in ((3, 4), (10, 10), (12, 3)):
        m = {(x + a, y + b) for a in range(4) for b in range(3) if (a, b) not in ((0, 0), (3, 0))}
        for a, b in sorted(m):
            r.wput(a + 1, b + 1, BRN)
        paint_round(r, m, R_STONE, outline=None, dither=0)
    for i, part in enumerate(("top", "mid", "arm", "small")):
        r = tile(4 + i, row)
        tex_sand(r, random.Random(7 + i))
        buf = [[r.get(x, y) for x in range(16)] for y in range(16)]
        cactus(r, part)
        for y in range(16):
            for x in range(16):
                if r.get(x, y) == K:
                    r.put(x, y, buf[y][x])
    # bones in the sand
    r = tile(8, row)
    tex_sand(r, rng)
    sk = [".lllll.", "lwwwwwl", "lKwwKwl", "lKwwKwl", "lwwKwwl", ".lwlwl.", "..lll.."]
    r.art(sk, 1, 2)
    r.line(9, 12, 14, 8, WHT)
    r.line(9, 13, 14, 9, LGRY)
    for x, y in ((8, 12), (9, 11), (14, 7), (15, 8)):
        r.put(x, y, WHT)
    # palm top and trunk
    r = tile(9, row)
    r.fill(K)
    for ang, ln in ((-2.9, 8), (-2.2, 7), (-1.2, 7), (-0.3, 8), (0.4, 7), (2.9, 6), (-0.2, 5)):
        for t in range(ln):
            x = 7.5 + math.cos(ang) * t
            y = 7 + math.sin(ang) * t + 0.12 * t * t
            r.put(int(x), int(y), GRN if t < ln - 2 else DGRN)
            r.put(int(x), int(y) - 1, LGRN)
            r.put(int(x), int(y) + 1, DGRN)
    r.disc(6.0, 9.5, 1.3, BRN)
    r.disc(9.0, 9.5, 1.3, DBRN)
    r.put(5, 9, SAND)
    r.rect(7, 10, 2, 6, BRN)
    r.put(7, 12, SAND)
    r = tile(10, row)
    r.fill(K)
    for y in range(16):
        x0 = 6 + int(round(math.sin(y / 16.0 * 2 * math.pi) * 1.0))
        r.hline(x0, x0 + 3, y, BRN)
        r.put(x0, y, SAND)
        r.put(x0 + 3, y, DBRN)
        if y % 3 == 0:
            r.hline(x0, x0 + 3, y, DBRN)
            r.put(x0, y, BRN)
    # sandstone block with carving, quicksand, pyramid step
    r = tile(11, row)
    r.fill(SAND)
    bevel(r, WHT, BRN)
    r.rect(3, 3, 10, 10, BRN)
    r.rect(4, 4, 8, 8, SAND)
    eye = ["..bbbb..", ".b.bb.b.", "b..bb..b", ".bbbbbb.", "...b....", "...bb..."]
    r.art(eye, 4, 5)
    r = tile(12, row)
    for y in range(16):
        for x in range(16):
            dx, dy = x - 7.5, y - 7.5
            a = math.atan2(dy, dx)
            dd = math.hypot(dx, dy)
            v = math.sin(a * 2 + dd * 1.1)
            c = BRN if v > 0.5 else SAND if v > -0.6 else DBRN
            if dd > 8:
                c = SAND if (x + y) % 4 else BRN
            r.put(x, y, c)


def row_lava(row):
    for f in range(4):
        tex_lava(tile(f, row), frame=f)
    rng = random.Random(2700)
    for k in range(2):
        r = tile(4 + k, row)
        tex_lava(r, frame=k)
        lab = cobble_labels(rng, 16, 16, 2, 2 - k, gap=1.6 + k * 0.6, jitter=0.15)
        paint_cells(r, lab, None, (K, DGRY, GRY), rng, fleck=0.1)
        for y in range(16):
            for x in range(16):
                if lab[y][x] is not None and r.get(x, y) == DGRY and (x * 5 + y * 3) % 11 == 0:
                    r.put(x, y, DBRN)
    for k in range(2):
        r = tile(6 + k, row)
        tex_lava(r, frame=k * 2)
        for x in range(16):
            s = 5 + int(round(math.sin((x + k * 5) * math.pi / 5) * 1.0))
            for y in range(s):
                r.put(x, y, K)
            r.put(x, s, YEL)
        for x, y, rad in ((4 + k * 5, 3, 1.5), (11 - k * 2, 2 - k, 1.0)):
            r.disc(x, y, rad, RED)
            r.put(int(x), int(y) - 1, YEL)
    for k in range(2):
        r = tile(8 + k, row)
        for y in range(16):
            for x in range(16):
                kk = (y - k * 6 + (x // 3) * 5) % 16
                c = RED
                if x % 3 == 1 and kk < 6:
                    c = YEL
                if x % 3 == 0 and kk > 11:
                    c = DBRN
                if x % 6 == 1 and kk in (2, 3):
                    c = WHT
                r.put(x, y, c)
    r = tile(10, row)
    tex_rock(r, random.Random(2710), R_DARK, outline=K, cracks=0)
    for y in range(16):
        for x in range(16):
            if r.get(x, y) == K:
                r.put(x, y, RED if (x + y) % 3 else YEL)
    for f in range(2):
        r = tile(11 + f, row)
        r.fill(K)
        for x in range(3, 13):
            r.put(x, 15, DBRN if x % 3 else BRN)
            r.put(x, 14, BRN if x % 2 else DBRN)
        flame(Reg(r.ox, r.oy - 2, 16, 16), f, top=3)
        r.hline(3, 12, 15, DBRN)
        r.line(3, 15, 12, 13, BRN)
        r.line(3, 13, 12, 15, DBRN)
    edge_row(
        row + 1,
        lambda r, g: tex_rock(r, g, R_DARK, cracks=1),
        lambda r, g: tex_lava(r, frame=0),
        K,
        (DBRN, YEL),
        2800,
    )


def row_snow(row):
    rng = random.Random(2900)
    tex_snow(tile(0, row), rng)
    r = tile(1, row)
    tex_snow(r, rng)
    for x, y in ((3, 2), (6, 6), (3, 10), (6, 14)):
        r.put(x, y, LGRY)
        r.put(x + 1, y, LGRY)
        r.put(x, y + 1, LBLU)
        r.put(x + 1, y + 1, LGRY)
    r = tile(2, row)
    tex_dirt(r, rng)
    grass_lip(r, rng, (LBLU, WHT, WHT), depth=5)
    r = tile(3, row)
    paint_cells(r, brick_labels(16, 16, 8, 4), DGRY, R_STONE, rng)
    grass_lip(r, rng, (LBLU, WHT, WHT), depth=4)
    r = tile(4, row)
    r.fill(LBLU)
    bevel(r, WHT, BLU)
    bevel(r, WHT, BLU, 1, 1, 14, 14)
    r.line(3, 5, 5, 3, WHT)
    r.line(3, 8, 8, 3, WHT)
    r = tile(5, row)
    copy_tile(tile(4, row), r)
    r.line(9, 2, 11, 7, BLU)
    r.line(11, 7, 9, 12, BLU)
    r.line(11, 7, 14, 9, BLU)
    r.line(10, 2, 12, 7, WHT)
    # icicles
    r = tile(6, row)
    r.fill(K)
    r.rect(0, 0, 16, 3, WHT)
    r.hline(0, 15, 3, LBLU)
    for x0, ln in ((1, 9), (5, 6), (8, 12), (12, 7), (14, 4)):
        for y in range(3, 3 + ln):
            wdt = max(1, int(round(2.2 * (1 - (y - 3) / ln) + 0.5)))
            for x in range(x0, x0 + wdt):
                r.put(x, y, WHT if x == x0 else LBLU)
            r.put(x0 + wdt, y, BLU if wdt > 1 and y < 3 + ln - 1 else r.get(x0 + wdt, y))
    # frozen water
    r = tile(7, row)
    tex_water(r, frame=1)
    for y in range(16):
        for x in range(16):
            if (x + y) % 2 == 0 or r.get(x, y) == LBLU:
                r.put(x, y, LBLU)
    r.line(1, 12, 6, 7, WHT)
    r.line(9, 14, 14, 9, WHT)
    # snowman
    r = tile(8, row)
    r.fill(K)
    paint_round(r, mask_disc(7.5, 11.0, 4.6), (LBLU, LGRY, WHT), outline=None)
    paint_round(r, mask_disc(7.5, 4.5, 3.3), (LBLU, LGRY, WHT), outline=None)
    r.put(6, 4, K)
    r.put(9, 4, K)
    r.put(8, 5, YEL)
    r.put(9, 5, RED)
    r.hline(4, 11, 8, RED)
    r.put(10, 9, RED)
    r.put(7, 10, K)
    r.put(7, 12, K)
    r.rect(5, 0, 6, 2, K)
    r.hline(4, 11, 1, DGRY)
    # snowflake
    r = tile(9, row)
    r.fill(DBLU)
    for a in range(6):
        t = a * math.pi / 3
        for k in range(7):
            r.put(int(round(7.5 + math.cos(t) * k)), int(round(7.5 + math.sin(t) * k)), WHT)
        bx, by = 7.5 + math.cos(t) * 4, 7.5 + math.sin(t) * 4
        for s2 in (-1, 1):
            r.put(
                int(round(bx + math.cos(t + s2 * 0.8) * 1.8)),
                int(round(by + math.sin(t + s2 * 0.8) * 1.8)),
                LBLU,
            )
    r.put(7, 7, LBLU)
    # snowy bush, snowy rock, snowy fence
    r = tile(10, row)
    r.fill(K)
    blob_cluster(r, [(5, 10, 4.5), (11, 10, 4.5), (8, 7, 5)], (K, DGRN, GRN), K, rng)
    for x in range(16):
        for y in range(16):
            if r.get(x, y) != K:
                if r.get(x, y - 1) == K or r.get(x, y - 2) == K:
                    r.put(x, y, WHT if x < 10 else LGRY)
                break
    r = tile(11, row)
    r.fill(K)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 7.2) ** 2 + ((y - 10.5) / 5.2) ** 2 <= 1
    }
    paint_round(r, m, R_STONE, outline=DGRY)
    for x in range(16):
        col = [y for y in range(16) if (x, y) in m]
        if col:
            for y in range(col[0], col[0] + 3):
                r.put(x, y, WHT if x < 11 else LGRY)
    r = tile(12, row)
    copy_tile(tile(9, 5), r)
    for x in range(16):
        for y in range(16):
            if r.get(x, y) in (SAND, BRN, DBRN) and (r.get(x, y - 1) == K or y == 0):
                r.put(x, y, WHT)
                r.put(x, y - 1, WHT if y > 0 else None)
    edge_row(
        row + 1, lambda r, g: tex_snow(r, g), lambda r, g: tex_ice(r, g), LGRY, (BLU, None), 3000
    )
    row_bricks(row + 2, R_ICE, DBLU, 3100, window_ramp=(K, DBLU, BLU))


def cone(r, cx, y0, ln, wd, dirn):
    """A stalactite (dirn 1, hanging from y0) or stalagmite (dirn -1)."""
    for k in range(ln):
        y = y0 + k * dirn
        half = wd / 2.0 * (1 - k / float(ln)) + 0.3
        for x in range(16):
            u = (x + 0.5 - cx) / half
            if abs(u) <= 1:
                r.put(x, y, LGRY if u < -0.35 else DGRY if u > 0.35 else GRY)


def row_cave(row):
    rng = random.Random(3200)
    # cave wall, cave floor, stalactites, stalagmites
    tex_rock(tile(0, row), rng, R_DARK, cracks=2)
    r = tile(1, row)
    tex_rock(r, rng, R_DARK, cracks=0)
    grass_lip(r, rng, (DGRY, GRY, LGRY), depth=3)
    r = tile(2, row)
    r.fill(K)
    tex_rock(Reg(r.ox, r.oy, 16, 4), rng, R_DARK, cracks=0)
    for cx, ln, wd in ((3, 9, 5), (9, 13, 6), (13.5, 6, 4)):
        cone(r, cx, 3, ln, wd, 1)
    r.put(9, 15, LBLU)
    r = tile(3, row)
    r.fill(K)
    tex_rock(Reg(r.ox, r.oy + 12, 16, 4), rng, R_DARK, cracks=0)
    for cx, ln, wd in ((3.5, 9, 5), (8, 5, 4), (12, 12, 6)):
        cone(r, cx, 12, ln, wd, -1)
    # crystals
    for k, ramp in enumerate(((DBLU, LBLU, WHT), (DBRN, RED, SAND), (DGRN, LGRN, WHT))):
        r = tile(4 + k, row)
        r.fill(K)
        tex_rock(Reg(r.ox, r.oy + 13, 16, 3), rng, R_DARK, cracks=0)
        for cx, hgt, wdt, lean in ((4, 7, 3, -1), (8, 11, 4, 0), (12, 6, 3, 1)):
            for y in range(14 - hgt, 14):
                t = (y - (14 - hgt)) / hgt
                half = max(0.5, wdt / 2 * min(1, t * 2.5))
                xc = cx + lean * (1 - t) * 2
                for x in range(16):
                    if abs(x + 0.5 - xc) <= half:
                        r.put(
                            x,
                            y,
                            ramp[2]
                            if x + 0.5 < xc - half / 3
                            else ramp[0]
                            if x + 0.5 > xc + half / 3
                            else ramp[1],
                        )
        r.put(7, 5, WHT)
    # glowing mushrooms
    r = tile(7, row)
    r.fill(K)
    for cx, cy, rad in ((4.5, 8, 3), (10.5, 5, 3.6), (12, 11, 2)):
        m = {(x, y) for (x, y) in mask_disc(cx, cy, rad) if y <= cy}
        paint_round(r, m, (DBLU, BLU, LBLU), hi=WHT)
        r.vline(int(cx), int(cy) + 1, 15, LGRY)
        r.put(int(cx) + 1, 15, GRY)
    r.hline(0, 15, 15, DGRY)
    # bone pile, cobweb, chain, bars, spikes
    r = tile(8, row)
    r.fill(K)
    for x0, y0, x1, y1 in ((1, 14, 12, 10), (3, 9, 14, 13), (5, 15, 10, 6)):
        r.line(x0, y0, x1, y1, WHT)
        r.line(x0, y0 + 1, x1, y1 + 1, LGRY)
        for a, b in ((x0, y0), (x1, y1)):
            r.put(a - 1, b, WHT)
            r.put(a + 1, b, WHT)
    r.art(["..lll..", ".lwwwl.", ".KwwKw.", ".lwKwl.", "..lwl.."], 1, 2)
    r = tile(9, row)
    r.fill(K)
    for a in range(5):
        t = a * math.pi / 8
        r.line(0, 0, int(15 * math.cos(t)), int(15 * math.sin(t)), LGRY)
    for k in (4, 8, 12):
        pts = [
            (int(round(k * math.cos(a * math.pi / 8))), int(round(k * math.sin(a * math.pi / 8))))
            for a in range(5)
        ]
        for i in range(4):
            r.line(pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], GRY)
    r = tile(10, row)
    r.fill(K)
    for y0 in range(0, 16, 8):
        r.rect(6, y0, 4, 6, GRY)
        r.rect(7, y0 + 1, 2, 4, K)
        r.vline(6, y0, y0 + 5, LGRY)
        r.rect(7, y0 + 5, 2, 4, DGRY)
        r.vline(7, y0 + 5, y0 + 8, GRY)
    r = tile(11, row)
    r.fill(K)
    for x0 in (1, 6, 11):
        r.vline(x0, 0, 15, LGRY)
        r.vline(x0 + 1, 0, 15, GRY)
        r.vline(x0 + 2, 0, 15, DGRY)
    for y0 in (2, 12):
        r.hline(0, 15, y0, GRY)
        r.hline(0, 15, y0 + 1, DGRY)
    r = tile(12, row)
    r.fill(K)
    for x0 in range(0, 16, 4):
        for y in range(6, 16):
            hw = (y - 6) / 10 * 2
            for x in range(x0, x0 + 4):
                if abs(x + 0.5 - (x0 + 2)) <= hw:
                    r.put(x, y, LGRY if x < x0 + 2 else GRY)
        r.put(x0 + 1, 6, WHT)
    r.hline(0, 15, 15, DGRY)

    # dungeon fittings
    row += 1
    r = tile(0, row)
    src = tile(12, row - 1)
    for y in range(16):
        for x in range(16):
            c = src.get(x, 15 - y)
            r.put(x, y, {LGRY: GRY, GRY: DGRY}.get(c, c) if x % 4 >= 2 else c)
    for x0 in range(0, 16, 4):
        r.put(x0 + 1, 9, RED)
    for k in range(2):
        r = tile(1 + k, row)
        r.fill(K)
        r.rect(3, 11, 10, 5, DGRY)
        r.hline(3, 12, 11, GRY)
        if k == 0:
            r.line(8, 11, 4, 3, BRN)
            r.line(9, 11, 5, 3, DBRN)
            r.disc(4.5, 2.5, 1.6, RED)
        else:
            r.line(7, 11, 11, 3, BRN)
            r.line(8, 11, 12, 3, DBRN)
            r.disc(11.5, 2.5, 1.6, LGRN)
        r.put(5, 13, YEL if k else K)
        r.put(10, 13, K if k else RED)
    r = tile(3, row)
    r.fill(K)
    r.rect(2, 10, 12, 6, DGRY)
    r.rect(4, 7, 8, 3, RED)
    r.hline(4, 11, 7, SAND)
    r.vline(11, 7, 9, DBRN)
    r.hline(2, 13, 10, GRY)
    r = tile(4, row)
    paint_cells(r, brick_labels(16, 16, 8, 8), K, R_DARK, rng)
    r.rect(2, 2, 12, 12, DGRY)
    bevel(r, GRY, K, 2, 2, 12, 12)
    bevel(r, K, GRY, 3, 3, 10, 10)
    r = tile(5, row)
    r.fill(BRN)
    bevel(r, SAND, DBRN)
    for x in (4, 8, 12):
        r.vline(x, 1, 14, DBRN)
    for y in (3, 12):
        r.hline(1, 14, y, DGRY)
        r.hline(1, 14, y + 1, GRY)
    r.disc(8, 8, 1.5, DGRY)
    r.put(8, 8, YEL)
    r = tile(6, row)
    r.fill(K)
    for y in range(1, 15, 3):
        r.hline(1, 14, y, GRY)
        r.hline(1, 14, y + 1, DGRY)
    for x in (1, 14):
        r.vline(x, 1, 14, LGRY if x == 1 else DGRY)
    r = tile(7, row)
    paint_cells(r, brick_labels(16, 16, 8, 8), K, R_DARK, rng)
    r.art(
        ["..lllll..", ".lwwwwwl.", "lwKKwKKwl", "lwKKwKKwl", "lwwwKwwwl", ".lwwwwwl.", "..lwlwl.."],
        3,
        4,
    )
    # wall torch on dark bricks
    r = tile(8, row)
    paint_cells(r, brick_labels(16, 16, 8, 8), K, R_DARK, rng)
    sub = Reg(r.ox, r.oy, 16, 16)
    sub.art([ln.replace(".", ".") for ln in TORCH])
    # cell door
    r = tile(9, row)
    r.fill(DGRY)
    bevel(r, GRY, K)
    r.rect(3, 3, 10, 6, K)
    for x in (5, 8, 11):
        r.vline(x, 3, 8, GRY)
    r.put(12, 11, YEL)
    r.put(12, 12, DBRN)
    for x, y in ((2, 2), (13, 2), (2, 13), (13, 13)):
        r.put(x, y, LGRY)
    # stairs down, stairs up
    r = tile(10, row)
    r.fill(K)
    for k in range(4):
        r.rect(k * 2, k * 4, 16 - k * 4, 4, GRY if k % 2 == 0 else DGRY)
        r.hline(k * 2, 15 - k * 2, k * 4, LGRY)
    r = tile(11, row)
    r.fill(K)
    for k in range(4):
        r.rect(0, 12 - k * 4, 4 * (k + 1), 4, GRY)
        r.hline(0, 4 * (k + 1) - 1, 12 - k * 4, LGRY)
        r.vline(4 * (k + 1) - 1, 12 - k * 4, 15, DGRY)
    # coffin
    r = tile(12, row)
    r.fill(K)
    m = mask_poly([(5, 0.5), (11, 0.5), (14, 4), (11, 15.5), (5, 15.5), (2, 4)])
    paint_flat(r, m, (DBRN, BRN, SAND), outline=K)
    r.vline(8, 3, 11, YEL)
    r.hline(6, 10, 5, YEL)

    # pipes
    row += 1

    def pipe_h(r, x0, x1):
        for x in range(x0, x1):
            r.vline(x, 4, 11, GRY)
            r.put(x, 4, DGRY)
            r.put(x, 5, WHT)
            r.put(x, 6, LGRY)
            r.put(x, 10, DGRY)
            r.put(x, 11, K)

    def pipe_v(r, y0, y1):
        for y in range(y0, y1):
            r.hline(4, 11, y, GRY)
            r.put(4, y, DGRY)
            r.put(5, y, WHT)
            r.put(6, y, LGRY)
            r.put(10, y, DGRY)
            r.put(11, y, K)

    def joint(r):
        r.rect(3, 3, 10, 10, GRY)
        bevel(r, LGRY, K, 3, 3, 10, 10)
        for x, y in ((4, 4), (11, 4), (4, 11), (11, 11)):
            r.put(x, y, DGRY)

    pipe_kinds = [("h",), ("v",), ("ne",), ("nw",), ("se",), ("sw",), ("t",), ("x",)]
    for i, (k,) in enumerate(pipe_kinds):
        r = tile(i, row)
        r.fill(K)
        if k == "h":
            pipe_h(r, 0, 16)
            r.rect(12, 3, 3, 10, GRY)
            r.vline(12, 3, 12, LGRY)
            r.vline(14, 3, 12, DGRY)
        elif k == "v":
            pipe_v(r, 0, 16)
            r.rect(3, 12, 10, 3, GRY)
            r.hline(3, 12, 12, LGRY)
            r.hline(3, 12, 14, DGRY)
        else:
            if k in ("ne", "nw", "t", "x"):
                pipe_v(r, 0, 8)
            if k in ("se", "sw", "t", "x"):
                pipe_v(r, 8, 16)
            if k in ("ne", "se", "t", "x"):
                pipe_h(r, 8, 16)
            if k in ("nw", "sw", "x"):
                pipe_h(r, 0, 8)
            if k == "t":
                pipe_h(r, 8, 16)
            joint(r)
    r = tile(8, row)
    r.fill(K)
    pipe_h(r, 0, 16)
    r.disc(7.5, 7.5, 5.5, RED)
    r.disc(7.5, 7.5, 3.5, K)
    r.line(3, 7, 12, 7, RED)
    r.line(7, 3, 7, 12, RED)
    r.disc(7.5, 7.5, 1.2, SAND)
    r = tile(9, row)
    r.fill(K)
    pipe_h(r, 0, 10)
    r.rect(10, 2, 4, 12, GRY)
    r.vline(10, 2, 13, LGRY)
    r.vline(13, 2, 13, K)
    r.put(12, 7, DGRY)
    r = tile(10, row)
    r.fill(GRY)
    bevel(r, LGRY, DGRY)
    for x, y in ((2, 2), (13, 2), (2, 13), (13, 13), (7, 2), (7, 13)):
        r.put(x, y, WHT)
        r.put(x + 1, y + 1, DGRY)
    r = tile(11, row)
    for y in range(16):
        for x in range(16):
            r.put(x, y, YEL if ((x + y) // 4) % 2 == 0 else K)
    r = tile(12, row)
    r.fill(DGRY)
    bevel(r, GRY, K)
    for y in range(3, 13, 3):
        r.hline(2, 13, y, K)
        r.hline(2, 13, y + 1, GRY)

    # indoors
    row += 1
    r = tile(0, row)
    for y in range(16):
        for x in range(16):
            r.put(x, y, WHT if (x // 8 + y // 8) % 2 == 0 else K)
    for x0, y0 in ((0, 0), (8, 8)):
        r.hline(x0, x0 + 7, y0 + 7, LGRY)
        r.vline(x0 + 7, y0, y0 + 7, LGRY)
    r = tile(1, row)
    for y in range(16):
        for x in range(16):
            r.put(x, y, RED if (x // 8 + y // 8) % 2 == 0 else YEL)
    r = tile(2, row)
    r.fill(RED)
    for y in range(16):
        for x in range(16):
            dx, dy = abs(x - 7.5), abs(y - 7.5)
            if abs(dx + dy - 5) < 0.6:
                r.put(x, y, YEL)
            elif dx + dy < 2:
                r.put(x, y, SAND)
            elif x in (0, 15) or y in (0, 15):
                r.put(x, y, DBRN)
            elif x in (1, 14) or y in (1, 14):
                r.put(x, y, YEL)
    r = tile(3, row)
    r.fill(K)
    r.rect(0, 4, 16, 3, BRN)
    r.hline(0, 15, 4, SAND)
    r.hline(0, 15, 6, DBRN)
    for x0 in (1, 13):
        r.rect(x0, 7, 2, 9, BRN)
        r.vline(x0 + 1, 7, 15, DBRN)
    r.rect(5, 1, 3, 3, LGRY)
    r.hline(5, 7, 1, WHT)
    r.put(10, 3, RED)
    r.put(11, 3, RED)
    r.put(11, 2, GRN)
    r = tile(4, row)
    r.fill(K)
    r.rect(3, 0, 2, 16, BRN)
    r.vline(3, 0, 15, SAND)
    r.rect(3, 8, 10, 3, BRN)
    r.hline(3, 12, 8, SAND)
    r.hline(3, 12, 10, DBRN)
    r.rect(11, 11, 2, 5, DBRN)
    r.rect(3, 11, 2, 5, BRN)
    for y in (2, 5):
        r.hline(5, 6, y, DBRN)
    for k in range(2):
        r = tile(5 + k, row)
        r.fill(K)
        if k == 0:
            r.rect(1, 2, 14, 14, BRN)
            r.hline(1, 14, 2, SAND)
            r.rect(3, 4, 10, 6, WHT)
            r.hline(3, 12, 9, LGRY)
            r.rect(1, 11, 14, 5, BLU)
            r.hline(1, 14, 11, LBLU)
        else:
            r.rect(1, 0, 14, 12, BLU)
            for y in range(0, 12, 3):
                r.hline(1, 14, y, LBLU)
            r.rect(1, 12, 14, 4, BRN)
            r.hline(1, 14, 12, SAND)
            r.vline(14, 0, 15, DBRN)
        r.vline(1, 0 if k else 2, 15, SAND if k == 0 else DBRN)
    r = tile(7, row)
    r.fill(K)
    r.rect(6, 6, 4, 8, WHT)
    r.vline(9, 6, 13, LGRY)
    r.rect(4, 13, 8, 2, YEL)
    r.hline(4, 11, 14, BRN)
    flame(Reg(r.ox + 4, r.oy - 10, 8, 16), 0, top=11)
    r.put(7, 5, K)
    r = tile(8, row)
    r.fill(K)
    prof = [0, 0, 0, 0, 0, 0, 0, 0, 0, 4.5, 4.5, 4.2, 4, 3.8, 3.5, 0]
    lathe(r, prof, (DBRN, BRN, SAND), outline=None)
    blob_cluster(r, [(7.5, 5, 4), (4, 6, 2.6), (11, 6, 2.6)], R_GRASS, None, rng)
    r.hline(3, 12, 9, SAND)
    r = tile(9, row)
    r.fill(K)
    r.rect(1, 1, 14, 14, LBLU)
    r.rect(2, 8, 12, 6, BLU)
    r.vline(7, 1, 14, BRN)
    r.hline(1, 14, 7, BRN)
    bevel(r, SAND, DBRN, 0, 0, 16, 16)
    for y in range(1, 15):
        r.put(1, y, RED)
        r.put(2, y, RED if y < 10 else K)
        r.put(13, y, RED if y < 10 else K)
        r.put(14, y, RED)
    r.put(4, 3, WHT)
    r = tile(10, row)
    r.fill(K)
    r.rect(0, 0, 16, 3, GRY)
    r.hline(0, 15, 0, LGRY)
    r.rect(0, 3, 3, 13, GRY)
    r.rect(13, 3, 3, 13, GRY)
    r.vline(2, 3, 15, DGRY)
    r.vline(13, 3, 15, LGRY)
    flame(Reg(r.ox + 3, r.oy, 10, 16), 1, top=7)
    for x in range(3, 13):
        r.put(x, 15, BRN if x % 2 else DBRN)
    r = tile(11, row)
    r.fill(K)
    r.disc(7.5, 7.5, 7, BRN)
    r.disc(7.5, 7.5, 6, WHT)
    r.line(7, 7, 7, 3, K)
    r.line(8, 8, 11, 8, K)
    for a in range(12):
        t = a * math.pi / 6
        r.put(int(round(7.5 + math.cos(t) * 5)), int(round(7.5 + math.sin(t) * 5)), DGRY)
    r = tile(12, row)
    r.fill(BRN)
    for y in range(16):
        for x in range(16):
            if (x + y) % 8 == 0 or (x - y) % 8 == 0:
                r.put(x, y, DBRN)
            elif (x + y) % 8 == 4 and (x - y) % 8 == 4:
                r.put(x, y, YEL)


FONT = {
    "0": [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    "1": ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "2": [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    "3": ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    "4": ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    "5": ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    "6": ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    "7": ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    "8": [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    "9": [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "B": ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "G": [" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"],
    "H": ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "I": [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "J": ["  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "],
    "K": ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "N": ["#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "Q": [" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "U": ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "W": ["#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "],
    "X": ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
    "Y": ["#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "],
    "Z": ["#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"],
    "!": ["  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "     ", "  #  "],
    "?": [" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "],
    ".": ["     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "],
}
FONT_ORDER = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!?."


def glyph(r, ch, ink=WHT, shade=LGRY, shadow=DGRY):
    g = FONT[ch]
    for j, line in enumerate(g):
        for i, c in enumerate(line):
            if c == "#":
                for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1)):
                    x, y = 3 + i * 2 + dx, 1 + j * 2 + dy
                    r.put(x + 1, y + 1, shadow)
    for j, line in enumerate(g):
        for i, c in enumerate(line):
            if c == "#":
                for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1)):
                    x, y = 3 + i * 2 + dx, 1 + j * 2 + dy
                    r.put(
                        x,
                        y,
                        shade
                        if dy == 1
                        and j == len(g) - 1
                        or (dy == 1 and (j + 1 >= len(g) or g[j + 1][i] != "#"))
                        else ink,
                    )


def row_font(row):
    for i, ch in enumerate(FONT_ORDER):
        r = tile(i % COLS, row + i // COLS)
        r.fill(K)
        if ch.isdigit():
            glyph(r, ch, YEL, BRN, DBRN)
        elif ch.isalpha():
            glyph(r, ch)
        else:
            glyph(r, ch, RED, DBRN, K)


def row_platforms(row, lip, body, body_ramp, seed, depth=4):
    for i, k in enumerate(PLATFORM_KINDS):
        platform(tile(i, row), k, lip, body, body_ramp, seed + i, lip_depth=depth)


def frame_piece(r, px, py, ramp, panel, rivet):
    d, b, l = ramp
    for y in range(16):
        for x in range(16):
            # the middle pieces repeat, so they take the middle's distances
            gx = px * 16 + x if px != 1 else 24
            gy = py * 16 + y if py != 1 else 24
            ex = min(gx, 47 - gx)
            ey = min(gy, 47 - gy)
            dist = min(ex, ey)
            if ex < 3 and ey < 3 and ex + ey < 2:
                r.put(x, y, K)
                continue
            if dist == 0:
                c = K
            elif dist == 1:
                c = l if (gx < 24 and ex == 1 and ey >= 1) or (gy < 24 and ey == 1) else b
                if gx > 24 and ex == 1 or gy > 24 and ey == 1:
                    c = d
                if gx < 24 and ex == 1 and gy > 24 and ey >= 1 and ey != 1:
                    c = l
            elif dist == 2:
                c = b
            elif dist == 3:
                c = d if (gx < 24 and ex == 3) or (gy < 24 and ey == 3) else l
            elif dist == 4:
                c = K
            else:
                c = panel(x, y)
            r.put(x, y, c)
    if px != 1 and py != 1:
        x = 2 if px == 0 else 13
        y = 2 if py == 0 else 13
        r.put(x, y, rivet)
        r.put(x + (1 if px == 0 else -1), y, ramp[0])
        r.put(x, y + (1 if py == 0 else -1), ramp[0])


def row_ui(row):
    def at(c, rw):
        r = tile(c, rw)
        r.fill(K)
        return r

    obj_heart(at(0, row), small=True)
    r = at(1, row)
    obj_heart(r, small=True)
    for y in range(16):
        for x in range(8, 16):
            if r.get(x, y) in (RED, SAND, WHT):
                r.put(x, y, DGRY)
    r = at(2, row)
    obj_heart(r, small=True)
    for y in range(16):
        for x in range(16):
            if r.get(x, y) in (RED, SAND, WHT):
                r.put(x, y, DGRY if (x + y) % 2 else K)
    obj_star(at(3, row))
    r = at(4, row)
    m = mask_star()
    for x, y in sorted(m):
        if any(n not in m for n in nbrs4(x, y)):
            r.put(x, y, GRY)
    for k, (dx, dy) in enumerate(((0, -1), (0, 1), (-1, 0), (1, 0))):
        r = at(5 + k, row)
        m = set()
        for y in range(16):
            for x in range(16):
                u, v = x - 7.5, y - 7.5
                a, b2 = (u * dx + v * dy), (v * dx - u * dy)
                if (-6 <= a <= 0 and abs(b2) <= 1.2) or (0 <= a <= 6 and abs(b2) <= 6 - a):
                    m.add((x, y))
        paint_flat(r, m, (DGRN, GRN, LGRN), outline=None)
    r = at(9, row)
    cursor = [
        "w.........",
        "ww........",
        "wlw.......",
        "wllw......",
        "wlllw.....",
        "wllllw....",
        "wlllllw...",
        "wllllllw..",
        "wlllllllw.",
        "wllllwwwww",
        "wlwllw....",
        "ww.wllw...",
        "w..wllw...",
        "....wllw..",
        "....wllw..",
        ".....ww...",
    ]
    r.art(cursor, 3, 0, remap={"w": K, "l": WHT})
    for y in range(16):
        for x in range(16):
            if r.get(x, y) == K and any(
                r.get(a, b2) == WHT for a, b2 in nbrs4(x, y) if 0 <= a < 16 and 0 <= b2 < 16
            ):
                r.put(x, y, DGRY)
    r = at(10, row)
    for t in range(4):
        r.line(2 + t, 8 + t, 2 + t, 8 + t, GRN)
    r.line(2, 8, 6, 12, LGRN)
    r.line(3, 8, 6, 11, GRN)
    r.line(6, 12, 13, 3, LGRN)
    r.line(6, 11, 13, 2, GRN)
    r.line(7, 12, 14, 3, DGRN)
    r = at(11, row)
    r.line(3, 3, 12, 12, RED)
    r.line(4, 3, 12, 11, SAND)
    r.line(3, 4, 11, 12, DBRN)
    r.line(12, 3, 3, 12, RED)
    r.line(12, 4, 4, 12, DBRN)
    r.line(11, 3, 3, 11, SAND)
    r = at(12, row)
    r.disc(6, 6, 4.6, LGRY)
    r.disc(6, 6, 3.4, LBLU)
    r.put(4, 4, WHT)
    r.put(5, 4, WHT)
    r.line(9, 9, 13, 13, BRN)
    r.line(10, 9, 14, 13, DBRN)

    # two nine-piece frames, each laid out as it is used: 3x3 tiles
    for k, (ramp, panel, rivet) in enumerate(
        (
            ((DBRN, BRN, YEL), lambda x, y: DBLU, WHT),
            ((DGRY, GRY, LGRY), lambda x, y: K if (x + y) % 4 else DGRY, YEL),
        )
    ):
        for i in range(9):
            frame_piece(tile(k * 3 + i % 3, row + 1 + i // 3), i % 3, i // 3, ramp, panel, rivet)
    rw = row + 1
    for k in range(2):
        r = tile(6 + k, rw)
        r.fill(K)
        y0 = 3 + k
        r.rect(1, y0, 14, 10 - k, BLU if k == 0 else DBLU)
        bevel(r, LBLU if k == 0 else K, K if k == 0 else LBLU, 1, y0, 14, 10 - k)
        r.art(["..w..", ".www.", "wwwww"], 6, y0 + 3, remap={"w": WHT if k == 0 else LGRY})
        if k == 0:
            r.hline(2, 14, 13, DGRY)
    r = tile(8, rw)
    r.fill(K)
    r.rect(2, 2, 12, 12, WHT)
    bevel(r, GRY, LGRY, 2, 2, 12, 12)
    r.line(4, 8, 6, 10, GRN)
    r.line(6, 10, 11, 5, GRN)
    r.line(4, 7, 6, 9, LGRN)
    r.line(6, 9, 11, 4, LGRN)
    for k in range(4):
        r = tile(9 + k, rw)
        r.fill(K)
        full = k in (0, 1)
        for y in range(4, 12):
            for x in range(16):
                if k == 0 and x < 2 or k == 3 and x > 13:
                    continue
                if y in (4, 11) or (k == 0 and x == 2) or (k == 3 and x == 13):
                    c = LGRY if y == 4 else GRY
                elif k == 3 or not full:
                    c = DGRY if (x + y) % 2 else K
                else:
                    c = WHT if y == 5 else SAND if y == 6 else DBRN if y == 10 else RED
                r.put(x, y, c)
        if k == 0:
            r.put(2, 4, K)
            r.put(2, 11, K)
        if k == 3:
            r.put(13, 4, K)
            r.put(13, 11, K)

    # item icons, in the 7x2 block right of the frames
    slots = [(6 + i % 7, row + 2 + i // 7) for i in range(14)]
    slot = iter(slots)

    def at(c, rw):
        c, rw = next(slot)
        r = tile(c, rw)
        r.fill(K)
        return r

    rw = None

    def handle(r, x0, y0, x1, y1):
        r.line(x0, y0, x1, y1, BRN)
        r.line(x0 + 1, y0, x1 + 1, y1, DBRN)

    r = at(0, rw)
    handle(r, 3, 14, 10, 3)
    m = mask_poly([(8, 1), (14, 2.5), (14.5, 8), (11, 6), (8.5, 4.5)])
    paint_flat(r, m, R_STONE)
    r = at(1, rw)
    handle(r, 3, 14, 9, 4)
    for t in range(-6, 7):
        x = 8 + t
        y = 4 + int(round(t * t / 9.0)) - 1
        r.put(x, y, LGRY)
        r.put(x, y + 1, GRY if abs(t) < 5 else DGRY)
    r = at(2, rw)
    for t in range(13):
        a = -math.pi / 2 + math.pi * t / 12
        r.put(int(round(5 + 6 * math.cos(a))), int(round(7.5 + 7 * math.sin(a))), BRN)
        r.put(int(round(4 + 6 * math.cos(a))), int(round(7.5 + 7 * math.sin(a))), SAND)
    r.vline(5, 1, 14, LGRY)
    r = at(3, rw)
    r.line(2, 13, 13, 2, BRN)
    r.art(["..ww", ".wlw", "wll.", "ww.."], 11, 0, remap={"w": LGRY, "l": WHT})
    r.art(["r...", "rr..", ".rr.", "..rr"], 0, 11, remap={"r": RED})
    r = at(4, rw)
    handle(r, 9, 1, 6, 10)
    m = mask_poly([(3, 9), (9.5, 9), (9.5, 13), (6.2, 15.5), (3, 13)])
    paint_flat(r, m, R_STONE)
    r = at(5, rw)
    handle(r, 3, 14, 9, 6)
    r.rect(6, 1, 9, 6, GRY)
    bevel(r, LGRY, DGRY, 6, 1, 9, 6)
    r = at(6, rw)
    r.line(2, 14, 10, 6, BRN)
    r.line(3, 14, 11, 6, DBRN)
    for x, y, c in (
        (12, 3, WHT),
        (11, 3, YEL),
        (13, 3, YEL),
        (12, 2, YEL),
        (12, 4, YEL),
        (10, 1, LBLU),
        (14, 1, LBLU),
        (14, 5, LBLU),
        (10, 5, LBLU),
    ):
        r.put(x, y, c)
    r = at(7, rw)
    r.rect(3, 3, 10, 10, SAND)
    r.rect(2, 2, 12, 2, WHT)
    r.rect(2, 12, 12, 2, BRN)
    r.hline(2, 13, 4, BRN)
    for y in (6, 8, 10):
        r.hline(5, 10, y, BRN)
    r.put(12, 13, RED)
    r = at(8, rw)
    r.rect(2, 2, 12, 12, RED)
    bevel(r, SAND, DBRN, 2, 2, 12, 12)
    r.rect(4, 11, 10, 2, WHT)
    r.rect(5, 5, 6, 3, YEL)
    r.vline(3, 2, 13, DBRN)
    r = at(9, rw)
    r.rect(1, 2, 14, 12, SAND)
    for x in (5, 10):
        r.vline(x, 2, 13, BRN)
    r.line(2, 11, 7, 6, BLU)
    r.line(7, 6, 12, 9, BLU)
    r.art(["r.r", ".r.", "r.r"], 11, 4, remap={"r": RED})
    r.put(3, 4, GRN)
    r.put(4, 5, GRN)
    r = at(10, rw)
    for y in range(16):
        for x in range(16):
            dd = math.hypot(x - 7.5, y - 9.5)
            if 3.2 <= dd <= 5.4:
                r.put(x, y, YEL if (x + y) < 17 else BRN)
    r.disc(7.5, 3.5, 2.3, LBLU)
    r.put(7, 2, WHT)
    r = at(11, rw)
    crown = [
        "y.....y.....y..",
        "yy...yyy...yy..",
        "yyy.yyryy.yyy..",
        "yyyyyyyyyyyyy..",
        "ywyyywyyyrwyy..",
        "yyyyyyyyyyyyy..",
        "bbbbbbbbbbbbb..",
    ]
    r.art(crown, 1, 4)
    r = at(12, rw)
    m = mask_disc(7.5, 10, 5.5) | {(x, y) for x in range(6, 10) for y in range(3, 6)}
    paint_round(r, m, (DBRN, BRN, SAND), outline=DBRN)
    r.hline(5, 10, 5, YEL)
    r.put(7, 9, YEL)
    r.put(8, 9, YEL)
    obj_potion(at(0, rw), liquid=(DGRN, GRN, LGRN))


def row_sky(row):
    rng = random.Random(4700)
    SKY = LBLU
    r = tile(0, row, 3, 2)
    r.fill(SKY)
    blob_cluster(
        r,
        [(10, 20, 7), (20, 15, 9), (31, 16, 8), (39, 21, 6), (24, 22, 8), (14, 24, 6)],
        (LGRY, WHT, WHT),
        None,
        rng,
        texture=False,
    )
    for y in range(32):
        for x in range(48):
            if r.get(x, y) in (WHT, LGRY) and r.get(x, y + 1) == SKY:
                r.put(x, y, LGRY)
    r = tile(3, row, 2, 2)
    r.fill(SKY)
    for y in range(32):
        for x in range(32):
            dd = math.hypot(x - 15.5, y - 15.5)
            a = math.atan2(y - 15.5, x - 15.5)
            if dd < 8.5:
                c = WHT if dd < 5 and (x + y) < 30 else YEL
                r.put(x, y, c)
            elif (
                dd < 15 and math.cos(a * 8) > 0.6 and dd < 10.5 + 4 * (math.cos(a * 8) - 0.6) * 2.5
            ):
                r.put(x, y, YEL if dd < 12 else SAND)
    r = tile(5, row)
    r.fill(SKY)
    r = tile(5, row + 1)
    r.fill(SKY)
    blob_cluster(
        r, [(5, 9, 3.5), (9, 7, 4), (12, 10, 2.8)], (LGRY, WHT, WHT), None, rng, texture=False
    )
    for k in range(2):
        r = tile(6, row + k)
        r.fill(DBLU if k == 0 else K)
        for _ in range(4 + k * 2):
            x, y = rng.randrange(16), rng.randrange(16)
            r.put(x, y, WHT if rng.random() < 0.5 else LBLU)
        x, y = 4 + k * 5, 6 + k * 3
        for dx, dy in ((0, -1), (-1, 0), (1, 0), (0, 1)):
            r.put(x + dx, y + dy, LBLU)
        r.put(x, y, WHT)
    r = tile(7, row, 2, 2)
    r.fill(DBLU)
    for y in range(32):
        for x in range(32):
            if math.hypot(x - 15.5, y - 15.5) <= 11 and math.hypot(x - 21, y - 11) > 9.5:
                dd = math.hypot(x - 15.5, y - 15.5)
                r.put(x, y, LGRY if dd > 10 or x + y > 36 else WHT)
    for x, y, c in ((3, 4, WHT), (27, 27, LBLU), (26, 5, WHT), (5, 26, LBLU)):
        r.put(x, y, c)
    # distant mountains and near hills, each four tiles that repeat
    r = tile(9, row, 4, 1)
    r.fill(SKY)
    for x in range(64):
        t = 2 * math.pi * x / 64
        hgt = 5 + 4.5 * (0.5 + 0.5 * math.cos(t * 2)) + 2.5 * math.sin(t * 3 + 1) ** 2
        top = int(16 - hgt)
        for y in range(top, 16):
            dd = y - top
            slope = math.sin(t * 2)
            c = GRY if slope > 0 else DGRY
            if dd < 2 and hgt > 9:
                c = WHT if slope > 0 else LGRY
            r.put(x, y, c)
    r = tile(9, row + 1, 4, 1)
    r.fill(SKY)
    for x in range(64):
        t = 2 * math.pi * x / 64
        hgt = 8 + 3.5 * math.sin(t * 2) + 1.5 * math.sin(t * 5)
        top = int(16 - hgt)
        for y in range(top, 16):
            slope = math.cos(t * 2)
            c = LGRN if (y - top) < 2 else GRN
            if slope < -0.3 and (y - top) >= 1:
                c = DGRN if (x + y) % 2 else GRN
            r.put(x, y, c)
        for y in range(16):
            if (x * 5 + y * 3) % 37 == 0 and r.get(x, y) == GRN:
                r.put(x, y, YEL)

    # castle pieces
    rw = row + 2

    def cbricks(r, rr):
        paint_cells(r, brick_labels(16, 16, 8, 4), DGRY, R_STONE, rr, fleck=0.03)

    r = tile(0, rw)
    cbricks(r, rng)
    for x0 in (4, 12):
        r.rect(x0, 0, 4, 5, K)
    r.hline(0, 15, 5, LGRY)
    for x0 in (0, 8):
        r.hline(x0, x0 + 3, 0, LGRY)
    cbricks(tile(1, rw), rng)
    r = tile(2, rw)
    cbricks(r, rng)
    r.rect(7, 3, 2, 10, K)
    r.rect(5, 6, 6, 2, K)
    r.vline(6, 3, 12, LGRY)
    for k in range(3):
        r = tile(3 + k, rw)
        cbricks(r, rng)
        for y in range(16):
            for x in range(16):
                gx = k * 16 + x
                if (gx - 23.5) ** 2 + (y - 17) ** 2 <= 15**2:
                    dd = math.hypot(gx - 23.5, y - 17)
                    if dd > 13.5:
                        r.put(x, y, LGRY if gx < 24 else GRY)
                    elif dd > 12.5:
                        r.put(x, y, K)
                    else:
                        c = K
                        if (gx - 20) % 5 == 0 or y % 5 == 3:
                            c = DGRY
                        if y % 5 == 3 and (gx - 20) % 5 == 0:
                            c = GRY
                        r.put(x, y, c)
    for k, (c1, c2) in enumerate(((RED, DBRN), (BLU, DBLU))):
        r = tile(6 + k, rw)
        cbricks(r, rng)
        r.rect(3, 0, 10, 12, c1)
        r.vline(12, 0, 11, c2)
        for x in range(3, 13):
            r.put(x, 12 + (1 if 5 < x < 10 else 0), c1 if 5 < x < 10 else None)
        for x in (3, 4, 11, 12):
            r.put(x, 12, c1)
        r.line(5, 13, 7, 15, c1)
        r.line(10, 13, 8, 15, c1)
        r.rect(6, 3, 4, 4, YEL)
        r.put(7, 4, c1 if k == 0 else WHT)
        r.hline(2, 13, 0, GRY)
    for f in range(2):
        r = tile(8 + f, rw)
        r.fill(SKY)
        r.vline(2, 0, 15, DGRY)
        r.vline(3, 0, 15, GRY)
        r.put(2, 0, YEL)
        r.put(3, 0, YEL)
        for x in range(4, 15):
            off = int(round(math.sin((x + f * 3) * 0.8) * 1.2))
            for y in range(2 + off, 9 + off):
                r.put(x, y, RED if y < 6 + off else DBRN if x % 3 == 0 else RED)
            r.put(x, 2 + off, SAND)
    r = tile(10, rw)
    r.fill(SKY)
    for y in range(2, 16):
        hw = 0.6 + (y - 2) * 0.58
        for x in range(16):
            u = (x - 7.5) / hw
            if abs(u) <= 1:
                c = LBLU if u < -0.45 else DBLU if u > 0.35 else BLU
                if y % 4 == 3 and c == BLU:
                    c = DBLU
                r.put(x, y, c)
    r.hline(0, 15, 15, DBLU)
    r.vline(7, 0, 2, DGRY)
    r.rect(8, 0, 3, 2, RED)
    r = tile(11, rw)
    cbricks(r, rng)
    r.disc(7.5, 7.5, 4.2, LGRY)
    r.disc(7.5, 7.5, 3.2, K)
    r.disc(7.5, 7.5, 2.2, YEL)
    r.hline(5, 10, 7, DBRN)
    r.vline(7, 5, 10, DBRN)
    r = tile(12, rw)
    cbricks(r, rng)
    r.rect(5, 3, 6, 9, K)
    r.disc(7.5, 4.5, 2.6, K)
    r.rect(6, 5, 4, 6, YEL)
    r.put(7, 4, YEL)
    r.put(8, 4, YEL)
    r.vline(7, 4, 10, BRN)
    r.hline(5, 10, 12, LGRY)

    # small animations
    rw = row + 3
    for f in range(2):
        r = tile(f, rw)
        r.fill(K)
        hw, top = (6.5, 6) if f == 0 else (7.4, 8)
        m = {
            (x, y)
            for y in range(top, 16)
            for x in range(16)
            if ((x - 7.5) / hw) ** 2 + ((y - 15.5) / (15.5 - top)) ** 2 <= 1
        }
        paint_round(r, m, R_GRASS, hi=WHT, outline=DGRN)
        ey = top + 4
        for ex in (5, 9):
            r.rect(ex, ey, 2, 2, WHT)
            r.put(ex + 1, ey + 1, K)
    bat = (
        [
            "........",
            "d.......",
            "dd......",
            "ddd.....",
            "dddd..m.",
            ".dddd.dm",
            ".ddddddm",
            "..dddddm",
            "..d.dddd",
            ".....ddd",
            "......dm",
            "........",
        ],
        [
            "........",
            "........",
            "........",
            "........",
            "........",
            "......m.",
            "......dm",
            "...ddddm",
            ".ddddddm",
            "dddddddd",
            "ddd.dddd",
            "dd...ddm",
            "d.....dd",
        ],
    )
    for f in range(2):
        r = tile(2 + f, rw)
        r.fill(K)
        lines = [h + h[::-1] for h in bat[f]]
        r.art(lines, 0, 2)
        ey = 2 + (6 if f == 0 else 7)
        r.put(6, ey, RED)
        r.put(9, ey, RED)
    for f, rx in enumerate((6.0, 4.0, 1.2, 4.0)):
        r = tile(4 + f, rw)
        r.fill(K)
        m = {
            (x, y)
            for y in range(16)
            for x in range(16)
            if ((x + 0.5 - 8) / rx) ** 2 + ((y + 0.5 - 8) / 6.5) ** 2 <= 1
        }
        if f == 2:
            for x, y in sorted(m):
                r.put(x, y, YEL if x < 8 else BRN)
        else:
            paint_round(r, m, R_GOLD, hi=WHT, outline=DBRN)
            if f == 3:
                r.flip_h()
            if f == 0:
                for y in range(5, 11):
                    r.put(7, y, BRN)
                    r.put(8, y, YEL)
    for f, sz in enumerate((1, 3, 5)):
        r = tile(8 + f, rw)
        r.fill(K)
        for t in range(-sz, sz + 1):
            c = WHT if abs(t) < 2 else YEL if abs(t) < 4 else SAND
            r.put(7 + t, 7, c)
            r.put(7, 7 + t, c)
        if sz > 1:
            for t in (-1, 1):
                r.put(7 + t, 7 + t, YEL)
                r.put(7 + t, 7 - t, YEL)
    for f in range(2):
        r = tile(11 + f, rw)
        r.fill(K)
        for t in range(8):
            x = 10 - t
            y = 7 + (t % 2 if f else (t + 1) % 2)
            rad = 3.2 - t * 0.4
            if rad > 0.4:
                r.disc(x, y, rad, RED if t > 2 else YEL)
        paint_round(r, mask_disc(10.5, 7.5, 3.4), (RED, YEL, WHT), dither=0.1)


def row_misc(row):
    rng = random.Random(5100)

    def at(c, rw=row):
        r = tile(c, rw)
        r.fill(K)
        return r

    r = at(0)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 7) ** 2 + ((y - 9) / 4.6) ** 2 <= 1
    }
    paint_round(r, m, (DBRN, BRN, SAND), hi=WHT, outline=DBRN)
    for x0 in (4, 8, 11):
        r.line(x0, 7, x0 + 2, 5, SAND)
        r.line(x0 + 1, 8, x0 + 3, 6, BRN)
    r = at(1)
    m = mask_poly([(1, 12.5), (15, 12.5), (15, 7), (3, 4)])
    paint_flat(r, m, (BRN, YEL, WHT))
    r.hline(1, 14, 12, BRN)
    for x, y, rad in ((7, 9, 1.1), (11, 8, 0.8), (4, 10, 0.7), (13, 11, 0.6)):
        r.disc(x, y, rad, BRN)
    r = at(2)
    fish = [
        "....bbbb........",
        "...bBBBBbb...bb.",
        "..bBsBBBBBb.bBb.",
        ".bBKsBBBBBBbBBb.",
        ".bBBBBBBBBBBBb..",
        "..bsssssssBbBBb.",
        "...bbbbbbbb.bbb.",
    ]
    r.art([s.replace("B", "u").replace("s", "c").replace("b", "n") for s in fish], 0, 5)
    r = at(3)
    m = mask_disc(9.5, 6.5, 5.2)
    paint_round(r, m, (DBRN, BRN, SAND), hi=WHT, outline=DBRN)
    r.line(5, 10, 2, 13, WHT)
    r.line(6, 11, 3, 14, LGRY)
    for x, y in ((1, 13), (2, 14), (1, 12), (3, 15)):
        r.put(x, y, WHT)
    r = at(4)
    r.line(5, 9, 9, 2, GRN)
    r.line(11, 10, 9, 2, GRN)
    r.put(10, 1, LGRN)
    r.put(11, 1, GRN)
    for cx, cy in ((5, 11), (11, 11.5)):
        paint_round(r, mask_disc(cx, cy, 3.1), (DBRN, RED, SAND), hi=WHT, outline=DBRN)
    r = at(5)
    for cx, cy in ((5, 5), (9, 5), (7, 8), (11, 8), (4, 8.5), (6, 11), (10, 11), (8, 14)):
        paint_round(r, mask_disc(cx, cy, 2.1), (DGRN, GRN, LGRN), dither=0)
        r.put(int(cx) - 1, int(cy) - 1, WHT)
    r.line(7, 3, 8, 0, BRN)
    r = at(6)
    m = mask_poly([(3, 4), (9, 4), (6.5, 15.5)])
    for x, y in sorted(m):
        r.put(x, y, SAND if x < 5 else RED if (y % 3) else DBRN)
    for x0, x1 in ((3, 1), (6, 6), (8, 11)):
        r.line(6, 4, x1, 0, GRN)
    r.line(5, 3, 4, 0, LGRN)
    r = at(7)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 5) ** 2 + ((y - 8.5) / 6.5) ** 2 <= 1
    }
    paint_round(r, m, (LGRY, WHT, WHT), outline=GRY)
    r.put(5, 5, WHT)
    r = at(8)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 7.3) ** 2 + ((y - 9) / 5) ** 2 <= 1
    }
    paint_round(r, m, (DBRN, BRN, SAND), outline=DBRN)
    inner = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 5.5) ** 2 + ((y - 8) / 3.2) ** 2 <= 1
    }
    for x, y in sorted(inner):
        r.put(x, y, RED if (x * 3 + y) % 5 else SAND)
    for x in range(2, 14, 3):
        r.put(x, 8, SAND)
    r = at(9)
    prof = [0, 0, 1.8, 1.8, 1.8, 2.3, 3.2, 4, 4.2, 4.2, 4.2, 4.2, 4.2, 4.2, 4.2, 0]
    lathe(r, prof, (LGRY, WHT, WHT), outline=GRY)
    r.rect(6, 1, 4, 2, BLU)
    r.hline(4, 11, 10, LBLU)
    r.hline(4, 11, 11, BLU)
    r = at(10)
    r.rect(1, 8, 14, 7, SAND)
    r.hline(1, 14, 8, WHT)
    r.rect(1, 11, 14, 2, RED)
    r.vline(14, 8, 14, BRN)
    r.hline(1, 14, 15, BRN)
    for x in range(1, 15, 3):
        r.put(x, 9, RED)
        r.put(x + 1, 9, RED)
    r.disc(7.5, 6.2, 1.6, RED)
    r.put(7, 5, WHT)
    r.line(8, 4, 9, 2, GRN)
    r = at(11)
    for y in range(16):
        for x in range(16):
            dd = math.hypot(x - 7.5, y - 7.5)
            if 2.5 <= dd <= 6.6:
                c = BRN if y > 9 or dd > 6 else RED
                if c == RED and (x * 5 + y * 3) % 7 == 0:
                    c = [WHT, YEL, LBLU][(x + y) % 3]
                if c == RED and x + y < 12 and dd < 4:
                    c = SAND
                r.put(x, y, c)
    r = at(12)
    m = {
        (x, y)
        for y in range(16)
        for x in range(16)
        if ((x - 7.5) / 5.2) ** 2 + ((y - 8) / 6.8) ** 2 <= 1
    }
    paint_round(r, m, (BRN, YEL, WHT), outline=BRN)
    r.put(7, 0, GRN)
    r.put(8, 1, DGRN)

    # signposts, a grave, a well, a campfire; then empty tiles
    rw = row + 1
    for k in range(2):
        r = at(k, rw)
        r.vline(7, 7, 15, BRN)
        r.vline(8, 7, 15, DBRN)
        pts = (
            [(1, 2), (12, 2), (15, 5.5), (12, 9), (1, 9)]
            if k == 0
            else [(4, 2), (15, 2), (15, 9), (4, 9), (1, 5.5)]
        )
        m = mask_poly(pts)
        paint_flat(r, m, (DBRN, BRN, SAND), outline=DBRN)
        for x in range(4, 12):
            if x % 3:
                r.put(x, 5, DBRN)
    r = at(2, rw)
    m = {
        (x, y)
        for y in range(16)
        for x in range(2, 14)
        if y >= 6 or (x - 7.5) ** 2 + (y - 6.5) ** 2 <= 6**2
    }
    paint_flat(r, m, R_STONE, outline=DGRY)
    r.vline(7, 4, 10, DGRY)
    r.hline(5, 10, 6, DGRY)
    for x in range(0, 16):
        r.put(x, 15, GRN if x % 2 else DGRN)
        if x % 3 == 0:
            r.put(x, 14, LGRN)
    r = at(3, rw)
    lab = brick_labels(16, 8, 8, 4)
    paint_cells(Reg(r.ox, r.oy + 8, 16, 8), lab, DGRY, R_STONE, rng)
    r.rect(0, 6, 16, 2, GRY)
    r.hline(0, 15, 6, LGRY)
    r.rect(2, 8, 12, 2, K)
    for x0 in (1, 13):
        r.rect(x0, 0, 2, 6, BRN)
        r.vline(x0 + 1, 0, 5, DBRN)
    r.hline(1, 14, 0, DBRN)
    r.vline(8, 1, 6, SAND)
    r.rect(7, 5, 3, 2, BRN)
    r = at(4, rw)
    for x0, y0, x1, y1 in ((2, 14, 13, 11), (2, 11, 13, 14)):
        r.line(x0, y0, x1, y1, BRN)
        r.line(x0, y0 + 1, x1, y1 + 1, DBRN)
    flame(Reg(r.ox, r.oy - 3, 16, 16), 0, top=2)
    for x in range(1, 15, 3):
        r.put(x, 15, GRY)
        r.put(x + 1, 15, DGRY)


def row_bricks(row, ramp, mortar, seed, window_ramp=(DBLU, BLU, LBLU)):
    """Thirteen wall pieces in one material."""
    d, b, l = ramp
    rng = random.Random(seed)

    def big(r, rr=rng):
        paint_cells(r, brick_labels(16, 16, 16, 8, 8), mortar, ramp, rr, fleck=0.06)

    def small(r, rr=rng):
        paint_cells(r, brick_labels(16, 16, 8, 4), mortar, ramp, rr, fleck=0.05)

    big(tile(0, row))
    small(tile(1, row))
    r = tile(2, row)
    big(r)
    x, y = 5, 1
    for dx, dy in (
        (1, 1),
        (0, 1),
        (1, 1),
        (-1, 1),
        (0, 1),
        (1, 1),
        (1, 1),
        (0, 1),
        (-1, 1),
        (0, 1),
        (1, 1),
        (0, 1),
    ):
        r.put(x, y, mortar if mortar != b else K)
        r.put(x + 1, y, l)
        x += dx
        y += dy
    r.put(9, 6, mortar if mortar != b else K)
    r.put(10, 5, mortar if mortar != b else K)
    # mossy: green drips over the bricks
    r = tile(3, row)
    small(r)
    moss = (DGRN, GRN, LGRN) if ramp != R_GRASS else (K, DGRN, GRN)
    for x in range(16):
        dep = 2 + (x * 5 + 3) % 4 + (3 if x in (3, 4, 11) else 0)
        for y in range(dep):
            r.put(x, y, moss[2] if y == 0 else moss[1] if y < dep - 1 else moss[0])
    for x in (6, 13):
        r.vline(x, 4, 12, moss[1])
        r.put(x, 13, moss[0])
    # wall top: a capstone ledge over small bricks
    r = tile(4, row)
    small(r)
    r.rect(0, 0, 16, 5, b)
    r.hline(0, 15, 0, l)
    r.hline(0, 15, 1, l)
    r.hline(0, 15, 4, d)
    r.hline(0, 15, 5, K)
    for x in range(0, 16, 4):
        r.put(x, 2, d if x % 8 else b)
    # windows
    for k in range(2):
        r = tile(5 + k, row)
        big(r)
        m = {
            (x, y)
            for y in range(2, 16)
            for x in range(3, 13)
            if y >= 6 or (x - 7.5) ** 2 + (y - 6.5) ** 2 <= 4.6**2
        }
        for x, y in sorted(m):
            if any(n not in m for n in nbrs4(x, y)):
                r.put(x, y, l if (x < 8 and y < 9) else d)
            else:
                if k == 0:
                    c = K if y > 10 else window_ramp[0] if (x + y) % 5 else window_ramp[1]
                else:
                    c = YEL if (x - 7.5) ** 2 + (y - 9) ** 2 > 9 else WHT
                r.put(x, y, c)
        r.vline(7, 3, 14, d if k == 0 else BRN)
        r.hline(4, 11, 9, d if k == 0 else BRN)
        r.hline(2, 13, 15, l)
    # arch / doorway
    r = tile(7, row)
    big(r)
    for y in range(16):
        for x in range(16):
            dd = (x - 7.5) ** 2 + (y - 8.5) ** 2
            if y >= 8 and 2 <= x <= 13 or dd <= 5.6**2:
                r.put(x, y, K)
            elif y >= 8 and x in (1, 14) or 5.6**2 < dd <= 7.2**2 and y < 9:
                r.put(x, y, l if x < 8 else d)
    # pillar
    r = tile(8, row)
    r.fill(K)
    for y in range(16):
        for x in range(2, 14):
            u = (x - 7.5) / 6
            c = l if u < -0.45 else d if u > 0.4 else b
            if (x - 2) % 4 == 3 and 3 < x < 12:
                c = d if u > -0.2 else b
            if y == 7:
                c = mortar if mortar is not None else d
            elif y == 8 and u < 0.4:
                c = l
            r.put(x, y, c)
    # beveled block, quartered block, studded block
    r = tile(9, row)
    r.fill(b)
    bevel(r, l, d)
    bevel(r, l, d, 1, 1, 14, 14)
    r.rect(4, 4, 8, 8, d)
    r.rect(5, 5, 6, 6, b)
    r.hline(5, 10, 5, l)
    r.vline(5, 5, 10, l)
    r = tile(10, row)
    for x0, y0 in ((0, 0), (8, 0), (0, 8), (8, 8)):
        r.rect(x0, y0, 8, 8, b)
        bevel(r, l, d, x0, y0, 8, 8)
        r.put(x0 + 3, y0 + 3, l)
        r.put(x0 + 4, y0 + 4, d)
    r = tile(11, row)
    r.fill(b)
    bevel(r, l, mortar if mortar is not None else d)
    for x, y in ((3, 3), (11, 3), (3, 11), (11, 11)):
        r.put(x, y, l)
        r.put(x + 1, y, b)
        r.put(x, y + 1, b)
        r.put(x + 1, y + 1, d)
    dm = mask_poly([(8, 3.5), (12.5, 8), (8, 12.5), (3.5, 8)])
    paint_flat(r, dm, (l, d, b) if b != d else ramp)
    # half-height ledge
    r = tile(12, row)
    r.fill(K)
    lab = brick_labels(16, 16, 8, 4)
    hb = Reg(r.ox, r.oy + 8, 16, 8)
    paint_cells(hb, lab[8:], mortar, ramp, rng)
    r.hline(0, 15, 8, l)


def row_stone(row, ramp, mortar, seed, moss=R_GRASS):
    d, b, l = ramp
    rng = random.Random(seed)
    paint_cells(
        tile(0, row),
        cobble_labels(rng, 16, 16, 3, 2, gap=0.8, jitter=0.2),
        mortar,
        ramp,
        rng,
        fleck=0.03,
    )
    paint_cells(
        tile(1, row),
        cobble_labels(rng, 16, 16, 4, 3, gap=0.7, jitter=0.15),
        mortar,
        ramp,
        rng,
        fleck=0.02,
    )
    paint_cells(
        tile(2, row),
        cobble_labels(rng, 16, 16, 2, 2, gap=0.8, jitter=0.15),
        mortar,
        ramp,
        rng,
        fleck=0.03,
    )
    # flagstones: irregular slabs
    lab = []
    for y in range(16):
        rr = []
        for x in range(16):
            band = 0 if y < 7 else 1
            cut = 6 if band == 0 else 11
            if y in (0, 7) or x == cut or (band == 0 and x == 15) or (band == 1 and x == 2):
                rr.append(None)
            else:
                rr.append((band, x < cut))
        lab.append(rr)
    paint_cells(tile(3, row), lab, mortar, ramp, rng, fleck=0.1)
    # gravel
    r = tile(4, row)
    r.fill(d)
    for _ in range(34):
        x, y = rng.randrange(16), rng.randrange(16)
        r.wput(x, y, l)
        r.wput(x + 1, y, b)
        r.wput(x, y + 1, b)
        r.wput(x + 1, y + 1, mortar if mortar is not None else d)
    # rough rock, cracked rock
    tex_rock(tile(5, row), rng, ramp, cracks=0)
    tex_rock(tile(6, row), rng, ramp, cracks=3)
    # path stones set in grass
    r = tile(7, row)
    tex_grass(r, rng, blades=10)
    lab = cobble_labels(rng, 16, 16, 2, 2, gap=2.2, jitter=0.15)
    buf = [[r.get(x, y) for x in range(16)] for y in range(16)]
    paint_cells(r, lab, None, ramp, rng)
    for y in range(16):
        for x in range(16):
            if lab[y][x] is None:
                r.put(x, y, buf[y][x])
    # mossy cobbles
    r = tile(8, row)
    lab = cobble_labels(rng, 16, 16, 3, 2, gap=0.9, jitter=0.2)
    paint_cells(r, lab, moss[1], ramp, rng, fleck=0.03)
    for y in range(16):
        for x in range(16):
            if lab[y][x] is not None and lab[(y - 1) % 16][x] is None and (x + y) % 3:
                r.put(x, y, moss[2])
    # block with bevel
    r = tile(9, row)
    r.fill(b)
    bevel(r, l, mortar if mortar is not None else d)
    bevel(r, l, d, 1, 1, 14, 14)
    for _ in range(8):
        x, y = rng.randrange(3, 13), rng.randrange(3, 13)
        r.put(x, y, d)
    # ore: gold, gems, coal
    for k, (c1, c2) in enumerate(((YEL, WHT), (LBLU, WHT), (RED, SAND))):
        r = tile(10 + k, row)
        tex_rock(r, rng, ramp, cracks=0)
        for _ in range(4):
            x, y = rng.randrange(1, 14), rng.randrange(1, 14)
            r.put(x, y, c1)
            r.put(x + 1, y, c1)
            r.put(x, y + 1, c1)
            r.put(x + 1, y + 1, K)
            r.put(x, y - 1 if y > 0 else y, c2)


def row_wood(row, ramp, seed):
    d, b, l = ramp
    rng = random.Random(seed)
    dk = K if d != K else K
    # horizontal planks, vertical planks, parquet
    paint_cells(tile(0, row), plank_labels(16, 16, 4, rng, seams=1), dk, ramp, rng, fleck=0.12)
    paint_cells(
        tile(1, row),
        plank_labels(16, 16, 4, rng, seams=1, vertical=True),
        dk,
        ramp,
        rng,
        fleck=0.12,
    )
    r = tile(2, row)
    for qx, qy in ((0, 0), (8, 0), (0, 8), (8, 8)):
        vert = (qx + qy) % 16 == 0
        for y in range(8):
            for x in range(8):
                a = x if vert else y
                c = d if a % 4 == 3 else (l if a % 4 == 0 else b)
                if (x * 3 + y * 7 + qx) % 13 == 0 and a % 4 in (1, 2):
                    c = d
                r.put(qx + x, qy + y, c)
    # floorboards with nails
    r = tile(3, row)
    paint_cells(r, plank_labels(16, 16, 8, rng, seams=1), dk, ramp, rng, fleck=0.1)
    for y in (2, 5, 10, 13):
        r.put(1, y, LGRY)
        r.put(14, y, GRY)
    # crates
    obj_crate(tile(4, row), ramp)
    r = tile(5, row)
    r.fill(b)
    for y in range(2, 14, 4):
        r.hline(1, 14, y, d)
        r.hline(1, 14, y + 1, l)
    bevel(r, l, d)
    r.rect(0, 0, 16, 2, d)
    r.hline(0, 15, 0, l)
    r.rect(0, 14, 16, 2, d)
    r.hline(0, 15, 15, K)
    r.put(2, 1, LGRY)
    r.put(13, 1, LGRY)
    r.put(2, 14, GRY)
    r.put(13, 14, GRY)
    # log side, log end
    r = tile(6, row)
    r.fill(K)
    for y in range(2, 14):
        v = (y - 7.5) / 6
        c = l if v < -0.5 else d if v > 0.45 else b
        r.hline(0, 15, y, c)
    for x in range(0, 16, 3):
        r.put(x, 5 + x % 4, d)
        r.put(x + 1, 9 - x % 3, d)
    r.hline(0, 15, 2, d)
    r.hline(0, 15, 13, K)
    r = tile(7, row)
    r.fill(K)
    for y in range(16):
        for x in range(16):
            dd = math.hypot(x - 7.5, y - 7.5)
            if dd <= 7.4:
                c = l if int(dd * 0.8) % 2 else b
                if dd > 6.3:
                    c = d
                r.put(x, y, c)
    r.put(7, 7, d)
    r.put(8, 8, d)
    # rope bridge, fence
    r = tile(8, row)
    r.fill(K)
    for x0 in range(0, 16, 4):
        r.rect(x0, 4, 3, 10, b)
        r.vline(x0, 4, 13, l)
        r.vline(x0 + 2, 4, 13, d)
        r.put(x0 + 1, 12, d)
    r.hline(0, 15, 3, SAND)
    r.hline(0, 15, 2, BRN)
    for x in range(0, 16, 2):
        r.put(x, 3, BRN)
    r = tile(9, row)
    r.fill(K)
    for x0 in (2, 11):
        r.rect(x0, 1, 3, 15, b)
        r.vline(x0, 1, 15, l)
        r.vline(x0 + 2, 1, 15, d)
    for y0 in (4, 10):
        r.hline(0, 15, y0, l)
        r.hline(0, 15, y0 + 1, b)
        r.hline(0, 15, y0 + 2, d)
    # door halves
    for k in range(2):
        r = tile(10 + k, row)
        r.fill(K)
        for y in range(16):
            for x in range(1, 15):
                if k == 0 and (x - 7.5) ** 2 + (y - 9) ** 2 > 7.0**2 and y < 9:
                    continue
                c = b
                if x % 4 == 1:
                    c = l
                elif x % 4 == 0:
                    c = d
                r.put(x, y, c)
        for x in range(1, 15):
            r.put(x, 12 if k == 0 else 4, GRY)
            r.put(x, 13 if k == 0 else 5, DGRY)
        if k == 1:
            r.put(11, 0, YEL)
            r.put(12, 0, YEL)
            r.put(11, 1, BRN)
        r.vline(0, 0, 15, DGRY if k else K)
        r.vline(15, 0, 15, DGRY if k else K)
    # bookshelf
    r = tile(12, row)
    r.fill(d)
    bevel(r, l, K)
    cols = [RED, BLU, GRN, YEL, DBLU, SAND, RED, DGRN, BLU]
    for y0 in (1, 8):
        x = 2
        i = y0
        while x < 14:
            wdt = 1 + (i % 2)
            hgt = 5 + (i % 3 == 0)
            c = cols[(i * 5) % len(cols)]
            r.rect(x, y0 + 6 - hgt, wdt, hgt, c)
            r.put(x, y0 + 6 - hgt, WHT if c in (BLU, RED) else LGRY)
            x += wdt
            i += 1
        r.hline(1, 14, y0 + 6, l)


def build():
    row_ground(0)
    row_objects(1, 2)
    row_nature(3)
    row_water(6)
    row_bricks(9, R_REDB, GRY, 901)
    row_bricks(10, R_STONE, DGRY, 902)
    row_bricks(11, R_WATER, DGRY, 903, window_ramp=(K, DGRY, GRY))
    row_bricks(12, R_SANDST, BRN, 904)
    row_bricks(13, R_DIRT, DBRN, 905)
    row_bricks(14, R_GRASS, DGRY, 906)
    row_bricks(15, R_MARBLE, GRY, 907)
    row_bricks(16, R_DARK, K, 908)
    row_stone(17, R_STONE, DGRY, 1701)
    row_stone(18, R_DIRT, DBRN, 1801)
    row_stone(19, R_DARK, K, 1901, moss=(K, DGRN, GRN))
    row_stone(20, R_SANDST, BRN, 2001)
    row_wood(21, R_DIRT, 2101)
    row_wood(22, R_DWOOD, 2201)
    row_wood(23, R_SANDST, 2301)
    row_desert(24)
    edge_row(
        25,
        lambda r, g: tex_grass(r, g, blades=10),
        lambda r, g: tex_sand(r, g),
        DGRN,
        (BRN, None),
        2500,
    )
    edge_row(
        26,
        lambda r, g: tex_grass(r, g, blades=10),
        lambda r, g: tex_dirt(r, g, pebbles=2),
        DGRN,
        (DBRN, None),
        2600,
        depth=3,
    )
    row_lava(27)
    row_snow(29)
    row_cave(32)
    row_font(36)
    row_platforms(39, R_GRASS, lambda r, g: tex_dirt(r, g), R_DIRT, 3900)
    row_platforms(
        40, (LBLU, WHT, WHT), lambda r, g: tex_rock(r, g, R_STONE, cracks=0), R_STONE, 4000
    )
    row_platforms(
        41,
        (BRN, SAND, WHT),
        lambda r, g: paint_cells(r, brick_labels(16, 16, 8, 4), BRN, (DBRN, BRN, SAND), g),
        (DBRN, BRN, SAND),
        4100,
    )
    row_platforms(
        42,
        R_GRASS,
        lambda r, g: paint_cells(r, brick_labels(16, 16, 16, 8), K, R_DARK, g),
        R_DARK,
        4200,
        depth=3,
    )
    row_ui(43)
    row_sky(47)
    row_misc(51)


def bmp_bytes():
    out = bytearray()
    size = W * H // 2 + 118
    out += b"BM" + struct.pack("<IIII", size, 0, 118, 40)
    out += struct.pack("<iiHHII", W, H, 1, 4, 0, W * H // 2)
    out += bytes(16)
    for rr, gg, bb in PALETTE:
        out += bytes((bb, gg, rr, 0))
    for y in range(H - 1, -1, -1):
        base = y * W
        for x in range(0, W, 2):
            out.append((PIX[base + x] << 4) | PIX[base + x + 1])
    assert len(out) == size
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = (
        sys.argv[1]
        if len(sys.argv) > 1
        else os.path.join(here, os.pardir, "data", "demo", "1TIL0000.bmp")
    )
    build()
    d = os.path.dirname(out)
    if d and not os.path.isdir(d):
        os.makedirs(d)
    with open(out, "wb") as f:
        f.write(bmp_bytes())


if __name__ == "__main__":
    main()
