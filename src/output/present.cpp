// Change tracking and presenting: a frame draws and presents only what
// differs from what the window shows.
#include "vorludit.h"
#include <cstddef>
#include <cstring>

// What the window shows: a copy of the last frame presented, so that only
// what differs from it is presented. Room for the largest window, zoom 9
// in 16-bit pixels (22 MB, of which a smaller window only ever touches its
// own frame's size); a larger screen is always presented whole.
// shownbytes is 0 while the window's pixels are not
// known: before the first frame, after another window has covered part of
// it, and after events were lost (an expose may be among them).
static const size_t SHOWNMAX = (size_t)WINDOWW * MAXZOOM * WINDOWH * MAXZOOM * SCREENBYTES;
static Uint8 shown[SHOWNMAX];
static size_t shownbytes;

// The scene the window's frame was drawn from. While it stays the same the
// frame would come out the same, so it is neither drawn nor presented
// again. Comparing it costs a few µs, the sheet being nearly all of it.
// The pointer and the edit grid are apart, at its end: changed alone, they
// change only some rows.
static scene drawn;
static const size_t WHOLEFRAMEPART = offsetof(scene, pointerx);

// The frame is compared with what the window shows in strips of this many
// base rows; a changed strip is presented as one rectangle, narrowed to
// the columns that changed in it.
static const int STRIPROWS = 8;
static const int STRIPS = (WINDOWH + STRIPROWS - 1) / STRIPROWS;
static const int POINTERROWS = 8; // the pointer's height in base pixels
static SDL_Rect changed[STRIPS];
static Uint8 stripdrawn[STRIPS]; // 1 for the strips to draw in this frame

void forgetwindow() { shownbytes = 0; }

// The copy of the window is left as it is: it counts for nothing while
// shownbytes is 0.
void resetpresent()
{
    shownbytes = 0;
    memset(&drawn, 0, sizeof drawn);
    memset(stripdrawn, 0, sizeof stripdrawn);
}

// Narrows [*from, *to) in bytes to take in where rows a and b differ,
// scanning only what lies outside it.
static void widen(const Uint8* a, const Uint8* b, size_t n, size_t* from, size_t* to)
{
    size_t i = 0;
    while (i < *from && a[i] == b[i])
        i++;
    if (i < *from)
        *from = i;
    size_t j = n;
    while (j > *to && a[j - 1] == b[j - 1])
        j--;
    if (j > *to)
        *to = j;
}

// The changed rectangle of the strip of screen rows [y0, y1), taken into
// the copy of what the window shows; 0 if the strip is unchanged.
static int changedrect(int y0, int y1, SDL_Rect* r)
{
    size_t pitch = (size_t)screen->pitch, rowbytes = (size_t)screen->w * SCREENBYTES;
    const Uint8* now = (const Uint8*)screen->pixels;
    if (memcmp(shown + y0 * pitch, now + y0 * pitch, (y1 - y0) * pitch) == 0)
        return 0;
    size_t from = rowbytes, to = 0;
    for (int y = y0; y < y1; y++)
        widen(shown + y * pitch, now + y * pitch, rowbytes, &from, &to);
    from -= from % SCREENBYTES;
    to += (SCREENBYTES - to % SCREENBYTES) % SCREENBYTES;
    for (int y = y0; y < y1; y++)
        memcpy(shown + y * pitch + from, now + y * pitch + from, to - from);
    r->x = (Sint16)(from / SCREENBYTES);
    r->y = (Sint16)y0;
    r->w = (Uint16)((to - from) / SCREENBYTES);
    r->h = (Uint16)(y1 - y0);
    return 1;
}

