# Another window over part of the editor and gone again: the editor shows
# its frame again, though nothing in it changed and an unchanged frame is
# not presented otherwise.
from harness import *
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
assert ed.close()[0] == 0
