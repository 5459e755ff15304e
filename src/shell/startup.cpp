// Start-up: settings, window, initial editor state, GUI graphics.
#include "vorludit.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char *SETTINGSFILE = "vorludef.txt";
static const char *GUIFILE = "vorlugfx.bmp";

int rann(int n)
{
    return rand() % (n + 1);
}

// A FIFO or a device under one of our names must not hang the editor
// or be read or written: files are opened without blocking, and only a
// regular file (or a link to one) is taken, its status left in st. Returns
// the descriptor, or -1 with errno ENOENT for a missing file and EINVAL
// for one that is not regular.
int openregularfd(const char *path, int flags, struct stat *st)
{
    int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// The same, for reading through a stream.
FILE *openregular(const char *path)
{
    struct stat st;
    int fd = openregularfd(path, O_RDONLY, &st);
    if (fd < 0)
        return NULL;
    FILE *f = fdopen(fd, "rb");
    if (f == NULL)
        close(fd);
    return f;
}

// Opening without blocking says whether the name can be opened at all;
// whether it holds a sheet is for the load to find out.
int fileexists(const char *path)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    close(fd);
    return 1;
}

// Only the first byte counts: '1' to '9' is the window scale.
void readsettings()
{
    FILE *f = openregular(SETTINGSFILE);
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
    // Without a GPU, SDL's default of presenting through OpenGL runs in
    // Mesa's software renderer; its own software renderer puts the window
    // up as one shared-memory image instead: the same pixels for a fifth
    // of the CPU. A value the user has set wins.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
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

// The graphics line names the file where SDL's own text does not.
static void guifailure(const char *path)
{
    const char *why = SDL_GetError();
    if (strstr(why, path) != NULL)
        printf("Can't load editor graphics: %s\n", why);
    else if (why[0] != 0)
        printf("Can't load editor graphics: %s: %s\n", path, why);
    else
        printf("Can't load editor graphics: Couldn't open %s\n", path);
    exit(1);
}

static SDL_Surface *readbmp(const char *path)
{
    FILE *f = openregular(path);
    if (f == NULL) {
        SDL_SetError("Couldn't open %s", path);
        return NULL;
    }
    SDL_RWops *rw = SDL_RWFromFP(f, 1);
    if (rw == NULL) {
        fclose(f);
        return NULL;
    }
    return SDL_LoadBMP_RW(rw, 1);
}

// The installed copy of the graphics: found from where the program itself
// is, so that an installed tree still works when moved as a whole; the
// folder it was installed to when that cannot be told.
static void installedgui(char *path, size_t size)
{
    char dir[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    char *slash = NULL;
    if (n > 0) {
        dir[n] = 0;
        slash = strrchr(dir, '/');
    }
    if (slash == NULL) {
        snprintf(path, size, "%s/%s", VORLUDIT_DATADIR, GUIFILE);
        return;
    }
    *slash = 0;                                // the program's folder
    const char *rel = VORLUDIT_DATAFROMBIN;   // from there, as installed: ../share/vorludit
    while (strncmp(rel, "../", 3) == 0 && (slash = strrchr(dir, '/')) != NULL) {
        *slash = 0;
        rel += 3;
    }
    if (snprintf(path, size, "%s/%s/%s", dir, rel, GUIFILE) >= (int)size)
        snprintf(path, size, "%s/%s", VORLUDIT_DATADIR, GUIFILE);
}

// Loads the font and marker and enlarges them once, so that drawing a
// glyph later is a single blit. A working folder without its own copy
// uses the installed one.
void loadgui()
{
    loadguigfx = readbmp(GUIFILE);
    if (loadguigfx == NULL && !fileexists(GUIFILE)) {
        char installed[PATH_MAX];
        installedgui(installed, sizeof installed);
        loadguigfx = readbmp(installed);
        if (loadguigfx == NULL && !fileexists(installed))
            SDL_SetError("Couldn't open %s or %s", GUIFILE, installed);
        if (loadguigfx == NULL)
            guifailure(installed);
    }
    if (loadguigfx == NULL)
        guifailure(GUIFILE);
    guigfx = SDL_CreateRGBSurface(SDL_SWSURFACE, loadguigfx->w * zoom, loadguigfx->h * zoom,
                                  32, 0, 0, 0, 0);
    if (guigfx == NULL)
        guifailure(GUIFILE);
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
