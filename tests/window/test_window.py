# The installed programs checked from outside in groups; failures said as they come; status 1 if any
import atexit, ctypes, os, random, re, shutil, struct, subprocess, sys, tempfile, time
from pathlib import Path
from PIL import Image
from Xlib import X, XK, display, protocol

atexit.register(shutil.rmtree, TMP := Path(os.path.realpath(tempfile.mkdtemp(prefix="vorwin"))))
BUILD, USR = Path(sys.argv[1]).parent, TMP / "usr"  # argv: the built editor, the source tree
W, IN, BAD = (Path(tempfile.mkdtemp(prefix=name, dir=TMP)) for name in ("w", "in", "bad"))
ED, SHEET = USR / "bin/vorludit", USR / "bin/vorludit-sheet"
S = type("S", (), dict(failures=[], rnd=random.Random(5)))  # what groups share


def equal(got, want, what):  # one check; a failure shown from a little before the first difference
    if got != want:
        g, w = repr(got), repr(want)
        at = max(len(os.path.commonprefix([g, w])) - 30, 0)
        S.failures.append(f"{what}: expected {w[at : at + 300]}, got {g[at : at + 300]}")
        print("FAILED:", S.failures[-1], flush=True)


def run(*steps, needs):  # groups of checks, each run whatever came before; or SKIPPED lines
    for step in steps:
        try:
            step() if shutil.which(needs) else print(f"SKIPPED: {step.__name__}: no {needs}")
        except Exception as e:  # one more failure, and the next group runs
            equal(repr(e), "no error", f"{step.__name__}, line {e.__traceback__.tb_next.tb_lineno}")


def prog(cmd, status, out, err, **kw):  # out, err: patterns; a stream that fits shows as one
    r = subprocess.run(cmd, capture_output=True, text=True, timeout=30, **kw)
    what = " ".join(map(str, cmd)).replace(f"{USR}/bin/", "").replace(f"{TMP}/", "")
    got = [p if re.fullmatch(p, t, re.S) else t for t, p in zip((r.stdout, r.stderr), (out, err))]
    equal((r.returncode, *got), (status, out, err), f"{what}: status, output, errors")
    return what


def state():  # the working folder: names, which files they are, their contents (a folder: none)
    return sorted((f, f.stat().st_ino, f.is_dir() or hash(f.read_bytes())) for f in W.iterdir())


def picture(w=208, h=37, colours=16, mode="P"):
    im = Image.frombytes("P", (w, h), bytes(S.rnd.choices(range(colours), k=w * h)))
    im.putpalette([S.rnd.randrange(256) for _ in range(3 * colours)])
    return im.convert(mode)


def coded(bits):  # a picture of runs, run-length coded by the format's rules; moves skip colour 0
    runs = [
        bytes([S.rnd.choice((0, S.rnd.randrange(16)))]) * S.rnd.randrange(1, 40) for _ in range(600)
    ]
    im = Image.frombytes("P", (208, 30), b"".join(runs)[: 208 * 30])
    im.putpalette([S.rnd.randrange(256) for _ in range(48)])
    data = b""
    for y in reversed(range(30)):  # bottom-up; a row ends with 0 0, the picture with 0 1
        row, x = im.tobytes()[y * 208 : y * 208 + 208], 0
        while x < 208:
            n = next(k for k in range(1, 209) if x + k == 208 or row[x + k] != row[x])
            data += bytes(
                [0, 2, n, 0] if row[x] == 0 and n > 2 else [n, row[x] * (1 + 16 * (bits == 4))]
            )
            x += n
        data += b"\0\0"
    head = struct.pack(
        "<2sI4xIIiiHHII8xII",
        b"BM",
        118 + len(data),
        118,
        40,
        208,
        30,
        1,
        bits,
        10 // bits,
        len(data),
        16,
        0,
    )
    (IN / f"r{bits}.bmp").write_bytes(head + bytes(im.getpalette("BGRX")[:64]) + data + b"\0\1")
    return im


def installed_tree():
    prog(["cmake", "--install", BUILD, "--prefix", USR], 0, ".*", "")


def menu_entry():
    prog(["desktop-file-validate", USR / "share/applications/vorludit.desktop"], 0, "", "")


