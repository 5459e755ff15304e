// Whole frames as the loop runs them, byte for byte against a plain drawing
// of the same state made here: one fill per base pixel, the text, marker and
// pointer taken pixel by pixel from the artwork file itself.
#include "support.h"
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

static void fillrgb(int x, int y, int w, int h, const Uint8* rgb)
{
    SDL_Rect r = { (Sint16)(x * zoom), (Sint16)(y * zoom), (Uint16)(w * zoom), (Uint16)(h * zoom) };
    SDL_FillRect(screen, &r, SDL_MapRGB(screen->format, rgb[0], rgb[1], rgb[2]));
}

// The artwork's size x size cell at (cx, cy), top-left at base pixel (bx, by), but magenta.
static void artcell(int cx, int cy, int size, int bx, int by)
{
    static SDL_Surface* art = SDL_LoadBMP("vorlugfx.bmp"); // the same file in every scratch folder
    for (int i = 0, bpp = art->format->BytesPerPixel; i < size * size; i++) {
        Uint32 v = 0;
        Uint8 rgb[3];
        memcpy(&v, (Uint8*)art->pixels + (cy + i / size) * art->pitch + (cx + i % size) * bpp, bpp);
        SDL_GetRGB(v, art->format, &rgb[0], &rgb[1], &rgb[2]);
        if (rgb[0] != 255 || rgb[1] != 0 || rgb[2] != 255)
            fillrgb(bx + i % size, by + i / size, 1, 1, rgb);
    }
}

static void text(int bx, int by, const char* s)
{
    for (int i = 0; s[i]; i++)
        artcell(8 * (s[i] % 16), 8 * (s[i] / 16), 8, bx + 8 * i, by);
}

// The pointer: 1 black, 2 the current colour, its hot spot top left.
static const char* const POINTER[8] = { "11110000", "12221100", "12222210", "12222221", "01222210",
    "01222221", "00121221", "00010110" };

static void referenceframe(bool withmessage)
{
    const Uint8 grey[3] = { 215, 215, 215 }, peach[3] = { 255, 222, 200 }, black[3] = { 0, 0, 0 };
    fillrgb(0, 0, 400, 352, grey);
    if (mode == 0) {
        for (int y = 0; y < 352; y++)
            for (int x = 0; x < 208; x++)
                fillrgb(x, y, 1, 1, pal[img[x * 848 + tstop * 16 + y]]);
        char line[100];
        int column = pointerx / 16,
            row = pointery / 16 + tstop; // the tile under the pointer, 13 a row
        snprintf(line, sizeof line, "X:%d, Y:%d, tile:%d", column, row, row * 13 + column);
        text(224, 16, pointerx < 208 ? line : "X:-, Y:-, tile:-");
        const char* const texts[3] = { "tile area", "X:%d, Y:%d", "width:%d, height:%d" };
        for (int k = 0; k < 3; k++)
            snprintf(
                line, sizeof line, texts[k], k == 1 ? tsselx : tsselw, k == 1 ? tssely : tsselh),
                text(224, 48 + 8 * k, line);
        for (int i = 0; i < tsselw * tsselh; i++)
            artcell(0, 64, 16, (tsselx + i % tsselw) * 16, (tssely + i / tsselw - tstop) * 16);
    } else {
        for (int i = 0; i < 16; i++)
            fillrgb(8 + 24 * i, 0, 24, 16, pal[i]);
        // The layout's area: 384 x 320 at (8, 24); 2 and 4: 32 lower, a copy high (at most
        // 288); 3 and 4: 48 further right, a copy wide (at most 336).
        int copy = 16 * ezoom, left = view >= 3 ? 48 : 0, top = view % 2 ? 0 : 32;
        int w = view <= 2 ? 384 : std::min(tsselw * copy, 336),
            h = view % 2 ? 320 : std::min(tsselh * copy, 288);
        for (int r = 0; r < h && tsselw > 0 && tsselh > 0; r++)
            for (int c = 0; c < w; c++)
                fillrgb(8 + left + c, 24 + top + r, 1, 1,
                    pal[grid[(c / ezoom) % (tsselw * 16) * 128 + (r / ezoom) % (tsselh * 16)]]);
    }
    if (withmessage)
        fillrgb(8, 4, (int)strlen(mesbuf) * 8 + 8, 16, peach), text(12, 8, mesbuf);
    for (int i = 0; i < 64; i++)
        if (POINTER[i / 8][i % 8] != '0')
            fillrgb(pointerx + i % 8, pointery + i / 8, 1, 1,
                POINTER[i / 8][i % 8] == '1' ? black : pal[curcol]);
}

