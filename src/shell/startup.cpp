// Start-up: settings, window, initial editor state, GUI graphics.
#include "vorludit.h"
#include <SDL_syswm.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

static const char* SETTINGSFILE = "vorludef.txt";
static const char* GUIFILE = "vorlugfx.bmp";
static const char* MENUFOLDER = "vorludit"; // in the home folder
static const int ICONX = 16, ICONY = 64; // the program's icon in the GUI graphics
static const int ICONSIZE = 16;
static const int ICONSCALE = 2; // the window's icon: 32 x 32

static const char* const USAGE
    = "usage: vorludit [--menu] [FOLDER | SHEET]\n"
      "       vorludit --help | --version\n"
      "\n"
      "Edits the tile sheet of the working folder: the first of 1TIL0000.bmp,\n"
      "2TIL0000.bmp and 3TIL0000.bmp that exists (1TIL0000.bmp when none does).\n"
      "FOLDER: works in FOLDER as if started there. SHEET, a .bmp file: works in\n"
      "its folder and edits SHEET. --menu, with neither: works in ~/vorludit,\n"
      "made on the first such start with a new sheet in it.\n";

int rann(int n) { return rand() % (n + 1); }

// Only the first byte counts: '1' to '9' is the window scale.
void readsettings()
{
    FILE* f = openregular(SETTINGSFILE);
    if (f == NULL)
        return;
    int c = fgetc(f);
    fclose(f);
    if (c > '0' && c <= '9')
        zoom = c - '0';
}

// A bad argument: one line, and no window.
static void badarg(const char* arg, const char* why)
{
    printf("vorludit: %s: %s (vorludit --help shows the usage)\n", arg, why);
    exit(2);
}

// A folder is worked in as if the editor were started there; a sheet's
// folder likewise, and the sheet itself is the one edited, made by the
// first F5 when it is not there yet.
static void workon(const char* path)
{
    struct stat st;
    if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (chdir(path) != 0)
            badarg(path, strerror(errno));
        return;
    }
    const char* name = strrchr(path, '/');
    name = name != NULL ? name + 1 : path;
    size_t len = strlen(name);
    if (len <= 4 || strcasecmp(name + len - 4, ".bmp") != 0)
        badarg(path, "neither a folder nor a .bmp sheet");
    if (len >= sizeof namedsheet)
        badarg(path, strerror(ENAMETOOLONG));
    char dir[PATH_MAX];
    int dirlen = name == path ? 1 : (int)(name - path);
    if (dirlen >= (int)sizeof dir) // cut short, it would name an ancestor
        badarg(path, strerror(ENAMETOOLONG));
    snprintf(dir, sizeof dir, "%.*s", dirlen, name == path ? "." : path);
    if (chdir(dir) != 0)
        badarg(path, strerror(errno));
    strcpy(namedsheet, name);
}

// From the application menu there is no terminal and no folder of sheets
// to start in: the editor works in ~/vorludit. Returns 1 when this start
// made that folder, which then gets a new sheet.
static int workinmenufolder()
{
    const char* home = getenv("HOME");
    char dir[PATH_MAX];
    if (home == NULL || home[0] == 0
        || snprintf(dir, sizeof dir, "%s/%s", home, MENUFOLDER) >= (int)sizeof dir) {
        printf("vorludit: no home folder to make %s in\n", MENUFOLDER);
        exit(1);
    }
    int made = mkdir(dir, 0777) == 0;
    if ((!made && errno != EEXIST) || chdir(dir) != 0) {
        printf("vorludit: cannot work in %s: %s\n", dir, strerror(errno));
        exit(1);
    }
    return made;
}

// The command line: help and the version end the program; otherwise it
// moves to the folder to work in. Returns 1 when that folder was just made
// for a menu start and wants a new sheet.
int readargs(int argc, char* argv[])
{
    const char* arg = NULL;
    int menu = 0;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(USAGE, stdout);
            exit(0);
        }
        if (strcmp(argv[i], "--version") == 0) {
            puts("vorludit " VORLUDIT_VERSION);
            exit(0);
        }
        if (strcmp(argv[i], "--menu") == 0)
            menu = 1;
        else if (argv[i][0] == '-')
            badarg(argv[i], "no such option");
        else if (arg != NULL)
            badarg(argv[i], "only one folder or sheet can be edited");
        else
            arg = argv[i];
    }
    if (arg != NULL)
        workon(arg);
    else if (menu)
        return workinmenufolder();
    return 0;
}

// A sheet that is not there yet starts with a new sheet's palette, so that
// what is painted shows; a file that is there keeps what it loads, or the
// black store when it does not load.
static void newsheetpalette()
{
    struct stat st;
    if (stat(sheetname(), &st) != 0 && errno == ENOENT)
        memcpy(pal, NEWPALETTE, sizeof pal);
}

void initeditor()
{
    mode = 0;
    currentcolour = rann(14) + 1; // never colour 0, which is usually the background
    for (int n = SHEETFILES; n >= 1; n--)
        if (fileexists(sheetfilename(n)))
            episode = n;
    newsheetpalette();
}

static void seticon();

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
static SDL_Surface* readgui(char* where, size_t size)
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

// The window's icon is the program's own, cut from the GUI graphics and
// doubled; the graphics stay loaded for loadgui. Without graphics the
// window has none; loadgui says why.
static void seticon()
{
    char where[PATH_MAX];
    SDL_Surface* art = loadguigfx = readgui(where, sizeof where);
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
}

// Loads the font and marker and enlarges them once, so that drawing a
// glyph later is a single blit. A working folder without its own copy
// uses the installed one. A file that did not read for the icon is read
// again here, for the reason it gives.
void loadgui()
{
    char where[PATH_MAX] = "";
    if (loadguigfx == NULL)
        loadguigfx = readgui(where, sizeof where);
    if (loadguigfx == NULL)
        guifailure(where);
    guigfx = SDL_CreateRGBSurface(
        SDL_SWSURFACE, loadguigfx->w * zoom, loadguigfx->h * zoom, 32, 0, 0, 0, 0);
    if (guigfx == NULL || !zoomgraphic(loadguigfx, guigfx, zoom))
        guifailure(GUIFILE);
    SDL_FreeSurface(loadguigfx);
    loadguigfx = NULL;
    SDL_SetColorKey(guigfx, SDL_SRCCOLORKEY, SDL_MapRGB(guigfx->format, 255, 0, 255));
}

int SDL_main(int argc, char* argv[])
{
    resetstate();
    int fresh = readargs(argc, argv);
    readsettings();
    startvideo();
    srand(time(NULL));
    initeditor();
    loadtiles();
    if (fresh)
        savetiles(); // the menu folder's first sheet, as vorludit-sheet new makes it
    loadgui();
    runloop();
    insidesdl = 1; // shut down once: not again from quitvideo
    SDL_Quit();
    exit(0);
}