def new_sheet():
    prog([SHEET, "new"], 0, "", "", cwd=W)
    sheet = W / "1TIL0000.bmp"
    new, mode, S.newbytes = Image.open(sheet), sheet.stat().st_mode & 0o777, sheet.read_bytes()
    sums = [sum(new.getpalette()[3 * i : 3 * i + 3]) for i in range(16)]
    got = (new.size, set(new.getdata()), [i for i in range(8) if sums[i + 8] <= sums[i]], oct(mode))
    equal(got, ((208, 848), {0}, [], "0o644"), "new sheet: size, colours, i + 8 not lighter, mode")


def exact_imports():  # pixels and palette order as another decoder reads the picture
    os.link(W / "1TIL0000.bmp", IN / "twin")  # --force keeps what a file is: its other name too
    made = [picture(h=848), picture(), picture(colours=5)]  # p4.png: PIL's 4 bits a pixel
    for name, im, bits in zip("p8.bmp p8.png p4.png".split(), made, (8, 8, 4)):
        im.save(IN / name, bits=bits)
    made[2].save(IN / "p5.png")  # a palette of its 5 colours only
    b, rows = (IN / "p8.bmp").read_bytes(), made[0].tobytes()  # td.bmp: the same, rows top-down
    (IN / "td.bmp").write_bytes(b[:22] + struct.pack("<i", -848) + b[26 : -len(rows)] + rows)
    picture(mode="1").save(IN / "p1.bmp")
    b = (IN / "p1.bmp").read_bytes()  # 1-bit: no colour count in its header; colour 1 not white
    (IN / "p1.bmp").write_bytes(b[:46] + bytes(4) + b[50:58] + b"\x32\x64\xc8" + b[61:])
    os2 = picture(h=16)  # an OS/2 BMP: a 12-byte header, 3-byte palette entries, rows bottom-up
    head = struct.pack("<2sIIIIHHHH", b"BM", 26 + 768 + 3328, 0, 26 + 768, 12, 208, 16, 1, 8)
    pal = bytes(os2.getpalette("BGR")).ljust(768, b"\0")
    (IN / "os2.bmp").write_bytes(head + pal + os2.transpose(Image.FLIP_TOP_BOTTOM).tobytes())
    subprocess.run(["/usr/bin/convert", IN / "p5.png", "-compress", "RLE", f"BMP3:{IN}/rle.bmp"])
    source = {f"r{bits}.bmp": coded(bits) for bits in (8, 4)}  # PIL reads neither moves nor RLE4
    names = "p8.bmp p8.png p4.png p5.png td.bmp p1.bmp os2.bmp rle.bmp r8.bmp r4.bmp".split()
    for name, out in zip(names, ["1TIL0000.bmp", *"aaabbbbbb"]):  # 1TIL0000.bmp: no target named
        prog(
            [SHEET, "import", "--force", IN / name, *([out] if len(out) == 1 else [])],
            0,
            "",
            "",
            cwd=W,
        )
        both = Image.open(W / out), source.get(name) or Image.open(IN / name)
        got, want = [(i.getpalette() + [0] * 48)[:48] + list(i.getdata()) for i in both]
        equal(got, want, f"import {name}: palette of 16 (black where unused), then pixels by rows")
    twin, sheet = (IN / "twin").read_bytes(), (W / "1TIL0000.bmp").read_bytes()
    equal(twin, sheet, "the other name of a sheet imported over with --force")
    os.unlink(IN / "twin")  # a sheet with two names is saved in place: F5's could be read half-done


