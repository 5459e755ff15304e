# Real-window harness: a private Xvfb, the editor in a scratch folder, input
# through XTEST and screenshots through GetImage, all on one X connection.
# Keys are read once a frame, so a key is held until the window shows its
# effect: on a loaded machine a frame may come late, and a key released
# before it would never be seen.
import atexit, ctypes, os, random, re, shutil, struct, subprocess, sys, tempfile, time
from pathlib import Path
from Xlib import X, XK, display, protocol
from Xlib.ext import xtest
from PIL import Image

BIN, REPO, WORK = os.path.abspath(sys.argv[1]), Path(sys.argv[2]).resolve(), Path(tempfile.mkdtemp(prefix='vorwin'))
shutil.copy(REPO / 'data' / 'vorlugfx.bmp', WORK)
dies_with_us = lambda sig: dict(preexec_fn=lambda: ctypes.CDLL(None).prctl(1, sig))  # PR_SET_PDEATHSIG
# Xvfb takes a free display number and tells it once it accepts connections.
xvfb = subprocess.Popen(['Xvfb', '-displayfd', '1', '-screen', '0', '1600x1200x24'], stdout=subprocess.PIPE,
                        stderr=subprocess.DEVNULL, **dies_with_us(15))
atexit.register(lambda: (xvfb.terminate(), xvfb.wait(), shutil.rmtree(WORK)))
ENV = dict(os.environ, DISPLAY=':' + xvfb.stdout.readline().decode().strip(), SDL_VIDEODRIVER='x11')
dpy = display.Display(ENV['DISPLAY'])
PAL = [(32 + 64 * (i % 4), 40 + 60 * (i // 4), 200 - 9 * i) for i in range(16)]  # 16 well-separated colours

def sheet(pix, pal=PAL):
    """A sheet file of pix[y][x] (top row first), in the editor's own layout."""
    return b'BM' + struct.pack('<IIIIiiHHIIiiII', 104 * len(pix) + 118, 0, 118, 40, 208, len(pix), 1, 4, 0,
                               104 * len(pix), 0, 0, 0, 0) + bytes(c for r, g, b in pal for c in (b, g, r, 0)) + \
        bytes(r[i] * 16 + r[i + 1] for r in pix[::-1] for i in range(0, 208, 2))

random_sheet = lambda h, seed: [[r.randrange(16) for _ in range(208)] for r in [random.Random(seed)] for _ in range(h)]

def until(fn, secs=10):
    end = time.time() + secs
    while not (v := fn()) and time.time() < end:
        time.sleep(0.05)
    return v

def find():
    try:
        return next((w for w in dpy.screen().root.query_tree().children if w.get_wm_name() == 'vorludit 0.1'
                     and w.get_attributes().map_state == X.IsViewable), None)
    except Exception:
        return None  # a window went meanwhile

def start(window=True):
    """(process, its window or True once ended, output); started again while SDL fails to connect (1 in 100)."""
    for _ in range(3):
        p = subprocess.Popen([BIN], cwd=WORK, env=ENV, stdout=subprocess.PIPE, text=True, **dies_with_us(9))
        time.sleep(0.5)  # off the display while the editor connects
        w = until(lambda: window and find() or p.poll() is not None)
        out = '' if w is not True else p.stdout.read()
        if not out.startswith(('Could not initialize SDL', 'Could not set video mode')):
            assert w and (w is True) != window, 'window %s, status %s, output %r' % (w, p.returncode, out)
            return p, w, out
    raise AssertionError('SDL failed three times: ' + out)

def fake(kind, detail=0, pause=0.05, **xy):
    xtest.fake_input(dpy, kind, detail, **xy)
    dpy.sync()
    time.sleep(pause)

class Editor:
    def __init__(self, zoom=2):
        self.zoom, (self.proc, self.win, _) = zoom, start()
        o, g = dpy.screen().root.translate_coords(self.win, 0, 0), self.win.get_geometry()
        self.ox, self.oy, self.size = o.x, o.y, (g.width, g.height)
        self.click((300, 300), b=0)  # keys go to the window under the pointer; then wait for a first frame
        assert until(lambda: min(self.shot().getpixel((g.width - 1, g.height - 1))) > 128), 'no grey corner, no frames'

    def shot(self):
        return Image.frombytes('RGB', self.size, self.win.get_image(0, 0, *self.size, X.ZPixmap, 0xffffffff).data,
                               'raw', 'BGRX')

    def settled(self):  # the window once two looks 0.1 s apart agree
        return until(lambda: (a := self.shot()) == (time.sleep(0.1), self.shot())[1] and a)

    def key(self, name, mods=()):  # held until the window changes: a frame has seen it
        codes, before = [dpy.keysym_to_keycode(XK.string_to_keysym(k)) for k in (*mods, name)], self.settled()
        [fake(X.KeyPress, c) for c in codes]
        changed = until(lambda: self.shot() != before, 5)
        [fake(X.KeyRelease, c) for c in codes[::-1]]
        assert changed, 'no frame showed key ' + name

    def click(self, *points, b=1):  # button b at the first base pixel, dragged over the others (b=0: a move)
        for i, (x, y) in enumerate(points):
            fake(X.MotionNotify, x=self.ox + x * self.zoom + self.zoom // 2, y=self.oy + y * self.zoom + self.zoom // 2)
            i or b and fake(X.ButtonPress, b)
        b and fake(X.ButtonRelease, b)

    def save(self):  # F5: the file's new bytes once written
        f = WORK / '1TIL0000.bmp'
        stamp = f.exists() and f.stat().st_mtime_ns
        self.key('F5')
        assert (new := until(lambda: f.exists() and f.stat().st_mtime_ns != stamp and f.read_bytes())), 'F5'
        return new

    def close(self):  # WM_DELETE_WINDOW, as a window manager sends it: (status, output)
        self.win.send_event(protocol.event.ClientMessage(window=self.win, client_type=dpy.intern_atom('WM_PROTOCOLS'),
                            data=(32, [dpy.intern_atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0])))
        dpy.flush()
        return self.proc.wait(10), self.proc.stdout.read()
