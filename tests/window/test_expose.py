# Another window over part of the editor and gone again: the editor shows
# its frame again, though nothing in it changed and an unchanged frame is
# not presented otherwise.
from harness import *
import signal
from PIL import ImageChops

(WORK / '1TIL0000.bmp').write_bytes(sheet(random_sheet(848, 1)))
ed = Editor()
before = ed.settled()
# Over the sheet view and off the pointer, which stays where Editor() left it.
cover = dpy.screen().root.create_window(ed.ox + 20, ed.oy + 30, ed.size[0] // 2, ed.size[1] // 2, 0, X.CopyFromParent,
                                        background_pixel=dpy.screen().white_pixel, override_redirect=True)
cover.map()
dpy.sync()
assert until(lambda: ed.shot() != before, 3), 'the other window never showed over the editor'
cover.destroy()
dpy.sync()
assert until(lambda: ed.shot() == before, 3), 'uncovered, the window differs in %s' % (
    ImageChops.difference(before, ed.shot()).getbbox(),)

# The same while the editor is stopped, with more motions than SDL's queue
# holds (128) before the expose, all along row 150 below the other window
# and then back to P: the 128th at P (only the expose is lost) or not (the
# pointer line would say X:8, Y:9 too). Running again, the editor shows
# the frame of the pointer where it really is.
P = (40, 300)  # on the sheet: the pointer line says X:2, Y:18
ed.click(P, b=0)
before = ed.settled()
row = [(10 + i, 150) for i in range(138)]
for path in (row[:127] + [P] + row[:10] + [P], row + [P]):
    ed.proc.send_signal(signal.SIGSTOP)
    cover = dpy.screen().root.create_window(ed.ox + 200, ed.oy + 40, 200, 160, 0, X.CopyFromParent,
                                            background_pixel=dpy.screen().white_pixel, override_redirect=True)
    cover.map()
    dpy.sync()
    assert until(lambda: ed.shot() != before, 3), 'the other window never showed over the editor'
    for x, y in path:
        fake(X.MotionNotify, pause=0, x=ed.ox + 2 * x + 1, y=ed.oy + 2 * y + 1)
    cover.destroy()
    dpy.sync()
    ed.proc.send_signal(signal.SIGCONT)
    assert until(lambda: ed.shot() == before, 5), 'after %d motions, the window differs in %s' % (
        len(path), ImageChops.difference(before, ed.shot()).getbbox())
assert ed.close()[0] == 0
