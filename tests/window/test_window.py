# The committed data as its generators make it; the programs as `cmake --install` puts them in a
# scratch tree, with a valid menu entry, in a package lintian takes without a word: vorludit-sheet
# converts exactly or refuses (one line, nothing written); the editor refuses a bad command line
# without a window and, in a real window on a private Xvfb, told a folder of a sheet and settings
# from another folder: its scale, caption, icon and graphics, one editing pass to the file, its
# frame again once uncovered, status 0 on a close request, 1 without its graphics or its display;
# started from the menu, a first sheet as vorludit-sheet makes it; after an event flood
# while covered, the whole frame at the real pointer.
import atexit, ctypes, os, random, re, shutil, signal, struct, subprocess, sys, tempfile, time
from pathlib import Path
from Xlib import X, XK, display, protocol
from Xlib.ext import xtest
from PIL import Image, ImageChops

TMP, REPO = Path(os.path.realpath(tempfile.mkdtemp(prefix="vorwin"))), Path(sys.argv[2])
W, IN, usr, gfx = TMP / "work", TMP / "in", TMP / "usr", TMP / "usr/share/vorludit/vorlugfx.bmp"
atexit.register(shutil.rmtree, TMP)
W.mkdir(), IN.mkdir(), os.umask(0o022)
for gen, data in (("mkgfx.py", "vorlugfx.bmp"), ("mkdemo.py", "demo/1TIL0000.bmp")):
    subprocess.run(["/usr/bin/python3", REPO / "tools" / gen, IN / "gen"], check=True)
    assert (IN / "gen").read_bytes() == (REPO / "data" / data).read_bytes(), (
        data + " is not what its generator makes"
    )
subprocess.run(
    ["cmake", "--install", os.path.dirname(sys.argv[1]), "--prefix", "/usr"],
    check=True,
    env=dict(os.environ, DESTDIR=str(TMP)),
    stdout=subprocess.DEVNULL,
)
tool = lambda *a: subprocess.run(
    [usr / "bin/vorludit-sheet", *a], cwd=W, capture_output=True, text=True, timeout=10
)
state = lambda: sorted((f.name, f.stat().st_ino, f.read_bytes()) for f in W.iterdir())
pixels = lambda path: list(Image.open(path).getdata())

# A new sheet: blank, 208 x 848, readable by all, its palette in ramps (i + 8 the lighter shade).
assert (
    tool("new").returncode == 0
    and (new := Image.open(W / "1TIL0000.bmp")).size == (208, 848)
    and not any(new.getdata())
)
pal, newbytes = [new.getpalette()[3 * i : 3 * i + 3] for i in range(16)], (
    W / "1TIL0000.bmp"
).read_bytes()
assert (
    all(sum(pal[i + 8]) > sum(pal[i]) for i in range(8))
    and (W / "1TIL0000.bmp").stat().st_mode & 0o777 == 0o644
), pal
assert (r := tool("--help")).returncode == 0 and r.stdout.startswith("usage: vorludit-sheet new"), r
assert (r := tool("--version")).returncode == 0 and r.stdout == "vorludit-sheet 0.1\n", r
# The editor's command line, read before any window: no display is needed.
for args, status, out in (
    (["--version"], 0, r"vorludit 0\.1\n"),
    (["--help"], 0, r"usage: vorludit .*"),
    (["-x"], 2, ""),
    ([W, W], 2, ""),
    ([REPO / "README.md"], 2, ""),
    ([TMP / "nosuch/a.bmp"], 2, ""),
):
    r = subprocess.run(
        [usr / "bin/vorludit", *args], capture_output=True, text=True, timeout=10, env={}
    )
    assert r.returncode == status and re.fullmatch(out or r"vorludit: [^\n]*\n", r.stdout, re.S), (
        args,
        r,
    )
if shutil.which("desktop-file-validate"):
    r = subprocess.run(
        ["desktop-file-validate", usr / "share/applications/vorludit.desktop"],
        capture_output=True,
        text=True,
    )
    assert r.returncode == 0 and not r.stdout, r
