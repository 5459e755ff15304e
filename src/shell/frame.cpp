// One frame: mouse events, keys, drawing, presenting; and the pacing.
#include "vorludit.h"
#include <cstring>

// What the window shows: a copy of the last frame presented, so that only
// what differs from it is presented. Room for the largest window, zoom 9
// in 16-bit pixels (22 MB, of which a smaller window only ever touches its
// own frame's size); a larger screen is always presented whole.
// shownbytes is 0 while the window's pixels are not known: before the
// first frame, after another window has covered part of it, and after
// events were lost (an expose may be among them).
static const size_t SHOWNMAX = (size_t)WINDOWW * 9 * WINDOWH * 9 * 2;
static Uint8 shown[SHOWNMAX];
static size_t shownbytes;

// Everything the drawing reads, as it was when the window's frame was
// drawn. While it stays the same the frame would come out the same, so it
// is neither drawn nor presented again. Comparing it costs a few µs, the
// sheet being nearly all of it. The pointer is apart: moved alone, it
// changes only the rows around it.
static const int DRAWNSCALARS = 18;
struct drawninputs {
    int pointerx, pointery;
    int scalars[DRAWNSCALARS];
    char mesbuf[TEXTMAX];
    unsigned char pal[16][3];
    unsigned char img[SHEETW * SHEETH];
    unsigned char grid[GRIDSIZE * GRIDSIZE];
};
static drawninputs drawn;

void pointandclick(int x, int y, int button)
{
    if (mode == 0)
        browserclick(x, y, button);
    else if (mode == 1)
        editorclick(x, y, button);
}

// SDL's queue drops what does not fit, a release among it. Every motion
// says which buttons are held: a drag whose button is no longer held has
// lost its release, and ends as the release would have ended it. A press
// that was lost starts nothing.
static void droplostrelease(Uint8 held)
{
    if ((leftbuttondown && !(held & SDL_BUTTON_LMASK))
        || (rightbuttondown && !(held & SDL_BUTTON_RMASK)))
        leftbuttondown = rightbuttondown = 0;
}

// x and y in screen pixels. A drag that leaves the window goes on
// reporting positions past its edges; the pointer stays on the window's
// edge pixel.
static void setpointer(int x, int y)
{
    pointerx = atmost((x < 0 ? 0 : x) / zoom, swidth - 1);
    pointery = atmost((y < 0 ? 0 : y) / zoom, sheight - 1);
}