// Presents what differs from the window: the changed strips as
// rectangles, or the whole frame when they cover more than half its rows
// (presenting rectangles then costs more than the whole), or when what the
// window shows is not known.
static void presentchanges()
{
    size_t n = (size_t)screen->pitch * screen->h;
    int strip = STRIPROWS * zoom, rects = 0, rows = 0;
    int whole = n > SHOWNMAX || n != shownbytes || screen->h > STRIPS * strip;
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    if (whole) {
        if (n <= SHOWNMAX)
            memcpy(shown, screen->pixels, n);
    } else {
        for (int y = 0; y < screen->h; y += strip)
            if (stripdrawn[y / strip]
                && changedrect(y, atmost(y + strip, screen->h), &changed[rects])) {
                rows += changed[rects].h;
                rects++;
            }
    }
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    shownbytes = n <= SHOWNMAX ? n : 0;
    insidesdl = 1;
    if (whole || 2 * rows > screen->h)
        SDL_Flip(screen);
    else if (rects > 0)
        SDL_UpdateRects(screen, rects, changed);
    insidesdl = 0;
}

// Marks the strips that hold base rows [top, bottom) to be drawn.
static void needrows(int top, int bottom)
{
    for (int k = (top < 0 ? 0 : top) / STRIPROWS; k * STRIPROWS < bottom && k < STRIPS; k++)
        stripdrawn[k] = 1;
}

// The preview rows that show a changed grid row: a painted pixel shows
// once in each repeat of the selection down the preview.
static void needgridrows(const scene* now)
{
    int gh = now->selh * TILE, down = gh * now->magnification, top = now->previewy;
    Uint8 rowchanged[GRIDSIZE] = {};
    for (int x = 0; x < GRIDSIZE; x++)
        for (int y = 0; y < GRIDSIZE; y++)
            rowchanged[y] |= now->grid[x * GRIDSIZE + y] != drawn.grid[x * GRIDSIZE + y];
    for (int gy = 0; gy < gh; gy++)
        for (int r = gy * now->magnification; rowchanged[gy] && r < now->previewh; r += down)
            needrows(top + r, top + r + now->magnification);
}

// Marks the strips whose pixels may differ from the window's frame, and
// takes the scene now as what the window's frame is drawn from. Where only
// the pointer moved, or the grid changed under the editor's preview, that
// is the rows the pointer left and reached, and in the browser the line
// that says where it is, and the rows that show the changed grid rows;
// anything else may change the whole frame.
static void markchanges(const scene* now)
{
    if (memcmp(now, &drawn, sizeof drawn) == 0)
        return;
    if (memcmp(now, &drawn, WHOLEFRAMEPART) != 0) {
        needrows(0, WINDOWH);
    } else {
        if (now->pointerx != drawn.pointerx || now->pointery != drawn.pointery) {
            needrows(drawn.pointery, drawn.pointery + POINTERROWS);
            needrows(now->pointery, now->pointery + POINTERROWS);
            if (now->mode == BROWSING)
                needrows(INFOY, INFOY + GLYPH);
        }
        if (now->mode == EDITING && now->selw > 0 && now->selh > 0
            && memcmp(now->grid, drawn.grid, sizeof drawn.grid) != 0)
            needgridrows(now);
    }
    memcpy(&drawn, now, sizeof drawn);
}

// Draws the base rows [top, bottom) alone: the whole drawing, clipped to
// them. They are whole strips, and the sheet view draws in bands of 8
// rows, a strip's height, so it writes none outside.
static void drawrows(int top, int bottom)
{
    SDL_Rect rows = { 0, (Sint16)(top * zoom), (Uint16)screen->w, (Uint16)((bottom - top) * zoom) };
    SDL_SetClipRect(screen, &rows);
    drawframe(&drawn);
    SDL_SetClipRect(screen, NULL);
}

// Each run of marked strips, drawn at once.
static void drawmarked()
{
    for (int k = 0; k < STRIPS; k++) {
        if (!stripdrawn[k])
            continue;
        int run = k;
        while (run + 1 < STRIPS && stripdrawn[run + 1])
            run++;
        drawrows(k * STRIPROWS, (run + 1) * STRIPROWS);
        k = run;
    }
}

// Only the strips whose pixels may have changed are drawn, compared and
// presented; all of them when the window's pixels are not known.
void drawandpresent()
{
    static scene now;
    takescene(&now);
    memset(stripdrawn, 0, sizeof stripdrawn);
    markchanges(&now);
    if (shownbytes != (size_t)screen->pitch * screen->h)
        needrows(0, WINDOWH);
    drawmarked();
    if (memchr(stripdrawn, 1, sizeof stripdrawn) != NULL)
        presentchanges();
}