if shutil.which("lintian"):  # the package of the same build: not one error or warning
    subprocess.run(
        [
            "cpack",
            "-G",
            "DEB",
            "-B",
            TMP / "pkg",
            "--config",
            Path(sys.argv[1]).parent / "CPackConfig.cmake",
        ],
        stdout=subprocess.DEVNULL,
        check=True,
    )
    r = subprocess.run(
        ["lintian", "--fail-on", "error,warning", *TMP.glob("pkg/*.deb")],
        capture_output=True,
        text=True,
        env=dict(os.environ, TMPDIR=str(TMP)),
    )  # its caches go with the scratch folder
    assert r.returncode == 0 and not r.stdout, r

rnd = random.Random(5)


def picture(w=208, h=37, colours=16, mode="P"):
    im = Image.new("P", (w, h))
    im.putpalette([rnd.randrange(256) for _ in range(3 * colours)])
    im.putdata([rnd.randrange(colours) for _ in range(w * h)])
    return im.convert(mode)


# Converted exactly, over what is there: pixels and palette order as an independent decoder reads the inputs.
picture().save(IN / "p8.png"), picture(h=848).save(IN / "p8.bmp"), picture(colours=5).save(
    IN / "p4.png", bits=4
)
picture(mode="1").save(IN / "p1.bmp")  # 1-bit, no colour count in its header; colour 1 not white
(IN / "p1.bmp").write_bytes(
    (b := (IN / "p1.bmp").read_bytes())[:46] + bytes(4) + b[50:58] + b"\x32\x64\xc8" + b[61:]
)
subprocess.run(
    ["convert", IN / "p8.png", "-type", "Palette", "BMP3:" + str(IN / "p4.bmp")], check=True
)
assert (IN / "p4.bmp").read_bytes()[28] == 4, "ImageMagick wrote no 4-bit BMP"
for name, out in (
    ("p8.bmp", None),
    ("p1.bmp", "a"),
    ("p8.png", "a"),
    ("p4.png", "b"),
    ("p4.bmp", "b"),
):
    r = tool("import", "--force", IN / name, *[out] * bool(out))
    want, got = Image.open(IN / name), Image.open(W / (out or "1TIL0000.bmp"))
    n = len(want.getpalette()) // 3
    assert (
        r.returncode == 0 and got.size == want.size and list(got.getdata()) == list(want.getdata())
    ), name
    assert got.getpalette()[: 3 * n] == want.getpalette()[: 3 * n] and not any(
        got.getpalette()[3 * n : 48]
    ), name

# --force keeps what a file is: a hard link of it shows the new sheet; one nobody may write is refused below.
os.link(W / "b", IN / "twin"), os.chmod(W / "a", 0o444)
assert (
    tool("import", "--force", IN / "p8.png", "b").returncode == 0
    and (IN / "twin").read_bytes() == (W / "a").read_bytes()
)