def command_lines():  # refused: one line, nothing written; an existing target: naming --force
    os.mkfifo(BAD / "fifo")
    (BAD / "text.png").write_bytes(b"not a picture\n")
    (BAD / "cut.png").write_bytes((IN / "p8.png").read_bytes()[:700])
    (BAD / "cut.bmp").write_bytes((IN / "p8.bmp").read_bytes()[:9000])
    for cut in range(3, 40):  # the end of the picture's code cut off: anywhere in its last rows
        (BAD / f"cut{cut}.bmp").write_bytes((IN / "r8.bmp").read_bytes()[:-cut])
    made = [picture(w=207), picture(h=849), *[picture(colours=17)] * 2, picture(mode="RGB")]
    for name, im in zip("w207.png h849.png c17.png c17.bmp rgb.png".split(), made):
        im.save(BAD / name)
    one, force = r"(?!.*read back)(?!.*--force)[^\n]*\n", r"(?!.*read back)[^\n]*--force[^\n]*\n"
    why = {"w207.png": "207 pixels wide; a sheet is 208", "h849.png": "849 rows tall; a sheet has"}
    why |= {f"c17.{t}": "17 colours; a sheet has at most 16" for t in ("png", "bmp")}
    p8, nf = IN / "p8.png", "vorludit-sheet: . is not a regular file; not replacing it\n"
    sheet = lambda *args, err=one: ([SHEET, *args], 1, "", err)  # refused by vorludit-sheet
    cases = [sheet("import", f, "o") for f in [*BAD.iterdir(), BAD / "no.png", IN]]
    cases += [sheet("import", BAD / f, "o", err=f"[^\n]*: {w}[^\n]*\n") for f, w in why.items()]
    cases += [sheet("new", err=force), sheet("new", "--force", ".", err=nf)]
    usage = [[], ["bogus"], ["new", "x", "y"], ["import", p8, "x", "y"]]
    cases += [sheet(*a, err="usage: vorludit-sheet .*") for a in usage]
    cases += [([SHEET, h], 0, "usage: vorludit-sheet .*", "") for h in ("-h", "--help")]
    cases += [([ED, *a], 2, r"vorludit: [^\n]*\n", "") for a in (["-x"], [W, W], [p8])]
    cases += [([c, "--version"], 0, rf"{c.name} 0\.1\n", "") for c in (ED, SHEET)]
    before = state()
    for case in cases:  # the editor's before any window: with no display
        what = prog(*case, cwd=W, env={})
        equal(state(), before, f"{what}: the working folder (name, inode, hash)")


def spawn(cmd, sig, **kw):  # sent signal sig when this script ends, or dies (PR_SET_PDEATHSIG)
    p = subprocess.Popen(cmd, preexec_fn=lambda: ctypes.CDLL(None).prctl(1, sig), **kw)
    atexit.register(lambda: (p.send_signal(sig), p.wait()))
    return p


def until(fn, secs=10):  # fn's first true value within secs seconds, else its last
    end = time.time() + secs
    while not (value := fn()) and time.time() < end:
        time.sleep(0.05)
    return value


def seen(fn, want, what, secs=10):  # fn waited for until its value is want, then checked
    until(lambda: fn() == want, secs)
    got = fn()
    equal(got, want, what)


def start(arg):  # the editor; its window: the one under the pointer (Xvfb's starts mid-screen)
    p = spawn([ED, arg], 9, cwd=IN, env=S.env, stdout=subprocess.PIPE, text=True)
    win = until(lambda: p.poll() is not None or S.dpy.screen().root.query_pointer().child)
    if p.poll() is not None or not win:
        raise RuntimeError(f"no window from {arg}: status {p.poll()}")
    return p, win


def fake(detail, x=0, y=0, kinds=(X.MotionNotify, X.ButtonPress, X.ButtonRelease)):  # a click
    x, y = S.o.x + x * 3 + 1, S.o.y + y * 3 + 1  # base pixel (x, y), at scale 3
    for kind in kinds:  # a motion's detail says whether it is relative: 0
        S.dpy.xtest_fake_input(kind, 0 if kind == X.MotionNotify else detail, x=x, y=y)
        S.dpy.sync()
        time.sleep(0.05)


def shot():  # the window's pixels, 4 bytes each: blue, green, red, unused
    return S.win.get_image(0, 0, S.g.width, S.g.height, X.ZPixmap, 0xFFFFFFFF).data


def settled():  # the frame once two looks 0.1 s apart agree
    return until(lambda: (a := shot()) == (time.sleep(0.1), shot())[1] and a)


def key(name):  # held until the window changes: the editor reads keys held in a frame
    code, before = S.dpy.keysym_to_keycode(XK.string_to_keysym(name)), settled()
    fake(code, kinds=[X.KeyPress])
    seen(lambda: shot() != before, True, f"key {name}: a frame showing it within 5 s", 5)
    fake(code, kinds=[X.KeyRelease])


