// Input: mouse events from SDL's queue, and the keys held in a frame.
#include "vorludit.h"
#include <cstring>

static void pointandclick(int x, int y, int button)
{
    if (mode == BROWSING)
        browserclick(x, y, button);
    else if (mode == EDITING)
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
    pointerx = atmost((x < 0 ? 0 : x) / zoom, WINDOWW - 1);
    pointery = atmost((y < 0 ? 0 : y) / zoom, WINDOWH - 1);
}

static void handleevent(const SDL_Event* e)
{
    switch (e->type) {
    case SDL_MOUSEBUTTONDOWN:
        if (e->button.button == SDL_BUTTON_LEFT) {
            leftbuttondown = 1;
            pointandclick(pointerx, pointery, LEFTBUTTON);
        } else if (e->button.button == SDL_BUTTON_RIGHT) {
            rightbuttondown = 1;
            pointandclick(pointerx, pointery, RIGHTBUTTON);
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
            pointandclick(pointerx, pointery, LEFTBUTTON);
        else if (rightbuttondown == 1)
            pointandclick(pointerx, pointery, RIGHTBUTTON);
        break;
    case SDL_VIDEOEXPOSE:
        forgetwindow();
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
    insidesdl = 1;
    int got = SDL_PollEvent(e);
    insidesdl = 0;
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
    forgetwindow();
    int x, y;
    droplostrelease(SDL_GetMouseState(&x, &y));
    setpointer(x, y);
}

// For each command key, whether it was held in the last frame: a command
// fires once per press, in the first frame the key is seen held. For Up
// and Down, the frames left until a held key fires again.
static struct {
    int enter, layout[4], smaller, larger, undo, reload, save, escape;
} held;
static int upwait, downwait;

void resetinput()
{
    memset(&held, 0, sizeof held);
    upwait = downwait = 0;
}

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
static const int REPEATFRAMES = 5; // frames held between two repeats
static int keyrepeated(const Uint8* keys, SDLKey sym, int* wait)
{
    if (!keys[sym]) {
        *wait = 0;
        return 0;
    }
    if (*wait != 0) {
        (*wait)--;
        return 0;
    }
    *wait = REPEATFRAMES;
    return 1;
}

// The order matters: a key sees the mode that an earlier key changed in
// the same frame.
void handlekeys(const Uint8* keys)
{
    static const SDLKey LAYOUTKEYS[4] = { SDLK_1, SDLK_2, SDLK_3, SDLK_4 };
    int ctrl = keys[SDLK_LCTRL];
    if (keyrepeated(keys, SDLK_UP, &upwait) && mode == BROWSING)
        scrolltiles(SCROLLUP);
    if (keyrepeated(keys, SDLK_DOWN, &downwait) && mode == BROWSING)
        scrolltiles(SCROLLDOWN);
    if (keypressed(keys, SDLK_RETURN, &held.enter)) {
        if (mode == BROWSING && selw > 0)
            openeditor();
        else if (mode == EDITING)
            writegridback();
    }
    for (int n = 1; n <= 4; n++)
        if (keypressed(keys, LAYOUTKEYS[n - 1], &held.layout[n - 1]) && mode == EDITING)
            setlayout(n);
    if (keypressed(keys, SDLK_a, &held.smaller) && mode == EDITING)
        changemagnification(-1);
    if (keypressed(keys, SDLK_s, &held.larger) && mode == EDITING)
        changemagnification(1);
    if (keypressed(keys, SDLK_z, &held.undo) && mode == EDITING && ctrl)
        undolast();
    if (keypressed(keys, SDLK_F4, &held.reload) && mode == BROWSING && ctrl)
        loadsheet();
    if (keypressed(keys, SDLK_F5, &held.save) && mode == BROWSING)
        savesheet();
    if (keypressed(keys, SDLK_ESCAPE, &held.escape) && mode == EDITING)
        mode = BROWSING;
}
