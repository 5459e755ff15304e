# `cmake --install` into a scratch tree: the installed editor finds its own
# graphics from a folder holding only a sheet, and vorludit-sheet makes and
# converts sheets exactly, refusing (one line, nothing written) what it cannot.
import os, random, subprocess, tempfile
from pathlib import Path
import harness as h
from PIL import Image

tmp = tempfile.TemporaryDirectory()
subprocess.run(['cmake', '--install', os.path.dirname(h.BIN), '--prefix', '/usr'], env=dict(os.environ, DESTDIR=tmp.name),
               check=True, stdout=subprocess.DEVNULL)
usr, W, IN = Path(os.path.realpath(tmp.name)) / 'usr', h.WORK, Path(tmp.name)
h.BIN, gfx = str(usr / 'bin/vorludit'), usr / 'share/vorludit/vorlugfx.bmp'
(W / 'vorlugfx.bmp').unlink()
tool = lambda *a: subprocess.run([usr / 'bin/vorludit-sheet', *a], cwd=W, capture_output=True, text=True, timeout=10)
state = lambda: sorted((f.name, f.stat().st_ino, f.read_bytes()) for f in W.iterdir())

# A new sheet: blank, 208 x 848, its palette in ramps (i + 8 the lighter shade), shown by the editor's strip.
assert tool('new').returncode == 0 and (new := Image.open(W / '1TIL0000.bmp')).size == (208, 848) and not any(new.getdata())
pal = [tuple(new.getpalette()[3 * i:3 * i + 3]) for i in range(16)]
assert all(sum(pal[i + 8]) > sum(pal[i]) for i in range(8)), pal
e = h.Editor()
e.click((8, 8)), e.key('Return')
strip = [e.shot().getpixel(((20 + 24 * i) * 2, 16)) for i in range(16)]
assert all(abs(a - b) <= 8 for s, p in zip(strip, pal) for a, b in zip(s, p)), (strip, pal)
assert e.close()[0] == 0
gfx.rename(gfx.with_suffix('.away'))
p, _, out = h.start(window=False)
assert p.returncode == 1 and out == "Can't load editor graphics: Couldn't open vorlugfx.bmp or %s\n" % gfx, out

rnd = random.Random(5)
def picture(w=208, h=37, colours=16, mode='P'):
    im = Image.new('P', (w, h))
    im.putpalette([rnd.randrange(256) for _ in range(3 * colours)])
    im.putdata([rnd.randrange(colours) for _ in range(w * h)])
    return im.convert(mode)

# Converted exactly: pixels and palette order as an independent decoder reads the inputs.
picture().save(IN / 'p8.png'), picture(h=848).save(IN / 'p8.bmp'), picture(colours=5).save(IN / 'p4.png', bits=4)
subprocess.run(['convert', IN / 'p8.png', '-type', 'Palette', 'BMP3:' + str(IN / 'p4.bmp')], check=True)
assert (IN / 'p4.bmp').read_bytes()[28] == 4, 'ImageMagick wrote no 4-bit BMP'
for name in ('p8.png', 'p8.bmp', 'p4.png', 'p4.bmp'):
    r, want, got = tool('import', IN / name, name + '.bmp'), Image.open(IN / name), Image.open(W / (name + '.bmp'))
    n = len(want.getpalette()) // 3
    assert r.returncode == 0 and got.size == want.size and list(got.getdata()) == list(want.getdata()), name
    assert got.getpalette()[:3 * n] == want.getpalette()[:3 * n] and n <= 16, name

# Refused, each with one line and nothing written or changed.
os.mkdir(IN / 'dir'), os.mkfifo(IN / 'fifo'), (IN / 'text.png').write_bytes(b'not a picture\n')
(IN / 'cut.png').write_bytes((IN / 'p8.png').read_bytes()[:700]), (IN / 'cut.bmp').write_bytes((IN / 'p8.bmp').read_bytes()[:9000])
for name, im in (('w207.png', picture(w=207)), ('h849.png', picture(h=849)), ('c17.png', picture(colours=17)),
                 ('c17.bmp', picture(colours=17)), ('rgb.png', picture(mode='RGB')), ('rgb.bmp', picture(mode='RGB'))):
    im.save(IN / name)
before = state()
for args in [('import', IN / n, 'out.bmp') for n in ('missing.png', 'dir', 'fifo', 'text.png', 'cut.png', 'cut.bmp',
             'w207.png', 'h849.png', 'c17.png', 'c17.bmp', 'rgb.png', 'rgb.bmp')] + [('new',), ('import', IN / 'p8.png', 'p4.png.bmp')]:
    r = tool(*args)
    assert r.returncode == 1 and r.stdout == '' and r.stderr.count('\n') == 1 and state() == before, (args, r)
assert tool('import', '--force', IN / 'p8.png', 'p4.png.bmp').returncode == 0
assert (W / 'p4.png.bmp').read_bytes() == (W / 'p8.png.bmp').read_bytes() and len(os.listdir(W)) == 5