def window_session():  # Xvfb on a free display number, told once it accepts connections
    cmd = ["Xvfb", "-displayfd", "1", "-screen", "0", "1600x1200x24"]
    S.xvfb = spawn(cmd, 15, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    S.dpy = display.Display(f":{int(S.xvfb.stdout.readline())}")
    S.env = dict(os.environ, SDL_VIDEODRIVER="x11", HOME=TMP, DISPLAY=S.dpy.get_display_name())
    (W / "vorludef.txt").write_bytes(b"3\n")
    proc, S.win = start(W)  # told a folder of a sheet, with settings, from another folder
    S.o, S.g = S.dpy.screen().root.translate_coords(S.win, 0, 0), S.win.get_geometry()
    menu = Image.open(USR / "share/icons/hicolor/32x32/apps/vorludit.png").getdata()
    name = until(S.win.get_wm_name)  # set once the window is shown, after the icon
    prop = S.win.get_full_property(S.dpy.intern_atom("_NET_WM_ICON"), X.AnyPropertyType)
    got = (S.g.width, S.g.height, name, prop and list(prop.value))
    argb = [32, 32] + [0xFF000000 | r << 16 | g << 8 | b for r, g, b in menu]
    equal(got, (1200, 1056, "vorludit 0.1", argb), "window size, caption, icon as the menu's")
    want = list(Image.open(IN / "p8.bmp").getdata())
    want[39 * 208 + 53], want[36 * 208 + 58] = 6, 14  # grid (5, 7), grid (10, 4) below
    # Tile (3, 2), Return: grid (x, y) is (48 + x, 32 + y); colour 6 at (5, 7), right button: 14
    for act in ((1, 52, 36), "Return", (1, 164, 8), (1, 13, 31), (3, 114, 92), "Return"):
        key(act) if type(act) is str else fake(*act)
    S.dpy.xfixes_query_version()  # the pointer is over the window: X's own is hidden there
    alpha = max(S.dpy.xfixes_get_cursor_image(S.win).cursor_image) >> 24
    equal(alpha, 0, "X's own pointer over the window, which draws its own: seen")
    before, scr, xy = settled(), S.dpy.screen(), (S.o.x + 500, S.o.y + 30, 600, 500, 0, 0)
    cover = scr.root.create_window(*xy, background_pixel=scr.white_pixel, override_redirect=True)
    cover.map()
    seen(lambda: shot() != before, True, "another window shown over the editor", 3)
    cover.unmap()
    seen(shot, before, "the frame once uncovered", 5)
    key("F5")  # after that check: it shows a message for a time
    seen(lambda: list(Image.open(W / "1TIL0000.bmp").getdata()), want, "the sheet F5 saved")
    data = (32, [S.dpy.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
    protocols = S.dpy.intern_atom("WM_PROTOCOLS")  # a close request as a window manager sends it
    S.win.send_event(protocol.event.ClientMessage(window=S.win, client_type=protocols, data=data))
    S.dpy.flush()
    status = proc.wait(5)
    equal((status, proc.stdout.read()), (0, ""), "after a close request: status, output")


def no_graphics():  # the working folder's broken one, then the installed one broken, then missing
    gfx, away = USR / "share/vorludit/vorlugfx.bmp", USR / "share/vorludit/away"
    gfx.rename(away)
    for broken in (W / "vorlugfx.bmp", gfx):
        broken.write_bytes(b"BM not a picture")  # opened, but not a picture
    missing = re.escape(f"Couldn't open vorlugfx.bmp or {gfx}")
    for said, gone in (
        (r"vorlugfx\.bmp: .+", W),
        (re.escape(str(gfx)) + ": .+", gfx),
        (missing, W),
    ):
        prog([ED, W], 1, f"Can't load editor graphics: {said}\n", "", cwd=IN, env=S.env)
        (gone / "vorlugfx.bmp" if gone == W else gone).unlink(missing_ok=True)
    away.rename(gfx)


def menu_start():  # ~/vorludit made, its sheet as `new` makes it; then the display goes
    p = start("--menu")[0]
    made = lambda: [f.read_bytes() for f in TMP.glob("vorludit/1TIL0000.bmp")]
    seen(made, [S.newbytes], "~/vorludit's sheets named 1TIL0000.bmp")  # written whole, then named
    time.sleep(1.5)  # the editor settled into its idle frames
    S.xvfb.terminate()
    status = p.wait(5)
    equal(status, 1, "status once the display went away")


os.umask(0o022)
run(installed_tree, new_sheet, exact_imports, command_lines, needs="cmake")
run(menu_entry, needs="desktop-file-validate")
run(window_session, no_graphics, menu_start, needs="Xvfb")
sys.exit(f"{len(S.failures)} failed" if S.failures else 0)
