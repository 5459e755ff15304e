// The sheet file: the exact bytes a save writes, the layouts a load takes
// and refuses, and saves that fail without harming the file already there.
#include "support.h"
#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

typedef std::vector<unsigned char> bytes;
typedef std::set<std::string> names;
static const char *const NAME = "1TIL0000.bmp", *const SAVED = "tile image saved.";
static const char *const UNSAVED = "could not save tiles for some reason.";
static unsigned char wantpal[16][3];  // the asymmetric sheet's palette

static void put(bytes &b, size_t at, uint32_t v, int n = 4)
{
    for (int i = 0; i < n; i++)
        b[at + i] = (unsigned char)(v >> (8 * i));
}

// The asymmetric sheet h rows high, in the store and as the encoder writes it.
static bytes encoded(int h)
{
    makeasymmetricsheet(h);
    memcpy(wantpal, pal, sizeof pal);
    bytes b(BMPMAX);
    b.resize(encodesheet(b.data()));
    return b;
}

// Checks the message the last action posted, and clears it for the next.
static void posted(const char *text)
{
    EXPECT_TRUE(strcmp(mesbuf, text) == 0 && messagetime == 30) << mesbuf;
    mesbuf[0] = 0, messagetime = 0;
}

// Loads over a scrambled store, which must then show the asymmetric sheet's
// top h rows in their own colours, or black past the file's colours.
static void expectload(int h, int colours)
{
    static const unsigned char black[3] = {};
    memset(img, 9, sizeof img), memset(pal, 7, sizeof pal), imgh = tsrows = 1;
    loadtiles();
    EXPECT_TRUE(imgh == h && tsrows == h / TILE && sheetlocked == 0) << imgh;
    int wrong = 0;
    for (int x = 0; x < SHEETW; x++)
        for (int y = 0; y < h; y++) {
            int a = asymmetricpixel(x, y);
            wrong += memcmp(pal[img[x * SHEETH + y]], a < colours ? wantpal[a] : black, 3) != 0;
        }
    EXPECT_EQ(wrong, 0);
}

static names folder(const char *path)
{
    names found;
    for (auto &e : std::filesystem::directory_iterator(path))
        found.insert(e.path().filename());
    return found;
}

TEST(Sheet, SavesExactBytesThatLoadBackHereAndInSDL)
{
    for (int h : { 848, 200 }) {
        SCOPED_TRACE(h);
        freshstate();
        encoded(h);
        savetiles();
        posted(SAVED);
        bytes file = readbytes(NAME), want(BMPHEADER);
        uint32_t size = h == 848 ? 88310 : 20918;
        uint32_t words[] = { size, 0, 118, 40, 208, (uint32_t)h, 1 | 4 << 16, 0, size - 118 };  // from offset 2
        ASSERT_EQ(file.size(), size);
        want[0] = 'B', want[1] = 'M';
        for (int i = 0; i < 9; i++)
            put(want, 2 + 4 * i, words[i]);
        for (int i = 0; i < 48; i++)
            want[54 + i / 3 * 4 + i % 3] = wantpal[i / 3][2 - i % 3];
        EXPECT_EQ(bytes(file.begin(), file.begin() + BMPHEADER), want);
        // SDL's own reader: no flipped rows, swapped nibbles or swapped red and blue.
        SDL_Surface *s = SDL_LoadBMP(NAME);
        ASSERT_TRUE(s && s->w == SHEETW && s->h == h && s->format->BitsPerPixel == 8);
        for (int x : { 0, 1, 2, 77, 206, 207 })
            for (int y : { 0, 1, 150, h - 2, h - 1 }) {
                int i = ((Uint8 *)s->pixels)[y * s->pitch + x];
                SDL_Color c = s->format->palette->colors[i];
                EXPECT_TRUE(i == asymmetricpixel(x, y) && memcmp(&c, wantpal[i], 3) == 0) << x << "," << y;
            }
        SDL_FreeSurface(s);
        expectload(h, 16);
        ASSERT_EQ(remove(NAME), 0);
        savetiles();
        EXPECT_EQ(readbytes(NAME), file);
    }
}

// Rebuilt from the encoder's output, or written by ImageMagick, which
// picks its own palette order and header.
TEST(Sheet, LoadsOtherLayoutsAndImageMagickSheets)
{
    struct { const char *what; int rows, extra, header, colours; bool topdown; const char *convert; } cases[] = {
        { "850 high: file rows 0..847 kept", 848, 2, 40, 0, false, nullptr },
        { "top-down", 848, 0, 40, 0, true, nullptr }, { "top-down 850 high", 848, 2, 40, 0, true, nullptr },
        { "52-byte header", 200, 0, 52, 0, false, nullptr }, { "56-byte header", 200, 0, 56, 0, false, nullptr },
        { "108-byte header", 848, 0, 108, 0, false, nullptr }, { "124-byte header", 200, 0, 124, 16, true, nullptr },
        { "12 colours, a gap before the rows", 200, 0, 40, 12, false, nullptr },
        { "ImageMagick BMP3", 848, 0, 40, 0, false, "BMP3" }, { "ImageMagick BMP", 32, 0, 40, 0, false, "BMP" },
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        bytes f = encoded(c.rows);
        unsigned char *rows = &f[BMPHEADER];
        for (int k = 0; c.topdown && k < c.rows / 2; k++)
            std::swap_ranges(rows + BMPROW * k, rows + BMPROW * (k + 1), rows + BMPROW * (c.rows - 1 - k));
        int h = c.rows + c.extra;
        put(f, 10, 78 + c.header), put(f, 14, c.header), put(f, 22, c.topdown ? -h : h), put(f, 46, c.colours);
        f.insert(f.begin() + 54, c.header - 40, 0);
        f.resize(f.size() + BMPROW * c.extra, 0xff);
        writebytes(NAME, f);
        if (c.convert != nullptr) {
            std::string ppm = "P6 208 " + std::to_string(c.rows) + " 255\n";
            for (int i = 0; i < SHEETW * c.rows; i++)
                ppm.append((const char *)wantpal[asymmetricpixel(i % SHEETW, i / SHEETW)], 3);
            writebytes("in.ppm", bytes(ppm.begin(), ppm.end()));
            std::string command = std::string("/usr/bin/convert in.ppm -colors 16 -type Palette ") + c.convert + ":" + NAME;
            ASSERT_EQ(system(command.c_str()), 0) << "needs ImageMagick";
            ASSERT_EQ(readbytes(NAME).at(28), 4) << "not a 4-bit file";
        }
        expectload(c.rows, c.colours ? c.colours : 16);
    }
}

