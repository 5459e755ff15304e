#!/usr/bin/python3
"""CPU of the editor in a real window, as % of one core, beside a program
that only clears and presents the same window every 30 ms
(bench/floorwindow.cpp): the floor. It presents the way the editor does
(SDL's software renderer); a second floor with SDL's own defaults
(OpenGL) is measured in turn, while the first is stopped. All run on one
private Xvfb, side by side, and the editor and each floor are measured
over the same seconds, so that other work on the machine weighs on both
alike. The rounds go through every case in turn; the medians are printed
last.

  bench/windowcpu.sh [ROUNDS [SECONDS [ZOOMS]]]     (builds, then runs this)
  /usr/bin/python3 bench/windowcpu.py EDITOR FLOORWINDOW REPO [ROUNDS [SECONDS [ZOOMS]]]

ZOOMS is a comma-separated list, 2,4,9 by default.

Cases, at zoom 2, 4 and 9: the browser and the editor left alone (idle), the
pointer moving over the sheet (the browser's pointer and info change every
frame), and a left-button drag painting in the editor's preview.
"""
import atexit, math, os, shutil, signal, statistics, subprocess, sys, tempfile, time
from pathlib import Path
from Xlib import X, XK, display
from Xlib.ext import xtest

EDITOR, FLOOR, REPO = (os.path.abspath(a) for a in sys.argv[1:4])
ROUNDS = int(sys.argv[4]) if len(sys.argv) > 4 else 3
SECONDS = float(sys.argv[5]) if len(sys.argv) > 5 else 5.0
ZOOMS = [int(z) for z in sys.argv[6].split(",")] if len(sys.argv) > 6 else [2, 4, 9]
TICK = os.sysconf("SC_CLK_TCK")


def cputicks(pid):
    fields = Path("/proc/%d/stat" % pid).read_text().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def window(dpy, name):
    for _ in range(200):
        for w in dpy.screen().root.query_tree().children:
            try:
                if w.get_wm_name() == name and w.get_attributes().map_state == X.IsViewable:
                    return w
            except Exception:
                pass
        time.sleep(0.05)
    sys.exit("windowcpu: no window " + name)


class Session:
    """Xvfb, the editor at the left and the floor program at the right."""

    def __init__(self, zoom):
        self.zoom, self.work = zoom, Path(tempfile.mkdtemp(prefix="vorcpu"))
        shutil.copy(Path(REPO) / "data" / "vorlugfx.bmp", self.work)
        shutil.copy(Path(REPO) / "data" / "demo" / "1TIL0000.bmp", self.work)
        (self.work / "vorludef.txt").write_text(str(zoom))
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % (1250 * zoom, 360 * zoom)],
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
        )
        self.procs = [self.xvfb]
        atexit.register(self.close)
        env = dict(
            os.environ,
            DISPLAY=":" + self.xvfb.stdout.readline().decode().strip(),
            SDL_VIDEODRIVER="x11",
        )
        self.dpy = display.Display(env["DISPLAY"])
        self.editor = subprocess.Popen([EDITOR], cwd=self.work, env=env, stdout=subprocess.DEVNULL)
        self.floor = subprocess.Popen([FLOOR, str(zoom), "software"], env=env)
        self.default = subprocess.Popen([FLOOR, str(zoom)], env=env)
        self.procs += [self.editor, self.floor, self.default]
        self.ewin = window(self.dpy, "vorludit 0.1")
        self.ewin.configure(x=0, y=0)  # SDL centres them all on the screen
        for i, name in enumerate(("floorwindow software", "floorwindow default")):
            window(self.dpy, name).configure(x=(400 * zoom + 20) * (i + 1), y=0)
        self.default.send_signal(signal.SIGSTOP)
        self.ewin.set_input_focus(X.RevertToParent, X.CurrentTime)  # for Return and Escape
        self.dpy.sync()
        time.sleep(1)

    def fake(self, kind, detail=0, **xy):
        xtest.fake_input(self.dpy, kind, detail, **xy)
        self.dpy.sync()

    def moveto(self, x, y):  # base pixels of the editor's window
        o = self.dpy.screen().root.translate_coords(self.ewin, 0, 0)
        self.fake(X.MotionNotify, x=o.x + x * self.zoom, y=o.y + y * self.zoom)

    def key(self, name):
        code = self.dpy.keysym_to_keycode(XK.string_to_keysym(name))
        self.fake(X.KeyPress, code)
        time.sleep(0.2)
        self.fake(X.KeyRelease, code)
        time.sleep(0.2)

    def measure(self, mover=None):
        """(editor %, floor %, editor %, default floor %): the editor beside each floor in turn."""
        first = self.measurewith(self.floor, mover)
        self.floor.send_signal(signal.SIGSTOP)
        self.default.send_signal(signal.SIGCONT)
        second = self.measurewith(self.default, mover)
        self.default.send_signal(signal.SIGSTOP)
        self.floor.send_signal(signal.SIGCONT)
        return first + second

    def measurewith(self, floor, mover):
        """(editor %, floor %) over SECONDS, the pointer moved by mover(t) meanwhile."""
        time.sleep(0.5)
        pids = (self.editor.pid, floor.pid)
        before, start = [cputicks(p) for p in pids], time.time()
        while (t := time.time() - start) < SECONDS:
            if mover:
                mover(t)
            time.sleep(0.01)
        after, secs = [cputicks(p) for p in pids], time.time() - start
        return tuple(100.0 * (a - b) / TICK / secs for a, b in zip(after, before))

    def circle(self, cx, cy, r):
        return lambda t: self.moveto(int(cx + r * math.cos(t * 4)), int(cy + r * math.sin(t * 4)))

    def close(self):
        for p in self.procs[::-1]:
            if p.poll() is None:
                p.send_signal(signal.SIGCONT)
                p.terminate()
                p.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def rounds(zoom, results):
    s = Session(zoom)
    try:
        for _ in range(ROUNDS):
            s.moveto(100, 100)
            results.setdefault((zoom, "browser, idle"), []).append(s.measure())
            results.setdefault((zoom, "browser, pointer moving"), []).append(
                s.measure(s.circle(100, 170, 60))
            )
            s.moveto(40, 40)
            s.fake(X.ButtonPress, 1)
            s.fake(X.ButtonRelease, 1)
            s.key("Return")
            s.moveto(200, 180)
            results.setdefault((zoom, "editor, idle"), []).append(s.measure())
            s.fake(X.ButtonPress, 1)
            results.setdefault((zoom, "editor, drag painting"), []).append(
                s.measure(s.circle(200, 180, 80))
            )
            s.fake(X.ButtonRelease, 1)
            s.key("Escape")
    finally:
        s.close()


def main():
    results = {}
    for zoom in ZOOMS:
        rounds(zoom, results)
    print(
        "%-5s %-24s %9s %9s %6s %10s %6s   %s"
        % (
            "zoom",
            "case",
            "editor %",
            "floor %",
            "ratio",
            "default %",
            "ratio",
            "rounds (editor/floor/default)",
        )
    )
    for (zoom, case), runs in results.items():
        med = lambda k: statistics.median(r[k] for r in runs)
        ratio = lambda k: statistics.median(r[k - 1] / r[k] for r in runs if r[k] > 0)
        print(
            "%-5d %-24s %9.1f %9.1f %6.2f %10.1f %6.2f   %s"
            % (
                zoom,
                case,
                med(0),
                med(1),
                ratio(1),
                med(3),
                ratio(3),
                " ".join("%.1f/%.1f/%.1f" % (r[0], r[1], r[3]) for r in runs),
            )
        )


main()