void handleevent(const SDL_Event* e)
{
    switch (e->type) {
    case SDL_MOUSEBUTTONDOWN:
        if (e->button.button == SDL_BUTTON_LEFT) {
            leftbuttondown = 1;
            pointandclick(pointerx, pointery, 0);
        } else if (e->button.button == SDL_BUTTON_RIGHT) {
            rightbuttondown = 1;
            pointandclick(pointerx, pointery, 1);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        // Any release ends a drag, even of the other button.
        leftbuttondown = 0;
        rightbuttondown = 0;
        break;
    case SDL_MOUSEMOTION:
        droplostrelease(e->motion.state);
        setpointer(e->motion.x, e->motion.y);
        if (leftbuttondown == 1)
            pointandclick(pointerx, pointery, 0);
        else if (rightbuttondown == 1)
            pointandclick(pointerx, pointery, 1);
        break;
    case SDL_VIDEOEXPOSE:
        shownbytes = 0;
        break;
    case SDL_QUIT:
        quitting = 1;
        break;
    default:
        break;
    }
}

static int pollevent(SDL_Event* e)
{
    insdl = 1;
    int got = SDL_PollEvent(e);
    insdl = 0;
    return got;
}

// SDL's event queue drops what does not fit: sdl12-compat's holds 128
// events, the classic SDL 1.2's 127 (one slot of its ring stays empty). A
// frame that drains as many as the smaller holds may have lost some.
static const int EVENTQUEUE = 127;

// A frame that drains a full queue takes it that events were lost: an
// expose may be among them, so the whole next frame is presented, and the
// pointer is where SDL last saw it, not at the last motion that arrived.
// A drag's lost motions stay unpainted.
void handleevents()
{
    SDL_Event e;
    int drained = 0;
    while (pollevent(&e)) {
        handleevent(&e);
        drained++;
    }
    if (drained < EVENTQUEUE)
        return;
    shownbytes = 0;
    int x, y;
    droplostrelease(SDL_GetMouseState(&x, &y));
    setpointer(x, y);
}

// A command fires once per press: in the first frame the key is seen held.
static int keypressed(const Uint8* keys, SDLKey sym, int* latch)
{
    if (!keys[sym]) {
        *latch = 0;
        return 0;
    }
    if (*latch != 0)
        return 0;
    *latch = 1;
    return 1;
}

// A held Up or Down fires at once and then every sixth frame.
static int keyrepeated(const Uint8* keys, SDLKey sym, int* counter)
{
    if (!keys[sym]) {
        *counter = 0;
        return 0;
    }
    if (*counter != 0) {
        (*counter)--;
        return 0;
    }
    *counter = 5;
    return 1;
}

static void zoomeditor(int change)
{
    if (change < 0 && ezoom > 1)
        ezoom--;
    if (change > 0 && ezoom <= 7)
        ezoom++;
    setview(view);
}

// The order matters: a key sees the mode that an earlier key changed in
// the same frame.
void handlekeys(const Uint8* keys)
{
    if (keyrepeated(keys, SDLK_UP, &keyuptime) && mode == 0)
        scrolltiles(0);
    if (keyrepeated(keys, SDLK_DOWN, &keydowntime) && mode == 0)
        scrolltiles(2);
    keylctrltime = keys[SDLK_LCTRL] ? 1 : 0;
    if (keypressed(keys, SDLK_RETURN, &keyreturntime)) {
        if (mode == 0 && tsselw > 0)
            openeditor();
        else if (mode == 1)
            savegrid();
    }
    if (keypressed(keys, SDLK_1, &key1time) && mode == 1)
        setview(1);
    if (keypressed(keys, SDLK_2, &key2time) && mode == 1)
        setview(2);
    if (keypressed(keys, SDLK_3, &key3time) && mode == 1)
        setview(3);
    if (keypressed(keys, SDLK_4, &key4time) && mode == 1)
        setview(4);
    if (keypressed(keys, SDLK_a, &keyatime) && mode == 1)
        zoomeditor(-1);
    if (keypressed(keys, SDLK_s, &keystime) && mode == 1)
        zoomeditor(1);
    if (keypressed(keys, SDLK_z, &keyztime) && mode == 1 && keylctrltime > 0)
        undopixbuf();
    if (keypressed(keys, SDLK_F4, &keyf4time) && mode == 0 && keylctrltime > 0)
        loadtiles();
    if (keypressed(keys, SDLK_F5, &keyf5time) && mode == 0)
        savetiles();
    if (keypressed(keys, SDLK_ESCAPE, &keyescapetime) && mode == 1)
        mode = 0;
}

// Grey over bw x bh base pixels from (bx, by). Written through the same
// row writer as the drawing: SDL's own fill writes past the cache, and the
// drawing and presenting that follow then fetch those lines back.
static void fillgrey(int bx, int by, int bw, int bh)
{
    Uint32 row[WINDOWW];
    Uint32 grey = SDL_MapRGB(screen->format, 215, 215, 215);
    for (int i = 0; i < bw; i++)
        row[i] = grey;
    for (int r = by; r < by + bh; r++)
        drawbaserow(bx, r, row, bw);
}

// The grey background. The sheet view, and the editor's preview when
// there is a selection, paint every pixel of their rectangle in this
// frame anyway, so the grey only goes around it.
static void clearbackground()
{
    int x = 0, y = 0, w = 0, h = 0; // the rectangle in base pixels
    if (mode == 0) {
        w = SHEETW;
        h = VIEWROWS * TILE;
    } else if (mode == 1 && tsselw > 0 && tsselh > 0) {
        x = viewx + PREVIEWX;
        y = viewy + PREVIEWY;
        w = vieww;
        h = viewh;
    }
    fillgrey(0, 0, swidth, y); // above
    fillgrey(0, y + h, swidth, sheight - y - h); // below
    fillgrey(0, y, x, h); // left
    fillgrey(x + w, y, swidth - x - w, h); // right
}

void drawframe()
{
    clearbackground();
    if (mode == 0) {
        drawtileset();
        drawtileselect();
    } else if (mode == 1) {
        draweditor();
        drawgrid();
    }
    if (messagetime != 0)
        drawmessage();
    drawpointer();
}

// What the drawing reads besides the arrays and the pointer, in a fixed order.
static void takescalars(int* v)
{
    const int now[DRAWNSCALARS] = { mode, zoom, swidth, sheight, curcol, tstop, tsselx, tssely,
        tsselw, tsselh, view, ezoom, viewx, viewy, vieww, viewh, messagetime != 0, mesbuflen };
    memcpy(v, now, sizeof now);
}

// The frame is compared with what the window shows in strips of this many
// base rows; a changed strip is presented as one rectangle, narrowed to
// the columns that changed in it.
static const int STRIPROWS = 8;
static const int STRIPS = (WINDOWH + STRIPROWS - 1) / STRIPROWS;
static const int POINTERROWS = 8; // the pointer's height in base pixels
static SDL_Rect changed[STRIPS];
static Uint8 stripdrawn[STRIPS]; // 1 for the strips to draw in this frame

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
    size_t pitch = (size_t)screen->pitch,
           rowbytes = (size_t)screen->w * screen->format->BytesPerPixel;
    const Uint8* now = (const Uint8*)screen->pixels;
    if (memcmp(shown + y0 * pitch, now + y0 * pitch, (y1 - y0) * pitch) == 0)
        return 0;
    size_t from = rowbytes, to = 0;
    for (int y = y0; y < y1; y++)
        widen(shown + y * pitch, now + y * pitch, rowbytes, &from, &to);
    int bpp = screen->format->BytesPerPixel;
    from -= from % bpp;
    to += (bpp - to % bpp) % bpp;
    for (int y = y0; y < y1; y++)
        memcpy(shown + y * pitch + from, now + y * pitch + from, to - from);
    r->x = (Sint16)(from / bpp);
    r->y = (Sint16)y0;
    r->w = (Uint16)((to - from) / bpp);
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
    insdl = 1;
    if (whole || 2 * rows > screen->h)
        SDL_Flip(screen);
    else if (rects > 0)
        SDL_UpdateRects(screen, rects, changed);
    insdl = 0;
}

