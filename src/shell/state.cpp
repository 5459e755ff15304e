// The shell's own state: window, mode, pointer, mouse buttons and key
// latches, and the function that puts the whole program's state back to
// where start-up finds it.
#include "vorludit.h"

int zoom = 2;
int episode = 1;
int mode;
int curcol;
int pointerx, pointery;
int leftbuttondown, rightbuttondown;
int quitting;
int insdl;
SDL_Surface* screen;
SDL_Surface* loadguigfx;
SDL_Surface* guigfx;
int keyuptime, keydowntime, keylctrltime, keyreturntime;
int key1time, key2time, key3time, key4time;
int keyatime, keystime, keyztime, keyf4time, keyf5time, keyescapetime;

// The surfaces are left alone: they belong to the video system.
void resetshell()
{
    zoom = 2;
    episode = 1;
    mode = 0;
    curcol = 0;
    pointerx = pointery = 0;
    leftbuttondown = rightbuttondown = 0;
    quitting = 0;
    insdl = 0;
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
