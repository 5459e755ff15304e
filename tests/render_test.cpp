// What the frame puts on the screen, read back from the dummy driver.
#include "support.h"
#include <gtest/gtest.h>

struct rgb { int r, g, b; };
static const rgb GREY = { 215, 215, 215 }, PEACH = { 255, 222, 200 };

static rgb at(SDL_Surface *s, int x, int y)
{
    Uint32 v = 0;
    memcpy(&v, (Uint8 *)s->pixels + y * s->pitch + x * s->format->BytesPerPixel, s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return { r, g, b };
}

static rgb palat(int i) { return { pal[i][0], pal[i][1], pal[i][2] }; }
static rgb sheetat(int x, int y) { return palat(img[x * SHEETH + tstop * TILE + y]); }
static bool is(int bx, int by, rgb c) { return baseis(bx, by, c.r, c.g, c.b); }

// The bitmap's size x size cell at (cx, cy), drawn with its top-left at
// base pixel (bx, by) over whatever under(x, y) gives.
template <typename F>
static void expectcell(int cx, int cy, int size, int bx, int by, F under)
{
    SDL_Surface *art = SDL_LoadBMP("vorlugfx.bmp");
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            rgb c = at(art, cx + x, cy + y);
            ASSERT_TRUE(is(bx + x, by + y, c.r == 255 && c.b == 255 && c.g == 0 ? under(bx + x, by + y) : c));
        }
    SDL_FreeSurface(art);
}

TEST(Render, EnlargedGraphicsRepeatEveryBitmapPixel)
{
    startwindow(3);
    SDL_Surface *art = SDL_LoadBMP("vorlugfx.bmp");
    ASSERT_TRUE(guigfx->w == art->w * 3 && guigfx->h == art->h * 3);
    for (int y = 0; y < art->h; y++)
        for (int x = 0; x < art->w; x++) {
            rgb c = at(art, x, y), z = at(guigfx, x * 3 + (x + y) % 3, y * 3 + x % 3);
            ASSERT_TRUE(c.r == z.r && c.g == z.g && c.b == z.b) << x << "," << y;
        }
}

class Zoom : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(OneAndThree, Zoom, testing::Values(1, 3));

TEST_P(Zoom, PointerIsBlackAndTheCurrentColourAndClippedAtTheEdge)
{
    startwindow(GetParam());
    makeasymmetricsheet(SHEETH);
    mode = 2;  // nothing but the grey and the pointer
    curcol = 6;
    pointerx = 100, pointery = 50;
    drawframe();
    for (int r = 0; r < 8; r++)
        for (int c = 0; c < 8; c++) {
            int v = pgfx[r * 8 + c];
            ASSERT_TRUE(is(100 + c, 50 + r, v == 0 ? GREY : v == 1 ? rgb{ 0, 0, 0 } : palat(6))) << r << "," << c;
        }
    pointerx = swidth - 2, pointery = sheight - 3;
    drawframe();
    EXPECT_TRUE(is(swidth - 1, sheight - 1, palat(6)));   // row 2, column 1
    EXPECT_TRUE(is(swidth - 2, sheight - 2, { 0, 0, 0 })); // row 1, column 0
}

TEST_P(Zoom, SheetPixelsMarkerInViewOnlyAndInfoLine)
{
    startwindow(GetParam());
    makeasymmetricsheet(SHEETH);
    pointerx = 390, pointery = 340;
    tsselx = 2, tssely = 11, tsselw = 2, tsselh = 1;
    for (int top : { 0, 10 }) {
        tstop = top;
        drawframe();
        for (int y = 0; y < 352; y += 13)
            for (int x = 0; x < 208; x += 11) {
                bool marked = y / TILE == 11 - top && x / TILE >= 2 && x / TILE <= 3;
                ASSERT_TRUE(marked || is(x, y, sheetat(x, y))) << x << "," << y;
            }
        expectcell(0, 64, 16, 3 * TILE, (11 - top) * TILE, sheetat);
        expectcell(8 * ('X' % 16), 8 * ('X' / 16), 8, INFOX, 16, [](int, int) { return GREY; });
    }
    tssely = 5;  // scrolled out of view: the view is the sheet alone
    drawframe();
    for (int y = 0; y < 352; y++)
        for (int x = 0; x < 208; x++)
            ASSERT_TRUE(is(x, y, sheetat(x, y))) << x << "," << y;
}

TEST(Render, MessageBoxAndItsFirstGlyph)
{
    startwindow(2);
    pointerx = 300, pointery = 300;
    initoutbuf("tile image saved.");
    message(MESSAGEFRAMES);
    mode = 2;
    drawframe();
    int right = 8 + 17 * 8 + 8 - 1;
    EXPECT_TRUE(is(8, 4, PEACH) && is(right, 19, PEACH));
    EXPECT_TRUE(is(right + 1, 4, GREY) && is(8, 20, GREY) && is(7, 4, GREY));
    expectcell(8 * ('t' % 16), 8 * ('t' / 16), 8, 12, 8, [](int, int) { return PEACH; });
    EXPECT_EQ(messagetime, MESSAGEFRAMES - 1);
}

TEST(Render, PaletteStripAndAGridPixelInEveryCopy)
{
    startwindow(2);
    makeasymmetricsheet(SHEETH);
    tsselw = tsselh = 1;
    ezoom = 2;
    openeditor();
    memset(grid, 0, sizeof grid);
    grid[3 * GRIDSIZE + 5] = 9;
    pointerx = 395, pointery = 0;
    drawframe();
    for (int i = 0; i < 16; i++)
        EXPECT_TRUE(is(8 + 24 * i, 0, palat(i)) && is(8 + 24 * i + 23, 15, palat(i))) << i;
    EXPECT_TRUE(is(7, 0, GREY) && is(392, 8, GREY));
    for (int m = 0; m < 10; m++)
        for (int k = 0; k < 12; k++) {
            int x = 8 + 32 * k + 6, y = 24 + 32 * m + 10;
            ASSERT_TRUE(is(x + 1, y + 1, palat(9)) && is(x + 2, y, palat(0)) && is(x, y - 1, palat(0)));
        }
    setview(4);
    drawframe();
    EXPECT_TRUE(is(56 + 6, 56 + 10, palat(9)) && is(56 + 32 + 6, 56 + 10, GREY) && is(56 + 6, 56 + 42, GREY));
}
