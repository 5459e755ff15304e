// Whole frames from drawframe, byte for byte against the plain drawing of
// the same state: one fill per base pixel of sheet view and preview.
#include "support.h"
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

static void fill(int x, int y, int w, int h, int index)
{
    SDL_Rect r = { (Sint16)(x * zoom), (Sint16)(y * zoom), (Uint16)(w * zoom), (Uint16)(h * zoom) };
    SDL_FillRect(screen, &r, SDL_MapRGB(screen->format, pal[index][0], pal[index][1], pal[index][2]));
}

static void referenceframe(bool withmessage = true)
{
    SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 215, 215, 215));
    if (mode == 0) {
        for (int y = 0; y < VIEWROWS * TILE; y++)
            for (int x = 0; x < SHEETW; x++)
                fill(x, y, 1, 1, img[x * SHEETH + tstop * TILE + y]);
        char line[TEXTMAX];
        drawstring(INFOX * zoom, 16 * zoom, "X:-, Y:-, tile:-");  // the pointer is off the sheet
        const char *const texts[3] = { "tile area", "X:%d, Y:%d", "width:%d, height:%d" };
        for (int k = 0; k < 3; k++) {
            snprintf(line, sizeof line, texts[k], k == 1 ? tsselx : tsselw, k == 1 ? tssely : tsselh);
            drawstring(INFOX * zoom, (48 + 8 * k) * zoom, line);
        }
        drawtileselect();
    } else {
        for (int i = 0; i < 16; i++)
            fill(STRIPX0 + SWATCHW * i, 0, SWATCHW, STRIPY, i);
        for (int r = 0; r < viewh && tsselw > 0 && tsselh > 0; r++)
            for (int c = 0; c < vieww; c++)
                fill(PREVIEWX + viewx + c, PREVIEWY + viewy + r, 1, 1,
                     grid[(c / ezoom) % (tsselw * TILE) * GRIDSIZE + (r / ezoom) % (tsselh * TILE)]);
    }
    if (withmessage)
        drawmessage();
    drawpointer();
}

// What the window shows: the last frame presented, as the dummy driver saves
// it up to zoom 3 (larger ones would take seconds), and as drawn above that.
static std::vector<Uint8> window;
static int presents;

// A frame as the loop runs it, drawn over leftovers so that a pixel
// drawframe leaves out shows; then what the window shows, whether this
// frame was presented or left out as unchanged, against the plain drawing.
static void expectsame(const std::string &what, bool withmessage = true)
{
    SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 1, 2, 3));
    runframe();
    if (zoom > 3)
        window.assign((Uint8 *)screen->pixels, (Uint8 *)screen->pixels + screen->pitch * screen->h);
    char name[40];
    SDL_Surface *bmp;
    while (snprintf(name, sizeof name, "SDL_window1-%08d.bmp", presents + 1), (bmp = SDL_LoadBMP(name)) != NULL) {
        SDL_Surface *shown = SDL_ConvertSurface(bmp, screen->format, 0);
        window.assign((Uint8 *)shown->pixels, (Uint8 *)shown->pixels + shown->pitch * shown->h);
        SDL_FreeSurface(shown), SDL_FreeSurface(bmp), unlink(name), presents++;
    }
    referenceframe(withmessage);
    EXPECT_TRUE(window.size() == (size_t)screen->pitch * screen->h &&
                std::equal(window.begin(), window.end(), (const Uint8 *)screen->pixels)) << what << " at zoom " << zoom;
}

// An asymmetric sheet scrolled down, a 5 x 3 selection, the pointer and a
// message; then changes to each, which must show in the very next frame.
class Equality : public testing::TestWithParam<int> {};

TEST_P(Equality, FramesMatchThePlainDrawingOfTheStateAsItIsThen)
{
    GetParam() <= 3 ? setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1) : unsetenv("SDL_VIDEO_DUMMY_SAVE_FRAMES");
    startwindow(GetParam());
    makeasymmetricsheet(SHEETH);
    tstop = 5, tsselx = 6, tssely = 9, tsselw = 5, tsselh = 3;
    pointerx = 300, pointery = 150, curcol = 7;
    initoutbuf("tile image saved."), message(MESSAGEFRAMES);
    expectsame("browser");
    expectsame("browser unchanged");
    img[40 * SHEETH + tstop * TILE + 30] ^= 9, pal[2][1] ^= 0xff;
    expectsame("sheet pixel and palette changed");
    tsselx = 1, tstop = 7, pointerx = 330, pointery = 40;
    expectsame("selection, scroll and pointer moved");
    pointerx = 90, pointery = 150;
    for (int e : { 1, 3 })
        for (int layout : { 1, 4 }) {
            ezoom = e, view = layout;
            openeditor();
            expectsame("editor layout " + std::to_string(layout) + " ezoom " + std::to_string(e));
        }
    grid[20 * GRIDSIZE + 10] ^= 5, pal[3][0] ^= 0xff, tsselw = 2, ezoom = 2;
    setview(1);
    expectsame("grid, palette, selection and magnification changed");
    tsselw = 0, messagetime = 1;
    expectsame("editor without a selection, the message's last frame");
    expectsame("the message gone", false);
}

INSTANTIATE_TEST_SUITE_P(Zoom, Equality, testing::Range(1, 10));
