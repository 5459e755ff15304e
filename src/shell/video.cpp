// The window: the video driver, the scale that fits the screen, the
// window's icon and caption.
#include "vorludit.h"
#include <SDL_syswm.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const int ICONX = 16, ICONY = 64; // the program's icon in the GUI graphics
static const int ICONSIZE = 16;
static const int ICONSCALE = 2; // the window's icon: 32 x 32

// Without a display the SDL underneath falls back to whatever else it
// has: the classic library to text art in the terminal (which it then
// keeps) or the console's frame buffer, SDL 2 to an off-screen window.
// Unless the user names a driver, the editor asks for the desktop's own,
// and only when there is a display for it; so SDL never tries another
// (nor prints SDL 2's complaint about a missing XDG_RUNTIME_DIR).
static void choosedriver()
{
    const char* asked = getenv("SDL_VIDEODRIVER");
    if (asked != NULL && asked[0] != 0)
        return;
    const char* x = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    if (x != NULL && x[0] != 0)
        setenv("SDL_VIDEODRIVER", "x11", 1);
    else if (wayland != NULL && wayland[0] != 0)
        setenv("SDL_VIDEODRIVER", "wayland", 1);
    else {
        puts("Could not initialize SDL: no display: set DISPLAY to the X display to use.");
        exit(1);
    }
}

// A screen too small for the window at the set scale gets the largest
// scale that fits, so that no part of the window is out of reach. Only a
// desktop's screen counts: other drivers report sizes of their own.
static void fitscale()
{
    char name[32];
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == NULL || info->current_w <= 0 || info->current_h <= 0
        || SDL_VideoDriverName(name, sizeof name) == NULL
        || (strcmp(name, "x11") != 0 && strcmp(name, "wayland") != 0))
        return;
    int fits = zoom;
    while (fits > 1 && (WINDOWW * fits > info->current_w || WINDOWH * fits > info->current_h))
        fits--;
    if (fits == zoom)
        return;
    printf("vorludit: the screen (%d x %d) is too small for scale %d: scale %d\n", info->current_w,
        info->current_h, zoom, fits);
    fflush(stdout); // at once, also when the output goes to a pipe or a log
    zoom = fits;
}

// When the display goes away under the editor, its client library ends
// the process from inside SDL's event pumping, or from inside SDL's own
// shutdown at the end; shutting SDL down from there would wait forever on
// the dead connection.
static void quitvideo()
{
    if (!insidesdl)
        SDL_Quit();
}

// The window's icon as _NET_WM_ICON wants it: width, height, then ARGB
// pixels, one to a long. SDL 2 sets it itself; the classic library only
// gives the window manager a pixmap, which docks and task bars ignore.
static unsigned long iconprop[2 + ICONSIZE * ICONSCALE * ICONSIZE * ICONSCALE];

static void seticonproperty()
{
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (iconprop[0] == 0 || SDL_GetWMInfo(&wm) != 1 || wm.subsystem != SDL_SYSWM_X11
        || wm.info.x11.display == NULL)
        return;
    Window top = wm.info.x11.wmwindow != 0 ? wm.info.x11.wmwindow : wm.info.x11.window;
    if (wm.info.x11.lock_func != NULL)
        wm.info.x11.lock_func();
    Atom name = XInternAtom(wm.info.x11.display, "_NET_WM_ICON", False);
    XChangeProperty(wm.info.x11.display, top, name, XA_CARDINAL, 32, PropModeReplace,
        (unsigned char*)iconprop, sizeof iconprop / sizeof iconprop[0]);
    XFlush(wm.info.x11.display);
    if (wm.info.x11.unlock_func != NULL)
        wm.info.x11.unlock_func();
}

// The window's icon is the program's own, cut from the GUI graphics and
// doubled. Without graphics the window has none; loadgui says why.
static void seticon()
{
    char where[PATH_MAX];
    SDL_Surface* art = readguigraphics(where, sizeof where);
    SDL_Surface* one = SDL_CreateRGBSurface(SDL_SWSURFACE, ICONSIZE, ICONSIZE, 32, 0, 0, 0, 0);
    SDL_Surface* icon = SDL_CreateRGBSurface(
        SDL_SWSURFACE, ICONSIZE * ICONSCALE, ICONSIZE * ICONSCALE, 32, 0, 0, 0, 0);
    SDL_Rect from = { ICONX, ICONY, ICONSIZE, ICONSIZE };
    if (art != NULL && one != NULL && icon != NULL && SDL_BlitSurface(art, &from, one, NULL) == 0
        && SDL_SoftStretch(one, NULL, icon, NULL) == 0 && SDL_LockSurface(icon) == 0) {
        iconprop[0] = iconprop[1] = ICONSIZE * ICONSCALE;
        for (int y = 0; y < icon->h; y++)
            for (int x = 0; x < icon->w; x++) {
                Uint8 r, g, b;
                SDL_GetRGB(((Uint32*)((Uint8*)icon->pixels + y * icon->pitch))[x], icon->format, &r,
                    &g, &b);
                iconprop[2 + y * icon->w + x] = 0xff000000ul | r << 16 | g << 8 | b;
            }
        SDL_UnlockSurface(icon);
        SDL_WM_SetIcon(icon, NULL);
    }
    SDL_FreeSurface(one);
    SDL_FreeSurface(icon);
    SDL_FreeSurface(art);
}

void startvideo()
{
    // Without a GPU, SDL's default of presenting through OpenGL runs in
    // Mesa's software renderer; its own software renderer puts the window
    // up as one shared-memory image instead: the same pixels for a fifth
    // of the CPU. A value the user has set wins.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    choosedriver();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        printf("Could not initialize SDL: %s.\n", SDL_GetError());
        exit(1);
    }
    atexit(quitvideo);
    seticon();
    fitscale();
    screen = SDL_SetVideoMode(
        WINDOWW * zoom, WINDOWH * zoom, SCREENBITS, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (screen == NULL) {
        printf("Could not set video mode: %s\n", SDL_GetError());
        exit(1);
    }
    seticonproperty();
    SDL_WM_SetCaption("vorludit " VORLUDIT_VERSION, NULL);
    SDL_ShowCursor(SDL_DISABLE);
}
