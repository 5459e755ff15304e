// What the frame puts on the screen, read back from the dummy driver.
#include "support.h"
#include <gtest/gtest.h>

static const int GREY = 215;

struct rgb { int r, g, b; };

static rgb bitmappixel(SDL_Surface *s, int x, int y)
{
    Uint32 v = 0;
    SDL_LockSurface(s);
    memcpy(&v, (Uint8 *)s->pixels + y * s->pitch + x * s->format->BytesPerPixel, s->format->BytesPerPixel);
    SDL_UnlockSurface(s);
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return { r, g, b };
}

static bool magenta(rgb c) { return c.r == 255 && c.g == 0 && c.b == 255; }

// The bitmap's 8 x 8 (or marker's 16 x 16) cell at (cx, cy) drawn with its
// top-left at base pixel (bx, by) over a background of colour under(x, y).
template <typename F>
static void expectcell(int cx, int cy, int size, int bx, int by, F under)
{
    SDL_Surface *art = SDL_LoadBMP("vorlugfx.bmp");
    ASSERT_NE(art, nullptr);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            rgb c = bitmappixel(art, cx + x, cy + y);
            if (magenta(c))
                c = under(bx + x, by + y);
            ASSERT_TRUE(baseis(bx + x, by + y, c.r, c.g, c.b)) << x << "," << y;
        }
    SDL_FreeSurface(art);
}

static rgb palat(int i) { return { pal[i][0], pal[i][1], pal[i][2] }; }
static rgb sheetat(int x, int y) { return palat(img[x * SHEETH + tstop * TILE + y]); }

TEST(Render, EnlargedGraphicsRepeatEveryBitmapPixel)
{
    startwindow(3);
    SDL_Surface *art = SDL_LoadBMP("vorlugfx.bmp");
    ASSERT_EQ(guigfx->w, art->w * 3);
    for (int y = 0; y < art->h; y++)
        for (int x = 0; x < art->w; x++) {
            rgb c = bitmappixel(art, x, y);
            rgb z = bitmappixel(guigfx, x * 3 + (x + y) % 3, y * 3 + x % 3);
            ASSERT_TRUE(c.r == z.r && c.g == z.g && c.b == z.b) << x << "," << y;
        }
}

class Pointer : public testing::TestWithParam<int> {};

TEST_P(Pointer, BlackOutlineCurrentColourAndClippedAtTheEdge)
{
    startwindow(GetParam());
    makeasymmetricsheet(SHEETH);
    mode = 2;  // nothing but the grey clear and the pointer
    curcol = 6;
    pointerx = 100;
    pointery = 50;
    drawframe();
    for (int r = 0; r < 8; r++)
        for (int c = 0; c < 8; c++) {
            int v = pgfx[r * 8 + c];
            rgb want = v == 0 ? rgb{ GREY, GREY, GREY } : v == 1 ? rgb{ 0, 0, 0 } : palat(6);
            ASSERT_TRUE(baseis(100 + c, 50 + r, want.r, want.g, want.b)) << r << "," << c;
        }
    pointerx = swidth - 2;
    pointery = sheight - 3;
    drawframe();
    EXPECT_TRUE(baseis(swidth - 1, sheight - 1, pal[6][0], pal[6][1], pal[6][2]));  // row 2, column 1
    EXPECT_TRUE(baseis(swidth - 2, sheight - 2, 0, 0, 0));                          // row 1, column 0
}
INSTANTIATE_TEST_SUITE_P(Zoom, Pointer, testing::Values(1, 3));

