# An editing pass as a person makes it, checked in the saved file: exactly the
# painted pixels change. A pass left with Escape changes nothing.
from harness import *

pix = random_sheet(432, 5)  # 27 tile rows: Down stops at row 5 even if a busy machine repeats it
# Grid pixel (x, y) of the 2 x 2 tiles from (3, 7) is sheet pixel (48 + x, 112 + y). None of
# these holds its new colour yet, so each paint leaves an entry for Ctrl+Z.
painted = {(5, 7): 6, (10, 4): 14, (20, 8): 6, (30, 1): 3, **{(x, 12): 11 for x in range(2, 10)}}
check(all(pix[112 + y][48 + x] != c for (x, y), c in {**painted, (25, 28): 3}.items()), 'test sheet')

with Session() as s:
    (s.work / '1TIL0000.bmp').write_bytes(sheet_bytes(pix, PAL))
    s.launch()
    s.key('Down', 0.1)                       # rows 5 and on
    s.click(52, 36)                          # tile (3, 7)
    s.click(74, 58, 3)                       # stretched to (4, 8)
    s.key('Return')
    s.click(164, 8)                          # swatch 6
    s.click(13, 31)                          # layout 1, magnification 1: (5, 7)
    s.click(114, 92, 3)                      # a repeated copy, colour 6 + 8: (10, 4)
    s.key('s')
    s.click(49, 105)                         # magnification 2, second copy down: (20, 8)
    s.key('4')                               # one copy at (56, 56)
    s.click(275, 3)                          # swatch 11
    s.click(117, 59, 3)                      # (30, 1)
    s.key('s')                               # magnification 3: 96 x 96
    s.drag([(63 + 3 * k, 93) for k in range(8)])  # a trail over (2, 12) to (9, 12)
    s.click(153, 60)                         # right of the single copy: nothing
    s.click(133, 141, 3)                     # (25, 28) ...
    s.key('z', mods=('Control_L',))          # ... taken back, and only that
    s.key('Return')
    for (x, y), c in painted.items():
        pix[112 + y][48 + x] = c
    saved, want = s.save('1TIL0000.bmp'), sheet_bytes(pix, PAL)
    check(saved == want, 'after the editing pass: ' + pixel_diff(saved, want))

    s.key('Return')
    s.drag([(60 + 3 * k, 60 + k) for k in range(10)])
    s.click(70, 70, 3)
    s.key('Escape')
    saved = s.save('1TIL0000.bmp')
    check(saved == want, 'after a pass left with Escape: ' + pixel_diff(saved, want))
    check(s.close()[0] == 0, 'exit status')
