# Which file F5 writes and what, window size from the settings file, the close
# request, and the start-up failure without the editor's graphics.
from harness import *

# Sheet 2 as other programs may write it (rows top-down, colours-used 16); sheet 3 stays untouched.
two, f3 = random_sheet(80, 2), WORK / '3TIL0000.bmp'
(WORK / '2TIL0000.bmp').write_bytes(sheet(two, colours=16, topdown=True))
f3.write_bytes(sheet(random_sheet(96, 3), PAL[::-1]))
state3, e = lambda: (f3.read_bytes(), f3.stat().st_ino, f3.stat().st_mtime_ns), Editor()
before = state3()
assert e.save('2TIL0000.bmp') == sheet(two) and state3() == before, 'F5 with sheets 2 and 3'
assert e.close() == (0, '') and sorted(os.listdir(WORK)) == ['2TIL0000.bmp', '3TIL0000.bmp', 'vorlugfx.bmp']

# No sheet: F5 makes an all-zero 848-row sheet with a black palette (and later saves it as loaded).
(WORK / '2TIL0000.bmp').unlink(), f3.unlink()
for setting, zoom, size in ((b'3\n', 3, (1200, 1056)), (b'0', 2, (800, 704))):
    (WORK / 'vorludef.txt').write_bytes(setting)
    assert (e := Editor(zoom)).size == size, 'settings %r: window %s' % (setting, e.size)
    assert len(saved := e.save()) == 88310 and saved == sheet([[0] * 208] * 848, [(0, 0, 0)] * 16), 'new sheet'
    assert e.close() == (0, ''), 'close request'

(WORK / 'vorlugfx.bmp').unlink()
p, _, out = start(window=False)
assert p.returncode == 1 and re.fullmatch("Can't load editor graphics: .+\n", out), (p.returncode, out)

# The display going away ends the editor instead of leaving it spinning.
shutil.copy(REPO / 'data' / 'vorlugfx.bmp', WORK)
e = Editor()
xvfb.kill()
assert e.proc.wait(5) == 1, 'editor outlived its display'
