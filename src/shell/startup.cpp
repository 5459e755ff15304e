// Start-up: the command line, the window, the sheet and the graphics, in
// that order, then the frame loop.
#include "vorludit.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

// A sheet that is not there yet starts with a new sheet's palette, so that
// what is painted shows; a file that is there keeps what it loads, or the
// black store when it does not load.
static void newsheetpalette()
{
    struct stat st;
    if (stat(sheetname(), &st) != 0 && errno == ENOENT)
        memcpy(palette, NEWPALETTE, sizeof palette);
}

void initeditor()
{
    mode = 0;
    currentcolour = 1 + rand() % 15; // 1 to 15: never colour 0, usually the background
    for (int n = SHEETFILES; n >= 1; n--)
        if (fileexists(sheetfilename(n)))
            sheetnumber = n;
    newsheetpalette();
}

int SDL_main(int argc, char* argv[])
{
    resetstate();
    int fresh = readargs(argc, argv);
    readsettings();
    startvideo();
    srand(time(NULL));
    initeditor();
    loadsheet();
    if (fresh)
        savesheet(); // the menu folder's first sheet, as vorludit-sheet new makes it
    loadgui();
    runloop();
    insidesdl = 1; // shut down once: not again from quitvideo
    SDL_Quit();
    exit(0);
}
