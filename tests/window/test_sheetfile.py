# Which file F5 writes, and what it writes there.
from harness import *

with Session() as s:
    # Sheet 2 as other programs may write it: rows top-down, colours-used 16.
    two, three, f3 = random_sheet(80, 2), sheet_bytes(random_sheet(96, 3), PAL[::-1]), s.work / '3TIL0000.bmp'
    (s.work / '2TIL0000.bmp').write_bytes(sheet_bytes(two, PAL, colours=16, topdown=True))
    f3.write_bytes(three)
    st3 = f3.stat()
    s.launch()
    saved, want = s.save('2TIL0000.bmp'), sheet_bytes(two, PAL)
    check(saved == want, '2TIL0000.bmp not written back as loaded: ' + pixel_diff(saved, want))
    check(f3.read_bytes() == three and (f3.stat().st_ino, f3.stat().st_mtime_ns) == (st3.st_ino, st3.st_mtime_ns),
          '3TIL0000.bmp was touched')
    check(s.close()[0] == 0, 'exit status')
    names = sorted(os.listdir(s.work))
    check(names == ['2TIL0000.bmp', '3TIL0000.bmp', 'vorlugfx.bmp'], 'folder after saving: %s' % names)

    # No sheet at all: an all-zero 848-row sheet with a black palette.
    for name in ('2TIL0000.bmp', '3TIL0000.bmp'):
        (s.work / name).unlink()
    s.launch()
    saved, want = s.save('1TIL0000.bmp'), sheet_bytes([[0] * 208] * 848, [(0, 0, 0)] * 16)
    check(len(saved) == 88310 and saved == want, 'new 1TIL0000.bmp: ' + pixel_diff(saved, want))
    check(s.close()[0] == 0, 'exit status')
