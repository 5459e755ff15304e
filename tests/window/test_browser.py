# The sheet view on screen while scrolling and selecting, and an unchanged
# round trip through the editor.
from harness import *

pix = random_sheet(848, 4)
gfx = Image.open(REPO / 'data' / 'vorlugfx.bmp').convert('RGB')
marker = [[gfx.getpixel((x, 64 + y)) for x in range(16)] for y in range(16)]

def check_view(s, tstop, sel=None):
    """Every base pixel of the sheet view: the sheet from row tstop, with the
    marker's yellow and black over each selected tile."""
    s.move(300, 300)
    im, bad = s.shot(), []
    for y in range(352):
        for x in range(208):
            want = PAL[pix[tstop * 16 + y][x]]
            if sel and 0 <= x // 16 - sel[0] < sel[2] and 0 <= tstop + y // 16 - sel[1] < sel[3] \
                    and marker[y % 16][x % 16] != (255, 0, 255):
                want = marker[y % 16][x % 16]
            got = im.getpixel((2 * x + 1, 2 * y + 1))
            if max(abs(a - b) for a, b in zip(want, got)) > 8:
                bad.append((x, y, want, got))
    check(not bad, 'view at row %d, selection %s: %d wrong pixels, first %s' % (tstop, sel, len(bad), bad[:3]))

with Session() as s:
    original = sheet_bytes(pix, PAL)
    (s.work / '1TIL0000.bmp').write_bytes(original)
    s.launch()
    check_view(s, 0)
    s.key('Down', hold=0.1)
    check_view(s, 5)
    s.key('Down', hold=1.5)  # repeats, and stops where the last row is at the bottom
    check_view(s, 31)
    s.key('Up', hold=0.1)
    check_view(s, 26)
    s.click(4 * 16 + 5, 3 * 16 + 9)  # tile (4, 29)
    s.drag([(69, 57), (7 * 16 + 3, 5 * 16 + 2), (6 * 16 + 15, 4 * 16 + 15)], b=3)  # out to (7, 31), back to (6, 30)
    check_view(s, 26, (4, 29, 3, 2))
    s.key('Return'), s.key('Return')  # the editor, and straight back
    saved = s.save('1TIL0000.bmp')
    check(saved == original, 'round trip through the editor: ' + pixel_diff(saved, original))
    check(s.close()[0] == 0, 'exit status')