# Refused, each with one line (an existing target: naming --force) and nothing written or changed: a
# run-length BMP of 120 bytes that claims 10 million rows, before it is decoded; 3 colours in palette
# entries 200 to 202, with how to fix that.
(IN / "tall.bmp").write_bytes(
    b"BM"
    + struct.pack("<IIIIiiHHIIiiII", 120, 0, 62, 40, 208, 10**7, 1, 8, 1, 58, 0, 0, 2, 0)
    + bytes(8)
    + b"\0\1" * 29
)
(high := Image.new("P", (208, 8))).putpalette(
    bytes(i // 3 for i in range(768))
)  # grey i in entry i
high.putdata([200 + x % 3 for x in range(208 * 8)]), high.save(IN / "high.png")
os.mkdir(IN / "dir"), os.mkfifo(IN / "fifo"), (IN / "text.png").write_bytes(b"not a picture\n")
(IN / "cut.png").write_bytes((IN / "p8.png").read_bytes()[:700]), (IN / "cut.bmp").write_bytes(
    (IN / "p8.bmp").read_bytes()[:9000]
)
for name, im in (
    ("w207.png", picture(w=207)),
    ("h849.png", picture(h=849)),
    ("c17.png", picture(colours=17)),
    ("c17.bmp", picture(colours=17)),
    ("rgb.png", picture(mode="RGB")),
    ("rgb.bmp", picture(mode="RGB")),
):
    im.save(IN / name)
before = state()
for args in [
    ("import", IN / n, "out")
    for n in (
        "missing.png",
        "dir",
        "fifo",
        "text.png",
        "cut.png",
        "cut.bmp",
        "w207.png",
        "h849.png",
        "c17.png",
        "c17.bmp",
        "rgb.png",
        "rgb.bmp",
        "tall.bmp",
        "high.png",
    )
] + [("new",), ("import", IN / "p8.png", "a"), ("new", "--force", "a")]:
    r = tool(*args)
    assert (
        r.returncode == 1
        and r.stdout == ""
        and r.stderr.count("\n") == 1
        and "read back" not in r.stderr
    ), (args, r)
    assert state() == before and ("--force" in r.stderr) == (
        args[-1] != "out" and "--force" not in args
    ), (args, r)
assert (
    "not all in palette entries 0 to 15 (a pixel of colour 200)"
    in tool("import", IN / "high.png", "out").stderr
)
assert "17 colours; a sheet has at most 16" in tool("import", IN / "c17.png", "out").stderr
p = subprocess.Popen(
    [usr / "bin/vorludit-sheet", "import", IN / "tall.bmp", "out"], cwd=W, stderr=subprocess.DEVNULL
)
assert (
    os.wait4(p.pid, 0)[2].ru_maxrss < 200000
), "tall.bmp decoded (2 GB) before its size was checked"  # in KB

# The editor, at scale 3, on the imported p8.bmp.
(W / "a").unlink(), (W / "b").unlink(), (W / "vorludef.txt").write_bytes(b"3\n")
dies_with_us = lambda sig: dict(
    preexec_fn=lambda: ctypes.CDLL(None).prctl(1, sig)
)  # PR_SET_PDEATHSIG
# Xvfb takes a free display number and tells it once it accepts connections.
xvfb = subprocess.Popen(
    ["Xvfb", "-displayfd", "1", "-screen", "0", "1600x1200x24"],
    stdout=subprocess.PIPE,
    stderr=subprocess.DEVNULL,
    **dies_with_us(15),
)
atexit.register(lambda: (xvfb.terminate(), xvfb.wait()))
ENV = dict(
    os.environ,
    DISPLAY=":" + xvfb.stdout.readline().decode().strip(),
    SDL_VIDEODRIVER="x11",
    HOME=str(TMP),
)
dpy = display.Display(ENV["DISPLAY"])


def until(fn, secs=10):
    end = time.time() + secs
    while not (v := fn()) and time.time() < end:
        time.sleep(0.05)
    return v


def find():
    try:
        return next(
            (
                w
                for w in dpy.screen().root.query_tree().children
                if w.get_wm_name() == "vorludit 0.1"
                and w.get_attributes().map_state == X.IsViewable
            ),
            None,
        )
    except Exception:
        return None  # a window went meanwhile


def start(window=True, arg=W):
    """(process, its window or True once ended, output), told the working folder from another; started
    again while SDL fails to connect (1 in 100)."""
    for _ in range(3):
        p = subprocess.Popen(
            [usr / "bin/vorludit", arg],
            cwd=IN,
            env=ENV,
            stdout=subprocess.PIPE,
            text=True,
            **dies_with_us(9),
        )
        time.sleep(0.5)  # off the display while the editor connects
        w = until(lambda: window and find() or p.poll() is not None)
        out = "" if w is not True else p.stdout.read()
        if not out.startswith(("Could not initialize SDL", "Could not set video mode")):
            assert w and (w is True) != window, "window %s, status %s, output %r" % (
                w,
                p.returncode,
                out,
            )
            return p, w, out
    raise AssertionError("SDL failed three times: " + out)


def fake(kind, detail=0, **xy):
    xtest.fake_input(dpy, kind, detail, **xy)
    dpy.sync()
    time.sleep(0.05)


proc, win, _ = start()
o, g = dpy.screen().root.translate_coords(win, 0, 0), win.get_geometry()
size = (g.width, g.height)
assert size == (1200, 1056), "window %s at scale 3" % (size,)
icon = win.get_full_property(dpy.intern_atom("_NET_WM_ICON"), X.AnyPropertyType).value
menuicon = Image.open(usr / "share/icons/hicolor/32x32/apps/vorludit.png").getdata()
assert list(icon) == [32, 32] + [
    0xFF000000 | r << 16 | g << 8 | b for r, g, b in menuicon
], "not the menu icon"
shot = lambda: Image.frombytes(
    "RGB", size, win.get_image(0, 0, *size, X.ZPixmap, 0xFFFFFFFF).data, "raw", "BGRX"
)
settled = lambda: until(
    lambda: (a := shot()) == (time.sleep(0.1), shot())[1] and a
)  # two looks 0.1 s apart agree


def click(x, y, b=1):  # button b at base pixel (x, y); b=0: only a move
    fake(X.MotionNotify, x=o.x + x * 3 + 1, y=o.y + y * 3 + 1)
    b and (fake(X.ButtonPress, b), fake(X.ButtonRelease, b))


def key(name):  # held until the window changes: a frame has seen it
    code, before = dpy.keysym_to_keycode(XK.string_to_keysym(name)), settled()
    fake(X.KeyPress, code)
    changed = until(lambda: shot() != before, 5)
    fake(X.KeyRelease, code)
    assert changed, "no frame showed key " + name


# Tile (3, 2) in layout 1 at magnification 1: grid pixel (x, y) is sheet pixel (48 + x, 32 + y).
click(300, 300, 0)  # keys go to the window under the pointer; then a first frame
assert until(
    lambda: min(shot().getpixel((size[0] - 1, size[1] - 1))) > 128
), "no grey corner, no frames"
click(52, 36), key("Return")
click(164, 8), click(13, 31), click(
    114, 92, 3
)  # swatch 6; grid (5, 7); a repeated copy, 6 + 8: grid (10, 4)
key("Return")
# Another window over part of the editor, off the pointer, and gone again: the
# editor shows its frame again, though nothing in it changed. Then F5.
before = settled()
cover = dpy.screen().root.create_window(
    o.x + 500,
    o.y + 30,
    600,
    500,
    0,
    X.CopyFromParent,
    background_pixel=dpy.screen().white_pixel,
    override_redirect=True,
)
cover.map(), dpy.sync()
assert until(lambda: shot() != before, 3), "the other window never showed over the editor"
cover.unmap(), dpy.sync()
assert until(lambda: shot() == before, 3), "not shown again once uncovered"
# The same with the editor stopped and more motions than SDL's queue holds (128) before the
# expose, along row 150 and back to where the pointer was: the 128th there (only the expose
# is lost) or elsewhere. Running again, the frame of the pointer where it really is.
row, P = [(10 + i, 150) for i in range(138)], (114, 92)
for path in (row[:127] + [P] + row[:10] + [P], row + [P]):
    proc.send_signal(signal.SIGSTOP)
    cover.map(), dpy.sync()
    assert until(lambda: shot() != before, 3), "the other window never showed over the editor"
    for x, y in path:
        xtest.fake_input(dpy, X.MotionNotify, x=o.x + x * 3 + 1, y=o.y + y * 3 + 1)
    cover.unmap(), dpy.sync(), proc.send_signal(signal.SIGCONT)
    assert until(lambda: shot() == before, 5), "after a flood, differs in %s" % (
        ImageChops.difference(before, shot()).getbbox(),
    )
cover.destroy(), dpy.sync()
stamp, want = (W / "1TIL0000.bmp").stat().st_mtime_ns, pixels(IN / "p8.bmp")
want[39 * 208 + 53], want[36 * 208 + 58] = 6, 14
key("F5")
assert until(
    lambda: (W / "1TIL0000.bmp").stat().st_mtime_ns != stamp and pixels(W / "1TIL0000.bmp") == want
)

# WM_DELETE_WINDOW, as a window manager sends it.
win.send_event(
    protocol.event.ClientMessage(
        window=win,
        client_type=dpy.intern_atom("WM_PROTOCOLS"),
        data=(32, [dpy.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]),
    )
)
dpy.flush()
assert (proc.wait(10), proc.stdout.read()) == (0, ""), "close request"
gfx.rename(gfx.with_suffix(".away"))
p, _, out = start(window=False)
assert (
    p.returncode == 1
    and out == "Can't load editor graphics: Couldn't open vorlugfx.bmp or %s\n" % gfx
), out
gfx.with_suffix(".away").rename(gfx)
proc = start(arg="--menu")[0]  # its first start: ~/vorludit made, with a new sheet
assert until(
    lambda: (f := TMP / "vorludit/1TIL0000.bmp").exists() and f.read_bytes() == newbytes
), "not a new sheet"
time.sleep(1.5), xvfb.kill()  # the editor settled into its idle frames
assert proc.wait(5) == 1, "editor outlived its display"
