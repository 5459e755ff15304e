// One frame: mouse events, keys, drawing, presenting; and the pacing.
#include "vorludit.h"
#include <cstring>

// What the window shows: a copy of the last frame presented, so that a
// frame just like it is not presented again. Room for the largest window,
// zoom 9 in 16-bit pixels (22 MB, of which a smaller window only ever
// touches its own frame's size); a larger screen is always presented.
// shownbytes is 0 while the window's pixels are not known: before the
// first frame, and after another window has covered part of it.
static const size_t SHOWNMAX = (size_t)WINDOWW * 9 * WINDOWH * 9 * 2;
static Uint8 shown[SHOWNMAX];
static size_t shownbytes;

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
    if ((leftbuttondown && !(held & SDL_BUTTON_LMASK)) || (rightbuttondown && !(held & SDL_BUTTON_RMASK)))
        leftbuttondown = rightbuttondown = 0;
}

void handleevent(const SDL_Event *e)
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
        // A drag that leaves the window goes on reporting positions past
        // its edges; the pointer stays on the window's last pixel.
        pointerx = atmost(e->motion.x / zoom, swidth - 1);
        pointery = atmost(e->motion.y / zoom, sheight - 1);
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

static int pollevent(SDL_Event *e)
{
    insdl = 1;
    int got = SDL_PollEvent(e);
    insdl = 0;
    return got;
}

void handleevents()
{
    SDL_Event e;
    while (pollevent(&e))
        handleevent(&e);
}

// A command fires once per press: in the first frame the key is seen held.
static int keypressed(const Uint8 *keys, SDLKey sym, int *latch)
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
static int keyrepeated(const Uint8 *keys, SDLKey sym, int *counter)
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
void handlekeys(const Uint8 *keys)
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
    int x = 0, y = 0, w = 0, h = 0;  // the rectangle in base pixels
    if (mode == 0) {
        w = SHEETW;
        h = VIEWROWS * TILE;
    } else if (mode == 1 && tsselw > 0 && tsselh > 0) {
        x = viewx + PREVIEWX;
        y = viewy + PREVIEWY;
        w = vieww;
        h = viewh;
    }
    fillgrey(0, 0, swidth, y);                         // above
    fillgrey(0, y + h, swidth, sheight - y - h);       // below
    fillgrey(0, y, x, h);                              // left
    fillgrey(x + w, y, swidth - x - w, h);             // right
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
    if (messagetime != 0) {
        drawmessage();
        messagetime--;
    }
    drawpointer();
}

// Whether the frame just drawn differs from what the window shows; if so
// it is what the window is about to show. An unchanged frame is the usual
// case: an editor left alone draws the same frame over and over. Comparing
// with a copy is exact, and a quarter of the cost of a 64-bit checksum of
// the frame: 0.03 ms at zoom 2, a few % of presenting.
static int framechanged()
{
    size_t n = (size_t)screen->pitch * screen->h;
    if (n > SHOWNMAX)
        return 1;
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    int same = n == shownbytes && memcmp(shown, screen->pixels, n) == 0;
    if (!same) {
        memcpy(shown, screen->pixels, n);
        shownbytes = n;
    }
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    return !same;
}

// Everything of a frame but the wait for the next one. The whole frame is
// drawn every time; only presenting it is left out when nothing changed.
void runframe()
{
    handleevents();
    handlekeys(SDL_GetKeyState(NULL));
    drawframe();
    if (!framechanged())
        return;
    insdl = 1;
    SDL_Flip(screen);
    insdl = 0;
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
Uint32 time_left()
{
    return ticksleft(next_time, SDL_GetTicks());
}
