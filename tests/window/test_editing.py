# The editor as a person uses it, in a real window: the window's size and
# caption from the settings; an editing pass in which exactly the painted
# pixels change; the end on a close request and when the display goes.
from harness import *

# Grid pixel (x, y) of the 2 x 2 tiles from (3, 2) is sheet pixel (48 + x, 32 + y). None of
# these holds its new colour yet, so each paint leaves an entry for Ctrl+Z.
pix, painted = random_sheet(848, 5), {(5, 7): 6, (10, 4): 14, (20, 8): 6, (30, 1): 3, **{(x, 12): 11 for x in range(2, 10)}}
(WORK / '1TIL0000.bmp').write_bytes(sheet(pix))
(WORK / 'vorludef.txt').write_bytes(b'3\n')
e = Editor(3)
assert e.size == (1200, 1056), 'window %s at scale 3' % (e.size,)
e.click((52, 36))                            # tile (3, 2)
e.click((60, 40), (120, 90), (74, 58), b=3)  # out to (7, 5), back to (4, 3)
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
want = sheet([[painted.get((x - 48, y - 32), c) for x, c in enumerate(row)] for y, row in enumerate(pix)])
assert e.save() == want, 'after the editing pass'
assert e.close() == (0, ''), 'close request'

e = Editor(3)
xvfb.kill()
assert e.proc.wait(5) == 1, 'editor outlived its display'
