#include "support.h"
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

static char scratch[PATH_MAX]; // in $TMPDIR, else /tmp
static pid_t owner; // the process that made it: a death test's child leaves it

static void removescratch()
{
    if (getpid() != owner || chdir("/") != 0)
        return;
    std::filesystem::remove_all(scratch);
}

void freshstate()
{
    resetstate();
    if (owner == 0) {
        const char* tmp = getenv("TMPDIR");
        snprintf(scratch, sizeof scratch, "%s/vorludit-test-XXXXXX", tmp ? tmp : "/tmp");
        ASSERT_NE(mkdtemp(scratch), nullptr);
        owner = getpid();
        atexit(removescratch);
    }
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
        std::filesystem::remove_all(entry.path());
    ASSERT_EQ(chdir(scratch), 0);
    writebytes("vorlugfx.bmp", readbytes(std::string(VORLUDIT_SOURCE_DIR) + "/data/vorlugfx.bmp"));
}

void startwindow(int z)
{
    freshstate();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    zoom = z;
    startvideo();
    loadgui();
    windowshows.assign((size_t)screen->pitch * screen->h, 0x5a);
}

Sheet asymmetricsheet(int h)
{
    Sheet s;
    s.h = h;
    for (int x = 0; x < 208; x++)
        for (int y = 0; y < h; y++)
            s.pix[x * 848 + y] = (x * 3 + y * 7 + x * y / 5) % 16;
    for (int i = 0; i < 16; i++) {
        s.pal[i][0] = i * 16 + 8;
        s.pal[i][1] = 255 - i * 15;
        s.pal[i][2] = (i * 97 + 40) % 256;
    }
    return s;
}

// Colours of every kind: any at all, or few bits apart, so that some look alike on a screen of
// 16-bit pixels and others differ only in bits such a screen drops, or so dark that their pixels'
// bytes look like black's.
Sheet randomsheet(std::mt19937& rng, int h)
{
    Sheet s;
    s.h = h;
    int kind = rng() % 3; // any; near one another; all so dark that a 16-bit pixel's high byte is 0
    int spread = kind == 0 ? 256 : kind == 1 ? 4 : 8;
    int base = kind == 1 ? rng() % 250 : 0;
    for (int i = 0; i < 16; i++)
        for (int c = 0; c < 3; c++)
            s.pal[i][c] = (base + rng() % spread) % 256;
    int runs = rng() % 3; // noise, or runs of a colour down the columns
    for (int x = 0; x < 208; x++)
        for (int y = 0; y < h; y++)
            s.pix[x * 848 + y] = runs && y % (8 << runs) ? s.pix[x * 848 + y - 1] : rng() % 16;
    return s;
}

void putinstore(const Sheet& s)
{
    for (int x = 0; x < 208; x++)
        memcpy(sheetpixels + x * 848, &s.pix[x * 848], s.h);
    memcpy(palette, s.pal, sizeof palette);
    sheetheight = s.h;
    sheetrows = s.h / 16;
}

static void putu32(bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = v >> 8 * i;
}

bytes bmpfile(const Sheet& s, bool topdown, int header, int colours, int extra)
{
    uint32_t at = 14 + header + 64;
    uint32_t size = at + 104 * (s.h + extra);
    bytes f(size, 0xff);
    std::fill(f.begin(), f.begin() + at, 0);
    f[0] = 'B';
    f[1] = 'M';
    putu32(f, 2, size);
    putu32(f, 10, at);
    putu32(f, 14, header);
    putu32(f, 18, 208);
    putu32(f, 22, topdown ? -s.h : s.h + extra);
    putu32(f, 26, 1 | 4 << 16); // one plane, 4 bits a pixel
    putu32(f, 34, size - at);
    putu32(f, 46, colours);
    for (int i = 0; i < 16; i++) // B, G, R, unused
        for (int c = 0; c < 3; c++)
            f[14 + header + i * 4 + c] = s.pal[i][2 - c];
    for (int y = 0; y < s.h; y++) { // two pixels a byte, the left one high
        size_t row = at + 104 * (topdown ? y : s.h - 1 - y);
        for (int x = 0; x < 208; x += 2)
            f[row + x / 2] = s.pix[x * 848 + y] << 4 | s.pix[(x + 1) * 848 + y];
    }
    return f;
}

bytes readbytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(f), {});
}

void writebytes(const std::string& path, const bytes& data)
{
    std::ofstream f(path, std::ios::binary);
    f.write((const char*)data.data(), data.size());
    ASSERT_TRUE(f.good()) << path;
}

bytes windowshows;
static bool pastwindow; // a rectangle was presented that the window does not hold

static void show(const SDL_Surface* s, int x, int y, int w, int h)
{
    int bpp = s->format->BytesPerPixel;
    pastwindow |= x < 0 || y < 0 || x + w > s->w || y + h > s->h;
    if (windowshows.size() != (size_t)s->pitch * s->h)
        return;
    for (int r = y; r < y + h && r < s->h; r++)
        memcpy(&windowshows[r * s->pitch + x * bpp], (Uint8*)s->pixels + r * s->pitch + x * bpp,
            (size_t)std::min(w, s->w - x) * bpp);
}

extern "C" int SDL_Flip(SDL_Surface* s)
{
    show(s, 0, 0, s->w, s->h);
    return 0;
}

extern "C" void SDL_UpdateRects(SDL_Surface* s, int n, SDL_Rect* rects)
{
    for (int i = 0; i < n; i++)
        show(s, rects[i].x, rects[i].y, rects[i].w, rects[i].h);
}

std::string windowdiffers()
{
    const Uint8* now = (const Uint8*)screen->pixels;
    if (windowshows.size() != (size_t)screen->pitch * screen->h)
        return "a window of another size";
    if (pastwindow)
        return "a rectangle presented past the window";
    auto differ = std::mismatch(windowshows.begin(), windowshows.end(), now);
    if (differ.first == windowshows.end())
        return "";
    size_t at = differ.first - windowshows.begin();
    int x = at % screen->pitch / screen->format->BytesPerPixel / zoom;
    return "base pixel " + std::to_string(x) + "," + std::to_string(at / screen->pitch / zoom);
}
