// Input: mouse events from SDL's queue, and the keys held in a frame.
#include "vorludit.h"

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

void handleevent(const SDL_Event* e)
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
    forgetwindow();
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
static const int REPEATFRAMES = 5; // frames held between two repeats
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
    *counter = REPEATFRAMES;
    return 1;
}

// The order matters: a key sees the mode that an earlier key changed in
// the same frame.
void handlekeys(const Uint8* keys)
{
    if (keyrepeated(keys, SDLK_UP, &keyuptime) && mode == BROWSING)
        scrolltiles(SCROLLUP);
    if (keyrepeated(keys, SDLK_DOWN, &keydowntime) && mode == BROWSING)
        scrolltiles(SCROLLDOWN);
    keylctrltime = keys[SDLK_LCTRL] ? 1 : 0;
    if (keypressed(keys, SDLK_RETURN, &keyreturntime)) {
        if (mode == BROWSING && tsselw > 0)
            openeditor();
        else if (mode == EDITING)
            savegrid();
    }
    if (keypressed(keys, SDLK_1, &key1time) && mode == EDITING)
        setview(1);
    if (keypressed(keys, SDLK_2, &key2time) && mode == EDITING)
        setview(2);
    if (keypressed(keys, SDLK_3, &key3time) && mode == EDITING)
        setview(3);
    if (keypressed(keys, SDLK_4, &key4time) && mode == EDITING)
        setview(4);
    if (keypressed(keys, SDLK_a, &keyatime) && mode == EDITING)
        zoomeditor(-1);
    if (keypressed(keys, SDLK_s, &keystime) && mode == EDITING)
        zoomeditor(1);
    if (keypressed(keys, SDLK_z, &keyztime) && mode == EDITING && keylctrltime > 0)
        undopixbuf();
    if (keypressed(keys, SDLK_F4, &keyf4time) && mode == BROWSING && keylctrltime > 0)
        loadtiles();
    if (keypressed(keys, SDLK_F5, &keyf5time) && mode == BROWSING)
        savetiles();
    if (keypressed(keys, SDLK_ESCAPE, &keyescapetime) && mode == EDITING)
        mode = BROWSING;
}