// Each made from a good 200-high file: up to two fields changed (1-byte at
// offset 1, 2-byte planes and depth, the rest 4-byte), then cut to a length.
TEST(Sheet, RefusesBadFilesAndLeavesTheStore)
{
    const long EMPTY = -1, DIRECTORY = -2;
    struct { const char *what; int at; uint32_t v; long cut = 0; int at2 = 0; uint32_t v2 = 0; } cases[] = {
        { "empty", 0, 0, EMPTY }, { "BN", 1, 'N' }, { "cut at 10", 0, 0, 10 }, { "cut at 53", 0, 0, 53 },
        { "cut at 100", 0, 0, 100 }, { "one row short", 0, 0, 20918 - 104 }, { "one byte short", 0, 0, 20917 },
        { "width 207", 18, 207 }, { "depth 8", 28, 8 }, { "planes 2", 26, 2 }, { "RLE8", 30, 1 }, { "RLE4", 30, 2 },
        { "17 colours with room for them", 46, 17, 20918 + 4, 10, 122 }, { "data inside the header", 10, 20 },
        { "data inside the palette", 10, 117 }, { "data past the end", 10, 30000 },
        { "rows a byte past the end", 10, 119 }, { "height 0", 22, 0 }, { "height -2^31", 22, 0x80000000u },
        { "12-byte header", 14, 12 }, { "header past the end", 14, 0xfffffff0u }, { "a directory", 0, 0, DIRECTORY },
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        bytes f = encoded(200);
        put(f, c.at, c.v, c.at == 0 ? 0 : c.at == 1 ? 1 : c.at == 26 || c.at == 28 ? 2 : 4);
        put(f, c.at2, c.v2, c.at2 ? 4 : 0);
        f.resize(c.cut == EMPTY ? 0 : c.cut > 0 ? c.cut : f.size());
        if (c.cut == DIRECTORY)
            ASSERT_EQ(mkdir(NAME, 0755), 0);
        else
            writebytes(NAME, f);
        memset(img, 9, sizeof img), memset(pal, 7, sizeof pal), imgh = tsrows = 1;
        loadtiles();
        posted("could not read tile image.");
        EXPECT_EQ(std::count(img, img + sizeof img, 9), (long)sizeof img);
        EXPECT_EQ(std::string((const char *)pal, sizeof pal), std::string(sizeof pal, 7));
        EXPECT_TRUE(imgh == 1 && tsrows == 1 && sheetlocked == 1);
    }
}

// One sheet's life: each failed save leaves the file as it was and no
// temporary file behind.
TEST(Sheet, SavesReplaceTheFileWholeOrNotAtAll)
{
    freshstate();
    umask(022);
    loadtiles();  // no file is no reason to refuse a save
    posted("could not read tile image.");
    savetiles();
    posted(SAVED);
    struct stat st;
    EXPECT_TRUE(stat(NAME, &st) == 0 && (st.st_mode & 07777) == 0644 && st.st_size == 88310);

    bytes old = readbytes(NAME), bad = old;  // a write cut short by the file size limit
    encoded(SHEETH);
    rlimit lim;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &lim), 0);
    rlimit small = { 40000, lim.rlim_max };
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    savetiles();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    posted(UNSAVED);
    EXPECT_EQ(readbytes(NAME), old);
    EXPECT_EQ(folder("."), (names{ NAME, "vorlugfx.bmp" }));

    bad[28] = 8;  // a file that failed to load is not overwritten
    writebytes(NAME, bad);
    loadtiles();
    savetiles();
    posted(UNSAVED);
    EXPECT_EQ(readbytes(NAME), bad);

    // Through a link to a file with its own permissions, once a good load lifts the lock.
    ASSERT_TRUE(mkdir("real", 0755) == 0 && rename(NAME, "real/sheet.bmp") == 0);
    ASSERT_TRUE(symlink("real/sheet.bmp", NAME) == 0 && chmod(NAME, 0640) == 0);
    writebytes(NAME, old);
    loadtiles();
    bytes want = encoded(200);
    savetiles();
    posted(SAVED);
    EXPECT_TRUE(lstat(NAME, &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(stat(NAME, &st) == 0 && (st.st_mode & 07777) == 0640);
    EXPECT_EQ(readbytes("real/sheet.bmp"), want);
    EXPECT_EQ(folder("real"), names{ "sheet.bmp" });

    ASSERT_TRUE(remove(NAME) == 0 && mkdir(NAME, 0755) == 0);  // a folder in the way
    savetiles();
    posted(UNSAVED);
    EXPECT_TRUE(stat(NAME, &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_EQ(folder("."), (names{ NAME, "real", "vorlugfx.bmp" }));
}
