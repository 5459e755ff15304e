// The shell's own state: window, mode, pointer, mouse buttons and key
// latches, and the function that puts the whole program's state back to
// where start-up finds it.
#include "vorludit.h"

int swidth = WINDOWW, sheight = WINDOWH;
int zoom = 2;
int episode = 1;
int mode;
int curcol;
int pointerx, pointery;
int leftbuttondown, rightbuttondown;
Uint32 next_time;
int quitting;
int insdl;
SDL_Surface* screen;
SDL_Surface* loadguigfx;
SDL_Surface* guigfx;
SDL_Rect src, dst;
int keyuptime, keydowntime, keylctrltime, keyreturntime;
int key1time, key2time, key3time, key4time;
int keyatime, keystime, keyztime, keyf4time, keyf5time, keyescapetime;

// The surfaces are left alone: they belong to the video system.
void resetshell()
{
    swidth = WINDOWW;
    sheight = WINDOWH;
    zoom = 2;
    episode = 1;
    mode = 0;
    curcol = 0;
    pointerx = pointery = 0;
    leftbuttondown = rightbuttondown = 0;
    next_time = 0;
    quitting = 0;
    insdl = 0;
    src = SDL_Rect();
    dst = SDL_Rect();
    keyuptime = keydowntime = keylctrltime = keyreturntime = 0;
    key1time = key2time = key3time = key4time = 0;
    keyatime = keystime = keyztime = keyf4time = keyf5time = keyescapetime = 0;
}

void resetstate()
{
    resetshell();
    resetsheet();
    resettext();
    resetbrowser();
    reseteditor();
    resetviews();
}
