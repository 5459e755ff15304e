// The GUI graphics: the font and the selection marker, from the working
// folder or as installed, enlarged once for the window's scale.
#include "vorludit.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

static const char* GUIFILE = "vorlugfx.bmp";
static const Uint8 TRANSPARENT[3] = { 255, 0, 255 }; // magenta: never drawn

SDL_Surface* guigfx;

// The graphics line names the file where SDL's own text does not.
static void guifailure(const char* path)
{
    const char* why = SDL_GetError();
    if (strstr(why, path) != NULL)
        printf("Can't load editor graphics: %s\n", why);
    else if (why[0] != 0)
        printf("Can't load editor graphics: %s: %s\n", path, why);
    else
        printf("Can't load editor graphics: Couldn't open %s\n", path);
    exit(1);
}

static SDL_Surface* readbmp(const char* path)
{
    FILE* f = openregular(path);
    if (f == NULL) {
        SDL_SetError("Couldn't open %s", path);
        return NULL;
    }
    SDL_RWops* rw = SDL_RWFromFP(f, 1);
    if (rw == NULL) {
        fclose(f);
        return NULL;
    }
    return SDL_LoadBMP_RW(rw, 1);
}

// The installed copy of the graphics: found from where the program itself
// is, so that an installed tree still works when moved as a whole; the
// folder it was installed to when that cannot be told.
static void installedgui(char* path, size_t size)
{
    char dir[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    char* slash = NULL;
    if (n > 0) {
        dir[n] = 0;
        slash = strrchr(dir, '/');
    }
    if (slash == NULL) {
        snprintf(path, size, "%s/%s", VORLUDIT_DATADIR, GUIFILE);
        return;
    }
    *slash = 0; // the program's folder
    const char* rel = VORLUDIT_DATAFROMBIN; // from there, as installed: ../share/vorludit
    while (strncmp(rel, "../", 3) == 0 && (slash = strrchr(dir, '/')) != NULL) {
        *slash = 0;
        rel += 3;
    }
    if (snprintf(path, size, "%s/%s/%s", dir, rel, GUIFILE) >= (int)size)
        snprintf(path, size, "%s/%s", VORLUDIT_DATADIR, GUIFILE);
}

// The working folder's graphics, or the installed copy where it has none;
// NULL, with SDL's error set, when neither reads. where names the file
// that was read last.
SDL_Surface* readguigraphics(char* where, size_t size)
{
    snprintf(where, size, "%s", GUIFILE);
    SDL_Surface* art = readbmp(GUIFILE);
    if (art != NULL || fileexists(GUIFILE))
        return art;
    installedgui(where, size);
    art = readbmp(where);
    if (art == NULL && !fileexists(where))
        SDL_SetError("Couldn't open %s or %s", GUIFILE, where);
    return art;
}

// Loads the font and marker and enlarges them once, so that drawing a
// glyph later is a single blit. A working folder without its own copy
// uses the installed one.
void loadgui()
{
    char where[PATH_MAX] = "";
    SDL_Surface* art = readguigraphics(where, sizeof where);
    if (art == NULL)
        guifailure(where);
    guigfx = SDL_CreateRGBSurface(SDL_SWSURFACE, art->w * zoom, art->h * zoom, 32, 0, 0, 0, 0);
    if (guigfx == NULL || !zoomgraphic(art, guigfx, zoom))
        guifailure(GUIFILE);
    SDL_FreeSurface(art);
    Uint32 key = SDL_MapRGB(guigfx->format, TRANSPARENT[0], TRANSPARENT[1], TRANSPARENT[2]);
    SDL_SetColorKey(guigfx, SDL_SRCCOLORKEY, key);
}