// What the window shows: the last frame presented, as the dummy driver saves it.
static std::vector<Uint8> window;
static int presents;

// A frame as the loop runs it, over leftovers so that a pixel left out shows; then what the
// window shows, whether this frame was presented or left out as unchanged, against the plain
// drawing.
static void expectsame(const std::string& what)
{
    bool withmessage = messagetime != 0;
    SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 1, 2, 3));
    runframe();
    SDL_Delay(20); // as the loop waits: SDL presents rectangles within its next wait
    char name[40];
    SDL_Surface* bmp;
    while (snprintf(name, sizeof name, "SDL_window1-%08d.bmp", presents + 1),
        (bmp = SDL_LoadBMP(name)) != NULL) {
        SDL_Surface* shown = SDL_ConvertSurface(bmp, screen->format, 0);
        window.assign((Uint8*)shown->pixels, (Uint8*)shown->pixels + shown->pitch * shown->h);
        SDL_FreeSurface(shown), SDL_FreeSurface(bmp), unlink(name), presents++;
    }
    referenceframe(withmessage);
    EXPECT_TRUE(window.size() == (size_t)screen->pitch * screen->h
        && std::equal(window.begin(), window.end(), (const Uint8*)screen->pixels))
        << what << " at zoom " << zoom;
}

// An asymmetric sheet scrolled down, a 5 x 6 selection, the pointer and a message; then changes
// to each, shown in the very next frame. At magnification 5 the selection outgrows the frame.
class Equality : public testing::TestWithParam<int> { };

TEST_P(Equality, FramesMatchThePlainDrawingOfTheStateAsItIsThen)
{
    setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1);
    startwindow(GetParam());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    makeasymmetricsheet(848);
    tstop = 5, tsselx = 6, tssely = 9, tsselw = 5, tsselh = 6;
    pointerx = 300, pointery = 150, curcol = 7;
    initoutbuf("tile image saved."), message(MESSAGEFRAMES);
    expectsame("browser"), expectsame("browser unchanged");
    for (int dy : { 5, 60 }) // rows that overlap the ones left, and rows that do not
        pointerx = 100 + dy, pointery -= dy,
        expectsame("the pointer alone moved up " + std::to_string(dy));
    img[40 * 848 + tstop * 16 + 30] ^= 9, pal[2][1] ^= 0xff,
        expectsame("sheet pixel and palette changed");
    tsselx = 1, tstop = 7, pointerx = 4 * 16 + 3, pointery = 40,
    expectsame("selection, scroll and pointer moved");
    pointerx = 208, expectsame("the pointer just right of the sheet");
    pointerx = 90, pointery = 150;
    for (int e : { 1, 5 })
        for (int layout : { 1, 4 })
            ezoom = e, view = layout, openeditor(),
            expectsame("editor layout " + std::to_string(layout) + " ezoom " + std::to_string(e));
    pointerx += 3, pointery -= 30, expectsame("the editor's pointer alone moved");
    grid[20 * 128 + 10] ^= 5, pal[3][0] ^= 0xff, tsselw = 2, ezoom = 2, setview(1);
    expectsame("grid, palette, selection and magnification changed");
    grid[5 * 128 + 47] ^= 3, pointery += 9; // grid row 47: preview rows 94-95 and 286-287
    expectsame("a grid pixel and the pointer alone changed");
    tsselw = 0, pointerx = 398, pointery = 349, message(30);
    for (int i = 1; i < 30; i++) // a message stays 30 frames
        runframe();
    expectsame("editor without a selection, the pointer at the corner, the message's last frame");
    EXPECT_EQ(messagetime, 0);
    expectsame("the message gone"), pointerx--,
        expectsame("the pointer moved, low in the window only");
}

INSTANTIATE_TEST_SUITE_P(Zoom, Equality, testing::Range(1, 10));
