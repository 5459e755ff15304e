// Start-up: settings, window, initial editor state, GUI graphics.
#include "vorludit.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

static const char *SETTINGSFILE = "vorludef.txt";
static const char *GUIFILE = "vorlugfx.bmp";

int rann(int n)
{
    return rand() % (n + 1);
}

int fileexists(const char *path)
{
    FILE *f = fopen(path, "r");
    if (f == NULL)
        return 0;
    fclose(f);
    return 1;
}

// Only the first byte counts: '1' to '9' is the window scale.
void readsettings()
{
    FILE *f = fopen(SETTINGSFILE, "rb");
    if (f == NULL)
        return;
    int c = fgetc(f);
    fclose(f);
    if (c > '0' && c <= '9')
        zoom = c - '0';
}

void initeditor()
{
    mode = 0;
    curcol = rann(14) + 1;  // never colour 0, which is usually the background
    for (int n = 1; n <= SHEETFILES; n++) {
        if (fileexists(sheetfilename(n))) {
            episode = n;
            return;
        }
    }
}

// When no display can be reached, the SDL underneath falls back to an
// off-screen driver and the editor would run where nobody can see it.
// That driver only counts when it was asked for by name.
static int invisible()
{
    char name[32];
    if (SDL_VideoDriverName(name, sizeof name) == NULL || strcmp(name, "offscreen") != 0)
        return 0;
    const char *asked = getenv("SDL_VIDEODRIVER");
    if (asked != NULL && strcmp(asked, "offscreen") == 0)
        return 0;
    SDL_SetError("No available video device");
    return 1;
}

// When the display goes away under the editor, its client library ends
// the process from inside SDL's event pumping; shutting SDL down from
// there would wait forever on the dead connection.
static void quitvideo()
{
    if (!insdl)
        SDL_Quit();
}

void startvideo()
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || invisible()) {
        printf("Could not initialize SDL: %s.\n", SDL_GetError());
        exit(1);
    }
    atexit(quitvideo);
    screen = SDL_SetVideoMode(swidth * zoom, sheight * zoom, 16, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (screen == NULL) {
        printf("Could not set video mode: %s\n", SDL_GetError());
        exit(1);
    }
    SDL_WM_SetCaption("vorludit 0.1", NULL);
    SDL_ShowCursor(SDL_DISABLE);
}

// Loads the font and marker and enlarges them once, so that drawing a
// glyph later is a single blit.
void loadgui()
{
    loadguigfx = SDL_LoadBMP(GUIFILE);
    if (loadguigfx == NULL) {
        printf("Can't load editor graphics: %s\n", SDL_GetError());
        exit(1);
    }
    guigfx = SDL_CreateRGBSurface(SDL_SWSURFACE, loadguigfx->w * zoom, loadguigfx->h * zoom,
                                  32, 0, 0, 0, 0);
    if (guigfx == NULL) {
        printf("Can't load editor graphics: %s\n", SDL_GetError());
        exit(1);
    }
    zoomgraphic(loadguigfx, guigfx);
    SDL_FreeSurface(loadguigfx);
    loadguigfx = NULL;
    SDL_SetColorKey(guigfx, SDL_SRCCOLORKEY, SDL_MapRGB(guigfx->format, 255, 0, 255));
}

int SDL_main(int, char *[])
{
    resetstate();
    readsettings();
    startvideo();
    srand(time(NULL));
    initeditor();
    loadtiles();
    loadgui();
    next_time = SDL_GetTicks() + FRAMEMS;
    while (!quitting) {
        runframe();
        SDL_Delay(time_left());
        next_time += FRAMEMS;
    }
    SDL_Quit();
    exit(0);
}