TEST(Render, MessageBoxAndItsFirstGlyph)
{
    startwindow(2);
    pointerx = 300;
    pointery = 300;
    initoutbuf("tile image saved.");
    message(MESSAGEFRAMES);
    mode = 2;
    drawframe();
    int right = 8 + 17 * 8 + 8 - 1;
    EXPECT_TRUE(baseis(8, 4, 255, 222, 200));
    EXPECT_TRUE(baseis(right, 19, 255, 222, 200));
    EXPECT_TRUE(baseis(right + 1, 4, GREY, GREY, GREY));
    EXPECT_TRUE(baseis(8, 20, GREY, GREY, GREY));
    EXPECT_TRUE(baseis(7, 4, GREY, GREY, GREY));
    expectcell(8 * ('t' % 16), 8 * ('t' / 16), 8, 12, 8, [](int, int) { return rgb{ 255, 222, 200 }; });
    EXPECT_EQ(messagetime, MESSAGEFRAMES - 1);
}

class SheetView : public testing::TestWithParam<int> {};

TEST_P(SheetView, SheetPixelsMarkerAndInfoLine)
{
    startwindow(GetParam());
    makeasymmetricsheet(SHEETH);
    pointerx = 390;
    pointery = 340;
    tsselx = 2;
    tssely = 11;
    tsselw = 2;
    tsselh = 1;
    for (int top : { 0, 10 }) {
        tstop = top;
        drawframe();
        for (int y = 0; y < 352; y += 13) {
            for (int x = 0; x < 208; x += 11) {
                if (y / TILE == 11 - top && x / TILE >= 2 && x / TILE <= 3)
                    continue;  // under the marker
                ASSERT_TRUE(baseis(x, y, sheetat(x, y).r, sheetat(x, y).g, sheetat(x, y).b)) << x << "," << y;
            }
        }
        expectcell(0, 64, 16, 3 * TILE, (11 - top) * TILE, sheetat);
        expectcell(8 * ('X' % 16), 8 * ('X' / 16), 8, INFOX, 16, [](int, int) { return rgb{ GREY, GREY, GREY }; });
    }
    tssely = 5;  // scrolled out of view: the whole view is the sheet alone
    drawframe();
    for (int y = 0; y < 352; y++)
        for (int x = 0; x < 208; x++)
            ASSERT_TRUE(baseis(x, y, sheetat(x, y).r, sheetat(x, y).g, sheetat(x, y).b)) << x << "," << y;
}
INSTANTIATE_TEST_SUITE_P(Zoom, SheetView, testing::Values(1, 3));

TEST(Render, PaletteStripAndAGridPixelInEveryCopy)
{
    startwindow(2);
    makeasymmetricsheet(SHEETH);
    tsselw = tsselh = 1;
    ezoom = 2;
    openeditor();
    memset(grid, 0, sizeof grid);
    grid[3 * GRIDSIZE + 5] = 9;
    pointerx = 395;
    pointery = 0;
    drawframe();
    for (int i = 0; i < 16; i++) {
        EXPECT_TRUE(baseis(8 + 24 * i, 0, pal[i][0], pal[i][1], pal[i][2]));
        EXPECT_TRUE(baseis(8 + 24 * i + 23, 15, pal[i][0], pal[i][1], pal[i][2]));
    }
    EXPECT_TRUE(baseis(7, 0, GREY, GREY, GREY));
    EXPECT_TRUE(baseis(392, 8, GREY, GREY, GREY));
    for (int m = 0; m < 10; m++)
        for (int k = 0; k < 12; k++) {
            int x = 8 + 32 * k + 6, y = 24 + 32 * m + 10;
            ASSERT_TRUE(baseis(x + 1, y + 1, pal[9][0], pal[9][1], pal[9][2]));
            ASSERT_TRUE(baseis(x + 2, y, pal[0][0], pal[0][1], pal[0][2]));
        }
    setview(4);
    drawframe();
    EXPECT_TRUE(baseis(56 + 6, 56 + 10, pal[9][0], pal[9][1], pal[9][2]));
    EXPECT_TRUE(baseis(56 + 32 + 6, 56 + 10, GREY, GREY, GREY));
    EXPECT_TRUE(baseis(56 + 6, 56 + 32 + 10, GREY, GREY, GREY));
}
