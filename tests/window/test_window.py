# The programs as `cmake --install` stages them, checked from outside in groups (the functions
# below, in the order they run). Every check runs, a group that cannot run here says why; at the
# end the failures, each with what was expected and what came, and status 1 if there was any.
import atexit, ctypes, os, random, re, shutil, signal, struct, subprocess, sys, tempfile, time
import types, zlib
from pathlib import Path
from PIL import Image, ImageChops
from Xlib import X, XK, display, protocol
from Xlib.ext import xtest

TMP = Path(os.path.realpath(tempfile.mkdtemp(prefix="vorwin")))
atexit.register(shutil.rmtree, TMP)
BUILD, REPO, W, IN = Path(sys.argv[1]).parent, Path(sys.argv[2]), TMP / "w", TMP / "in"
USR, GFX = TMP / "usr", TMP / "usr/share/vorludit/vorlugfx.bmp"
ED, SHEET = USR / "bin/vorludit", USR / "bin/vorludit-sheet"
S = types.SimpleNamespace(ran=0, skipped=0, failures=[], newbytes=None, win=None, menu=None)
rnd = random.Random(5)


def equal(got, want, what):  # one check; long lists and bytes shown from where they first differ
    S.ran += 1
    if got != want:
        if type(got) is type(want) and type(got) in (list, bytes):
            at = next(i for i in range(len(got + want)) if got[i : i + 1] != want[i : i + 1])
            what += f" (length {len(got)}, expected {len(want)}; from item {at})"
            got, want = got[at : at + 8], want[at : at + 8]
        S.failures.append(f"{what}: expected {repr(want)[:300]}, got {repr(got)[:300]}")
        print("FAIL:", S.failures[-1], flush=True)
    return got == want


def run(step, why=None, needs=None):  # a group of checks, or a line saying why it cannot run
    name, failed = step.__name__.replace("_", " "), len(S.failures)
    why = why or needs and not shutil.which(needs) and needs + " not installed"
    if why:
        S.skipped += 1
        return print(f"SKIPPED: {name}: {why}", flush=True)
    try:
        step()
    except Exception as e:  # one more failure, and the next group runs
        equal(repr(e), "no error", f"{name}, at line {e.__traceback__.tb_next.tb_lineno}")
    return len(S.failures) == failed


