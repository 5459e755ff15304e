# The sheet view while scrolling and selecting, and editing passes as a person
# makes them: exactly the painted pixels change; a pass left with Escape changes nothing.
from harness import *

pix = random_sheet(848, 5)
mark = Image.open(REPO / 'data' / 'vorlugfx.bmp').convert('RGB').crop((0, 64, 16, 80))
mask = ImageChops.difference(mark, Image.new('RGB', (16, 16), '#f0f')).convert('L').point(lambda v: v and 255)

def check_view(e, top, x0=0, y0=0, w=0, h=0):
    """The sheet view's 13 x 22 tiles from tile row top, with the marker on the w x h selected from (x0, y0)."""
    want = Image.open(io.BytesIO(sheet(pix[16 * top:][:352]))).convert('RGB')
    [want.paste(mark, (16 * (x0 + i % w), 16 * (y0 + i // w - top)), mask) for i in range(w * h)]
    e.click((300, 300), b=0)
    bad = ImageChops.difference(want, e.shot().crop((0, 0, 416, 704)).reduce(2)).point(lambda v: 255 * (v > 8))
    assert not bad.getbbox(), 'view from row %d: wrong pixels within %s' % (top, bad.getbbox())

# Grid pixel (x, y) of the 2 x 2 tiles from (3, 7) is sheet pixel (48 + x, 112 + y). None of
# these holds its new colour yet, so each paint leaves an entry for Ctrl+Z.
painted = {(5, 7): 6, (10, 4): 14, (20, 8): 6, (30, 1): 3, **{(x, 12): 11 for x in range(2, 10)}}
(WORK / '1TIL0000.bmp').write_bytes(sheet(pix))
e = Editor()
e.key('Down', 0.1)                           # one press: rows 5 and on
e.click((52, 36))                            # tile (3, 7)
e.click((60, 40), (120, 90), (74, 58), b=3)  # out to (7, 10), back to (4, 8)
check_view(e, 5, 3, 7, 2, 2)
e.key('Return')
e.click((164, 8))                            # swatch 6
e.click((13, 31))                            # layout 1, magnification 1: (5, 7)
e.click((114, 92), b=3)                      # a repeated copy, colour 6 + 8: (10, 4)
e.key('s')
e.click((49, 105))                           # magnification 2, second copy down: (20, 8)
e.key('4')                                   # one copy at (56, 56)
e.click((275, 3))                            # swatch 11
e.click((117, 59), b=3)                      # (30, 1)
e.key('s')                                   # magnification 3: 96 x 96
e.click(*[(63 + 3 * k, 93) for k in range(8)])  # a trail over (2, 12) to (9, 12)
e.click((153, 60))                           # right of the single copy: nothing
e.click((133, 141), b=3)                     # (25, 28) ...
e.key('z', mods=('Control_L',))              # ... taken back, and only that
e.key('Return')
want = sheet([[painted.get((x - 48, y - 112), c) for x, c in enumerate(row)] for y, row in enumerate(pix)])
assert e.save() == want, 'after the editing pass'

e.key('Return')
e.click(*[(60 + 3 * k, 60 + k) for k in range(10)])
e.click((70, 70), b=3)
e.key('Escape')
assert e.save() == want, 'after a pass left with Escape'
e.key('Down', 1.5)                           # repeats, and stops with the last row at the bottom
check_view(e, 31)
assert e.close()[0] == 0
