# Window size from the settings file, caption, clean exit on a close request,
# and the start-up failure without the GUI graphics.
from harness import *

with Session() as s:
    for setting, zoom, size in ((b'3\n', 3, (1200, 1056)), (b'0', 2, (800, 704))):
        (s.work / 'vorludef.txt').write_bytes(setting)
        s.launch(zoom=zoom)
        check(s.size() == size, 'settings %r: window %s, wanted %s' % (setting, s.size(), size))
        check(s.win.get_wm_name() == 'vorludit 0.1', 'caption %r' % s.win.get_wm_name())
        status, out = s.close()
        check((status, out) == (0, ''), 'close request: status %s, output %r' % (status, out))
    (s.work / 'vorlugfx.bmp').unlink()
    s.launch(window=False)
    status, out, prefix = s.proc.wait(10), s.out.read_text(), "Can't load editor graphics: "
    check(status == 1 and out.count('\n') == 1 and out.endswith('\n') and out.startswith(prefix)
          and len(out) > len(prefix) + 1, 'without vorlugfx.bmp: status %s, output %r' % (status, out))