def sh(*cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def tool(*args):
    return sh(SHEET, *args, cwd=W, timeout=10)


def state():  # the working folder: names, which files they are, their contents
    return sorted((f.name, f.stat().st_ino, zlib.crc32(f.read_bytes())) for f in W.iterdir())


def picture(w=208, h=37, colours=16, mode="P"):
    im = Image.new("P", (w, h))
    im.putpalette([rnd.randrange(256) for _ in range(3 * colours)])
    im.putdata([rnd.randrange(colours) for _ in range(w * h)])
    return im.convert(mode)


def installed_tree():
    r = sh("cmake", "--install", BUILD, "--prefix", "/usr", env=dict(os.environ, DESTDIR=str(TMP)))
    equal(r.returncode, 0, f"cmake --install: status ({r.stderr!r})")


def data_as_generated():
    for gen, data in (("mkgfx.py", "vorlugfx.bmp"), ("mkdemo.py", "demo/1TIL0000.bmp")):
        subprocess.run(["/usr/bin/python3", REPO / "tools" / gen, TMP / "gen"], check=True)
        equal((TMP / "gen").read_bytes(), (REPO / "data" / data).read_bytes(), f"{gen}'s {data}")


def menu_entry():
    r = sh("desktop-file-validate", USR / "share/applications/vorludit.desktop")
    equal((r.returncode, r.stdout), (0, ""), "desktop-file-validate: status, output")


def package_in_lintian():  # the package of the same build: not one error or warning
    r = sh("cpack", "-G", "DEB", "-B", TMP / "pkg", "--config", BUILD / "CPackConfig.cmake")
    equal(r.returncode, 0, f"cpack: status ({r.stderr!r})")
    env = dict(os.environ, TMPDIR=str(TMP))  # lintian's caches go with the scratch folder
    r = sh("lintian", "--fail-on", "error,warning", *TMP.glob("pkg/*.deb"), env=env)
    equal((r.returncode, r.stdout), (0, ""), "lintian: status, output")


def command_lines():  # --help, --version, and the editor's refusals before any window: no display
    cases = [([ED, *a], 2, r"vorludit: [^\n]*\n") for a in (["-x"], [W, W], [REPO / "README.md"])]
    cases += [([ED, TMP / "nosuch/a.bmp"], 2, r"vorludit: [^\n]*\n")]
    for c, name, more in (SHEET, "vorludit-sheet", "new.*"), (ED, "vorludit", ".*"):
        cases.append(([c, "--help"], 0, f"usage: {name} {more}"))
        cases.append(([c, "--version"], 0, rf"{name} 0\.1\n"))
    for cmd, status, out in cases:
        r = sh(*cmd, env={}, timeout=10)
        got = (r.returncode, bool(re.fullmatch(out, r.stdout, re.S)))
        what = " ".join(map(str, cmd)).replace(f"{USR}/bin/", "")
        equal(got, (status, True), f"{what}: status, output matching {out!r} ({r.stdout[:60]!r})")


def new_sheet():
    r, sheet = tool("new"), W / "1TIL0000.bmp"
    equal(r.returncode, 0, f"vorludit-sheet new: status ({r.stderr!r})")
    new, mode, S.newbytes = Image.open(sheet), sheet.stat().st_mode & 0o777, sheet.read_bytes()
    sums = [sum(new.getpalette()[3 * i : 3 * i + 3]) for i in range(16)]
    got = (new.size, set(new.getdata()), [i for i in range(8) if sums[i + 8] <= sums[i]], oct(mode))
    what = "new sheet: size, colours used, i < 8 with i + 8 not lighter, permissions"
    equal(got, ((208, 848), {0}, [], "0o644"), what)


def exact_imports():  # pixels and palette order as another decoder reads the picture
    picture().save(IN / "p8.png")
    picture(h=848).save(IN / "p8.bmp")
    picture(colours=5).save(IN / "p4.png", bits=4)
    picture(mode="1").save(IN / "p1.bmp")
    b = (IN / "p1.bmp").read_bytes()  # 1-bit: no colour count in its header; colour 1 not white
    (IN / "p1.bmp").write_bytes(b[:46] + bytes(4) + b[50:58] + b"\x32\x64\xc8" + b[61:])
    subprocess.run(["convert", IN / "p8.png", "-type", "Palette", f"BMP3:{IN}/p4.bmp"], check=True)
    equal((IN / "p4.bmp").read_bytes()[28], 4, "bits per pixel of ImageMagick's p4.bmp")
    for name, out in zip("p8.bmp p1.bmp p8.png p4.png p4.bmp".split(), ["", "a", "a", "b", "b"]):
        r = tool("import", "--force", IN / name, *([out] if out else []))
        want, got = Image.open(IN / name), Image.open(W / (out or "1TIL0000.bmp"))
        gp, wp, n = got.getpalette(), want.getpalette(), len(want.getpalette())
        what = f"import {name} ({r.stderr!r}): status, size, palette, unused entries"
        equal((r.returncode, got.size, gp[:n], gp[n:48]), (0, want.size, wp, [0] * (48 - n)), what)
        equal(list(got.getdata()), list(want.getdata()), f"import {name}: pixels, rows of 208")
    os.link(W / "b", IN / "twin")  # --force keeps what a file is: its other name shows the new one
    r = tool("import", "--force", IN / "p8.png", "b")
    equal(r.returncode, 0, "import --force over a hard-linked sheet: status")
    equal((IN / "twin").read_bytes(), (W / "a").read_bytes(), "the sheet's other name after it")


def refusals():  # one line, nothing written; an existing target: naming --force
    os.chmod(W / "a", 0o444)  # nobody may write it: refused even with --force
    os.mkdir(IN / "dir")
    os.mkfifo(IN / "fifo")
    # A run-length BMP of 120 bytes that claims 10 million rows, refused before it is decoded.
    head = struct.pack("<IIIIiiHHIIiiII", 120, 0, 62, 40, 208, 10**7, 1, 8, 1, 58, 0, 0, 2, 0)
    (IN / "tall.bmp").write_bytes(b"BM" + head + bytes(8) + b"\0\1" * 29)
    (IN / "text.png").write_bytes(b"not a picture\n")
    (IN / "cut.png").write_bytes((IN / "p8.png").read_bytes()[:700])
    (IN / "cut.bmp").write_bytes((IN / "p8.bmp").read_bytes()[:9000])
    high = Image.new("P", (208, 8))  # 3 colours, in palette entries 200 to 202
    high.putpalette(bytes(i // 3 for i in range(768)))  # grey i in entry i
    high.putdata([200 + x % 3 for x in range(208 * 8)])
    high.save(IN / "high.png")
    made = dict(w207=dict(w=207), h849=dict(h=849), c17=dict(colours=17), rgb=dict(mode="RGB"))
    names = "w207.png h849.png c17.png c17.bmp rgb.png rgb.bmp".split()
    for name in names:
        picture(**made[name[:-4]]).save(IN / name)
    names += "missing.png dir fifo text.png cut.png cut.bmp tall.bmp high.png".split()
    cases = [("import", IN / n, "out") for n in names]
    before, said = state(), {}
    for args in cases + [("new",), ("import", IN / "p8.png", "a"), ("new", "--force", "a")]:
        r = tool(*args)
        what, e = "vorludit-sheet " + " ".join(map(str, args)).replace(f"{IN}/", ""), r.stderr
        said[args], exists = e, args[-1] != "out" and "--force" not in args  # the target is there
        got = (r.returncode, r.stdout, e.count("\n"), "read back" in e, "--force" in e)
        told = f"status, output, error lines, 'read back' in them, '--force' in them ({e!r})"
        equal(got, (1, "", 1, False, exists), f"{what}: {told}")
        equal(state(), before, f"{what}: the working folder (name, inode, crc32)")
    why = "not all in palette entries 0 to 15 (a pixel of colour 200)"
    equal(why in said["import", IN / "high.png", "out"], True, f"refusal of high.png says {why!r}")
    why = "17 colours; a sheet has at most 16"
    equal(why in said["import", IN / "c17.png", "out"], True, f"refusal of c17.png says {why!r}")
    cmd = [SHEET, "import", IN / "tall.bmp", "out"]
    p = subprocess.Popen(cmd, cwd=W, stderr=subprocess.DEVNULL)
    kb = os.wait4(p.pid, 0)[2].ru_maxrss
    equal(kb < 200000, True, f"import tall.bmp: peak memory {kb} KB under 200000 KB (not decoded)")


def spawn(cmd, sig, **kw):  # sent signal sig when this script ends, or dies (PR_SET_PDEATHSIG)
    p = subprocess.Popen(cmd, preexec_fn=lambda: ctypes.CDLL(None).prctl(1, sig), **kw)
    atexit.register(lambda: (p.send_signal(sig), p.wait()))
    return p


def xvfb_for_the_window_checks():  # on a free display number, told once it accepts connections
    cmd = ["Xvfb", "-displayfd", "1", "-screen", "0", "1600x1200x24"]
    S.xvfb = spawn(cmd, 15, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    S.env = dict(os.environ, SDL_VIDEODRIVER="x11", HOME=str(TMP))
    S.env["DISPLAY"] = ":" + S.xvfb.stdout.readline().decode().strip()
    S.dpy = display.Display(S.env["DISPLAY"])


def until(fn, secs=10):  # fn's first true value within secs seconds, else its last
    end = time.time() + secs
    while not (value := fn()) and time.time() < end:
        time.sleep(0.05)
    return value


def find():  # the one top-level window shown
    try:
        windows = S.dpy.screen().root.query_tree().children
        return next((w for w in windows if w.get_attributes().map_state == X.IsViewable), None)
    except Exception:
        return None  # a window went meanwhile


def start(arg=W, window=True):  # the editor: (process, window or None, output if it ended)
    for _ in range(3):  # again while SDL fails to connect to the display (1 start in 100)
        p = spawn([ED, arg], 9, cwd=IN, env=S.env, stdout=subprocess.PIPE, text=True)
        time.sleep(0.5)  # off the display while the editor connects
        win = until(lambda: window and find() or p.poll() is not None)
        out = "" if p.poll() is None else p.stdout.read()
        if not out.startswith(("Could not initialize SDL", "Could not set video mode")):
            break
    return p, (None if win is True else win or None), out


def fake(kind, detail=0, x=0, y=0, pause=0.05):  # at base pixel (x, y) at scale 3
    xtest.fake_input(S.dpy, kind, detail, x=S.o.x + x * 3 + 1, y=S.o.y + y * 3 + 1)
    S.dpy.sync()
    time.sleep(pause)


def click(x, y, button=1):  # button 0: only a move
    fake(X.MotionNotify, 0, x, y)
    for kind in (X.ButtonPress, X.ButtonRelease)[: 2 * bool(button)]:
        fake(kind, button)


def shot():
    image = S.win.get_image(0, 0, *S.size, X.ZPixmap, 0xFFFFFFFF)
    return Image.frombytes("RGB", S.size, image.data, "raw", "BGRX")


def settled():  # the frame once two looks 0.1 s apart agree
    return until(lambda: (a := shot()) == (time.sleep(0.1), shot())[1] and a)


def key(name):  # held until the window changes: a frame has seen it
    code, before = S.dpy.keysym_to_keycode(XK.string_to_keysym(name)), settled()
    fake(X.KeyPress, code)
    changed = until(lambda: shot() != before, 5)
    fake(X.KeyRelease, code)
    equal(changed, True, f"key {name}: a frame showing it within 5 s")


def window_scale_caption_icon():  # told a folder of a sheet and settings from another folder
    (W / "vorludef.txt").write_bytes(b"3\n")
    S.proc, S.win, out = start()
    if not equal(bool(S.win), True, f"a window (status {S.proc.poll()}, output {out!r})"):
        return
    g = S.win.get_geometry()
    S.o, S.size = S.dpy.screen().root.translate_coords(S.win, 0, 0), (g.width, g.height)
    prop = S.win.get_full_property(S.dpy.intern_atom("_NET_WM_ICON"), X.AnyPropertyType)
    menu = Image.open(USR / "share/icons/hicolor/32x32/apps/vorludit.png").getdata()
    argb = [32, 32] + [0xFF000000 | r << 16 | g << 8 | b for r, g, b in menu]
    equal(S.size, (1200, 1056), "window size at scale 3 (400 x 352 base pixels)")
    equal(S.win.get_wm_name(), "vorludit 0.1", "window caption")
    equal(list(prop.value) if prop else None, argb, "window icon as the menu's 32 x 32 one")
    click(300, 300, 0)  # keys go to the window under the pointer; then a first frame
    grey = until(lambda: min(shot().getpixel((S.size[0] - 1, S.size[1] - 1))) > 128)
    equal(grey, True, "the first frame's bottom-right corner is grey")


def editing_pass():
    click(52, 36)  # tile (3, 2)
    key("Return")  # layout 1, magnification 1: grid pixel (x, y) is sheet pixel (48 + x, 32 + y)
    click(164, 8)  # colour 6
    click(13, 31)  # grid (5, 7)
    click(114, 92, 3)  # a repeated copy, right button: colour 6 + 8 at grid (10, 4)
    key("Return")  # written back into the sheet


def redraw_after_cover_and_flood():
    before, row, at = settled(), [(10 + i, 150) for i in range(138)], (114, 92)
    scr, xy = S.dpy.screen(), (S.o.x + 500, S.o.y + 30, 600, 500, 0, X.CopyFromParent)
    cover = scr.root.create_window(*xy, background_pixel=scr.white_pixel, override_redirect=True)
    # Then stopped, with more motions than SDL's queue holds (128) before the expose, along row 150
    # and back to the pointer: the 128th there (only the expose is lost) or elsewhere.
    for what, path in (
        ("once uncovered", []),
        ("after 128 motions, the 128th at the pointer", row[:127] + [at] + row[:10] + [at]),
        ("after 139 motions, the last at the pointer", row + [at]),
    ):
        S.proc.send_signal(signal.SIGSTOP if path else signal.SIGCONT)  # stopped for a flood
        cover.map()
        shown = until(lambda: shot() != before, 3)
        equal(bool(shown), True, "another window shown over the editor")
        for x, y in path:
            fake(X.MotionNotify, 0, x, y, pause=0)
        cover.unmap()
        S.dpy.sync()  # the expose queued before the editor runs on
        S.proc.send_signal(signal.SIGCONT)
        until(lambda: shot() == before, 5)
        box = ImageChops.difference(before, shot()).getbbox()
        equal(box, None, f"where the frame {what} differs")


def saved_by_F5():
    sheet = W / "1TIL0000.bmp"
    stamp, want = sheet.stat().st_mtime_ns, list(Image.open(IN / "p8.bmp").getdata())
    want[39 * 208 + 53] = 6  # grid (5, 7)
    want[36 * 208 + 58] = 14  # grid (10, 4)
    key("F5")
    until(lambda: sheet.stat().st_mtime_ns != stamp and list(Image.open(sheet).getdata()) == want)
    equal(sheet.stat().st_mtime_ns != stamp, True, "the sheet file written by F5")
    equal(list(Image.open(sheet).getdata()), want, "the saved sheet's pixels, rows of 208")


def close_request():  # as a window manager sends it
    data = (32, [S.dpy.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
    protocols = S.dpy.intern_atom("WM_PROTOCOLS")
    S.win.send_event(protocol.event.ClientMessage(window=S.win, client_type=protocols, data=data))
    S.dpy.flush()
    until(lambda: S.proc.poll() is not None)
    S.proc.kill()  # status -9 below: it had not ended
    equal((S.proc.wait(), S.proc.stdout.read()), (0, ""), "after a close request: status, output")


def start_without_graphics():
    GFX.rename(GFX.with_suffix(".away"))
    p, _, out = start(window=False)
    GFX.with_suffix(".away").rename(GFX)
    p.kill()  # status -9 below: it had not ended
    want = (1, f"Can't load editor graphics: Couldn't open vorlugfx.bmp or {GFX}\n")
    equal((p.wait(), out), want, "start-up without graphics: status, output")


def menu_start():  # its first start: ~/vorludit made, with a sheet as vorludit-sheet new makes it
    S.menu, win, out = start(arg="--menu")
    equal(bool(win), True, f"a window from the menu start (status {S.menu.poll()}, output {out!r})")
    sheet = TMP / "vorludit/1TIL0000.bmp"
    until(lambda: sheet.exists() and sheet.read_bytes() == S.newbytes)
    equal(sheet.read_bytes() if sheet.exists() else "none", S.newbytes, "~/vorludit's sheet")


def display_gone():
    time.sleep(1.5)  # the editor settled into its idle frames
    S.xvfb.terminate()
    until(lambda: S.menu.poll() is not None, 5)
    S.menu.kill()  # status -9 below: it outlived its display
    equal(S.menu.wait(), 1, "status once the display went away")


os.umask(0o022)
W.mkdir()
IN.mkdir()
if run(installed_tree):
    run(data_as_generated)
    run(menu_entry, needs="desktop-file-validate")
    run(package_in_lintian, needs="lintian")
    for step in (command_lines, new_sheet, exact_imports, refusals):
        run(step)
    if run(xvfb_for_the_window_checks, needs="Xvfb"):
        run(window_scale_caption_icon)
        for step in (editing_pass, redraw_after_cover_and_flood, saved_by_F5, close_request):
            run(step, not S.win and "no editor window")
        run(start_without_graphics)
        run(menu_start)
        run(display_gone, not S.menu and "no editor started from the menu")
print(f"{S.ran} checks ran, {len(S.failures)} failed, {S.skipped} groups skipped")
print("".join(f"FAILED: {f}\n" for f in S.failures), end="")
sys.exit(1 if S.failures else 0)
