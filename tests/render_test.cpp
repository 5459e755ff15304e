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

// The marker over each selected tile and no other; the info line's first
// glyph. (The sheet itself: the whole-frame comparison.)
TEST_P(Zoom, MarkerOnTheSelectedTilesAndTheInfoLine)
{
    startwindow(GetParam());
    makeasymmetricsheet(SHEETH);
    pointerx = 390, pointery = 340;
    tsselx = 2, tssely = 11, tsselw = 2, tsselh = 1;
    for (int top : { 0, 10 }) {
        tstop = top;
        drawframe();
        for (int x = 1; x < 5; x++)  // the marker, or an empty (all magenta) cell of the bitmap
            expectcell(x == 2 || x == 3 ? 0 : 32, 64, 16, x * TILE, (11 - top) * TILE, sheetat);
        expectcell(8 * ('X' % 16), 8 * ('X' / 16), 8, INFOX, 16, [](int, int) { return GREY; });
    }
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
