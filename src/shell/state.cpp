// The shell's own state: window, mode, pointer and mouse buttons, and the function that puts the
// whole program's state back to where start-up finds it.
#include "vorludit.h"

int zoom = DEFAULTZOOM;
int sheetnumber = 1;
int mode;
int currentcolour;
int pointerx, pointery;
int leftbuttondown, rightbuttondown;
int quitting;
int insidesdl;
SDL_Surface* screen;

// The surfaces are left alone: they belong to the video system.
static void resetshell()
{
    zoom = DEFAULTZOOM;
    sheetnumber = 1;
    mode = BROWSING;
    currentcolour = 0;
    pointerx = pointery = 0;
    leftbuttondown = rightbuttondown = 0;
    quitting = 0;
    insidesdl = 0;
}

void resetstate()
{
    resetshell();
    resetinput();
    resetsheet();
    resettext();
    resetbrowser();
    reseteditor();
    resetlayouts();
    resetpresent();
}