// Marks the strips that hold base rows [top, bottom) to be drawn.
static void needrows(int top, int bottom)
{
    for (int k = (top < 0 ? 0 : top) / STRIPROWS; k * STRIPROWS < bottom && k < STRIPS; k++)
        stripdrawn[k] = 1;
}

// The preview rows that show a changed grid row: a painted pixel shows
// once in each repeat of the selection down the preview.
static void needgridrows()
{
    int gh = tsselh * TILE, down = gh * ezoom, top = viewy + PREVIEWY;
    Uint8 rowchanged[GRIDSIZE] = {};
    for (int x = 0; x < GRIDSIZE; x++)
        for (int y = 0; y < GRIDSIZE; y++)
            rowchanged[y] |= grid[x * GRIDSIZE + y] != drawn.grid[x * GRIDSIZE + y];
    for (int gy = 0; gy < gh; gy++)
        for (int r = gy * ezoom; rowchanged[gy] && r < viewh; r += down)
            needrows(top + r, top + r + ezoom);
}

// Marks the strips whose pixels may differ from the window's frame, and
// takes what the drawing reads now as what the window's frame was drawn
// from. Where only the pointer moved, or the grid changed under the
// editor's preview, that is the rows the pointer left and reached, and in
// the browser the line that says where it is, and the rows that show the
// changed grid rows; anything else may change the whole frame.
static void markchanges()
{
    int now[DRAWNSCALARS];
    takescalars(now);
    int wasy = drawn.pointery;
    int moved = pointerx != drawn.pointerx || pointery != drawn.pointery;
    drawn.pointerx = pointerx;
    drawn.pointery = pointery;
    if (memcmp(now, drawn.scalars, sizeof now) != 0 || memcmp(mesbuf, drawn.mesbuf, TEXTMAX) != 0
        || memcmp(pal, drawn.pal, sizeof pal) != 0 || memcmp(img, drawn.img, sizeof img) != 0) {
        memcpy(drawn.scalars, now, sizeof now);
        memcpy(drawn.mesbuf, mesbuf, TEXTMAX);
        memcpy(drawn.pal, pal, sizeof pal);
        memcpy(drawn.img, img, sizeof img);
        memcpy(drawn.grid, grid, sizeof grid);
        needrows(0, sheight);
        return;
    }
    if (moved) {
        needrows(wasy, wasy + POINTERROWS);
        needrows(pointery, pointery + POINTERROWS);
        if (mode == 0)
            needrows(INFOY, INFOY + GLYPH);
    }
    if (memcmp(grid, drawn.grid, sizeof grid) != 0) {
        if (mode == 1 && tsselw > 0 && tsselh > 0)
            needgridrows();
        memcpy(drawn.grid, grid, sizeof grid);
    }
}

// Draws the base rows [top, bottom) alone: the whole drawing, clipped to
// them. They are whole strips, and the sheet view draws in bands of 8
// rows, a strip's height, so it writes none outside.
static void drawrows(int top, int bottom)
{
    SDL_Rect rows = { 0, (Sint16)(top * zoom), (Uint16)screen->w, (Uint16)((bottom - top) * zoom) };
    SDL_SetClipRect(screen, &rows);
    drawframe();
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

// Everything of a frame but the wait for the next one. Only the strips
// whose pixels may have changed are drawn, compared and presented; all of
// them when the window's pixels are not known. The message's time runs
// either way.
void runframe()
{
    handleevents();
    handlekeys(SDL_GetKeyState(NULL));
    memset(stripdrawn, 0, sizeof stripdrawn);
    markchanges();
    if (shownbytes != (size_t)screen->pitch * screen->h)
        needrows(0, sheight);
    drawmarked();
    if (memchr(stripdrawn, 1, sizeof stripdrawn) != NULL)
        presentchanges();
    if (messagetime != 0)
        messagetime--;
}

// The tick count wraps after about 49.7 days: ticks are compared through
// their difference, which is right on both sides of the wrap.
Uint32 ticksleft(Uint32 due, Uint32 now)
{
    Sint32 left = (Sint32)(due - now);
    return left > 0 ? (Uint32)left : 0;
}

// Frames are never skipped: after a slow one the next ones run without
// waiting until the schedule has caught up.
Uint32 time_left() { return ticksleft(next_time, SDL_GetTicks()); }
