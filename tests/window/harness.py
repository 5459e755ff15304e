# Real-window harness: a private Xvfb, the editor in a scratch folder, input
# through XTEST and screenshots through GetImage, all on one X connection.
import ctypes, os, random, shutil, signal, struct, subprocess, sys, tempfile, time
from pathlib import Path
from Xlib import X, XK, display, protocol
from Xlib.ext import xtest
from PIL import Image

BIN, REPO = os.path.abspath(sys.argv[1]), Path(sys.argv[2]).resolve()
# 16 well-separated colours, none of them the marker's yellow, black or magenta.
PAL = [(32 + 64 * (i % 4), 40 + 60 * (i // 4), 200 - 9 * i) for i in range(16)]

def check(cond, msg):
    if not cond:
        raise SystemExit('FAIL: ' + msg)

def sheet_bytes(pix, pal, colours=0, topdown=False):
    """A sheet file of pix[y][x] (top row first): our own layout unless told otherwise."""
    h = len(pix)
    head = b'BM' + struct.pack('<IIIIiiHHIIiiII', 104 * h + 118, 0, 118, 40, 208,
                               -h if topdown else h, 1, 4, 0, 104 * h, 0, 0, colours, 0)
    return head + b''.join(bytes((b, g, r, 0)) for r, g, b in pal) + \
        b''.join(bytes(r[2 * i] * 16 + r[2 * i + 1] for i in range(104)) for r in (pix if topdown else pix[::-1]))

def random_sheet(h, seed):
    rnd = random.Random(seed)
    return [[rnd.randrange(16) for _ in range(208)] for _ in range(h)]

def pixel_diff(a, b):
    """Where two bottom-up files with the 118-byte header differ."""
    px = lambda d, x, y: d[118 + 104 * ((len(d) - 118) // 104 - 1 - y) + x // 2] >> (4 - 4 * (x % 2)) & 15
    d = [(x, y) for y in range((min(len(a), len(b)) - 118) // 104) for x in range(208) if px(a, x, y) != px(b, x, y)]
    return 'sizes %d/%d, same header: %s, differing pixels (x, y): %s' % (len(a), len(b), a[:118] == b[:118], d[:8])

def until(fn, secs=10):
    """fn()'s first true value, polled for up to secs; else None."""
    end = time.time() + secs
    while time.time() < end:
        v = fn()
        if v:
            return v
        time.sleep(0.05)

def connect(n):
    try:
        return display.Display(':%d' % n)
    except Exception:
        return None

class Session:
    def __enter__(self):
        self.tmp = Path(tempfile.mkdtemp(prefix='vorwin'))
        self.work, self.out, self.proc = self.tmp / 'work', self.tmp / 'stdout', None
        self.work.mkdir()
        shutil.copy(REPO / 'data' / 'vorlugfx.bmp', self.work)
        for n in range(90, 400):
            if os.path.exists('/tmp/.X11-unix/X%d' % n) or os.path.exists('/tmp/.X%d-lock' % n):
                continue
            self.xvfb = subprocess.Popen(['Xvfb', ':%d' % n, '-screen', '0', '1600x1200x24', '-nolisten', 'tcp'],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,  # and ends with us:
                                         preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGTERM))
            self.dpy, self.n = until(lambda: connect(n) or self.xvfb.poll() is not None, 5), n
            if isinstance(self.dpy, display.Display):
                return self
            self.xvfb.terminate(), self.xvfb.wait()  # another server took this number first
        check(False, 'no Xvfb display could be started')

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.kill(), self.proc.wait()
        self.xvfb.terminate(), self.xvfb.wait()  # not kill: Xvfb then leaves its lock file behind
        shutil.rmtree(self.tmp, ignore_errors=True)

    def launch(self, window=True, zoom=2):
        """Starts the editor: up to 3 tries, as SDL now and then fails to connect."""
        self.zoom, env = zoom, dict(os.environ, DISPLAY=':%d' % self.n, SDL_VIDEODRIVER='x11')
        for _ in range(3):
            with open(self.out, 'w') as out:
                self.proc = subprocess.Popen([BIN], cwd=self.work, env=env, stdout=out)
            time.sleep(0.5)  # off the display while the editor connects
            self.win = until(lambda: window and self.find() or self.proc.poll() is not None)
            check(self.win, 'no window after 10 s' if window else 'still running after 10 s')
            if self.win is not True:
                o = self.dpy.screen().root.translate_coords(self.win, 0, 0)
                self.ox, self.oy, (w, h) = o.x, o.y, self.size()
                self.move(300, 300)  # keys go to the window under the pointer
                return check(until(lambda: min(self.win.get_image(w - 1, h - 1, 1, 1, X.ZPixmap, 0xffffffff)
                                               .data[:3]) > 128), 'the frames never start: no grey corner')
            if not self.out.read_text().startswith(('Could not initialize SDL', 'Could not set video mode')):
                return check(not window, 'editor ended %s: %r' % (self.proc.returncode, self.out.read_text()))
        check(False, 'SDL failed three times: ' + self.out.read_text())

    def find(self):
        for w in self.dpy.screen().root.query_tree().children:
            try:
                if w.get_wm_name() == 'vorludit 0.1' and w.get_attributes().map_state == X.IsViewable:
                    return w
            except Exception:
                pass  # gone meanwhile

    def size(self):
        g = self.win.get_geometry()
        return g.width, g.height

    def fake(self, kind, detail=0, pause=0.05, **xy):
        xtest.fake_input(self.dpy, kind, detail, **xy)
        self.dpy.sync()
        time.sleep(pause)

    def key(self, name, hold=0.2, mods=()):
        """Held for some frames (Up and Down repeat after 6); then a pause of a few."""
        codes = [self.dpy.keysym_to_keycode(XK.string_to_keysym(k)) for k in (*mods, name)]
        for kind, seq, pause in ((X.KeyPress, codes, hold), (X.KeyRelease, codes[::-1], 0.1)):
            for c in seq:
                self.fake(kind, c, 0)
            time.sleep(pause)

    def move(self, x, y):
        """To base pixel (x, y): the middle of its zoom x zoom square."""
        self.fake(X.MotionNotify, x=self.ox + x * self.zoom + self.zoom // 2, y=self.oy + y * self.zoom + self.zoom // 2)

    def drag(self, points, b=1):
        self.move(*points[0])
        self.fake(X.ButtonPress, b)
        for p in points[1:]:
            self.move(*p)
        self.fake(X.ButtonRelease, b)

    def click(self, x, y, b=1):
        self.drag([(x, y)], b)

    def shot(self):
        """The window as an RGB image, once the frames have caught up."""
        time.sleep(0.12)
        raw = self.win.get_image(0, 0, *self.size(), X.ZPixmap, 0xffffffff)
        return Image.frombytes('RGB', self.size(), raw.data, 'raw', 'BGRX')

    def save(self, name):
        """F5, then the sheet file's new bytes once it has been replaced."""
        f = self.work / name
        before = f.exists() and f.stat().st_ino
        self.key('F5')
        data = until(lambda: f.exists() and f.stat().st_ino != before and f.read_bytes(), 3)
        check(data, 'F5 did not replace ' + name)
        return data

    def close(self):
        """WM_DELETE_WINDOW, as a window manager sends it; returns (status, stdout)."""
        atom = self.dpy.intern_atom
        self.win.send_event(protocol.event.ClientMessage(window=self.win, client_type=atom('WM_PROTOCOLS'),
                            data=(32, [atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0])))
        self.dpy.flush()
        return self.proc.wait(10), self.out.read_text()
