// The tile editor's four preview layouts and its magnification: where
// the preview of the selection repeated against itself lies.
#include "vorludit.h"

int view = 1;
int ezoom = 1;
int viewx, viewy, vieww, viewh;

// Layouts 2 to 4 sit this far in from the preview frame's top and left.
static const int BANDTOP = 32;
static const int COLUMNLEFT = 48;

void resetviews()
{
    view = 1;
    ezoom = 1;
    viewx = viewy = vieww = viewh = 0;
}

// 1: repeated across and down; 2: one band repeated across; 3: one column
// repeated down; 4: one copy. Sizes are capped at the frame's edge.
void setview(int n)
{
    int tilesize = ezoom * TILE;
    switch (n) {
    case 1:
        viewx = 0;
        viewy = 0;
        vieww = PREVIEWW;
        viewh = PREVIEWH;
        break;
    case 2:
        viewx = 0;
        viewy = BANDTOP;
        vieww = PREVIEWW;
        viewh = atmost(tsselh * tilesize, PREVIEWH - BANDTOP);
        break;
    case 3:
        viewx = COLUMNLEFT;
        viewy = 0;
        vieww = atmost(tsselw * tilesize, PREVIEWW - COLUMNLEFT);
        viewh = PREVIEWH;
        break;
    case 4:
        viewx = COLUMNLEFT;
        viewy = BANDTOP;
        vieww = atmost(tsselw * tilesize, PREVIEWW - COLUMNLEFT);
        viewh = atmost(tsselh * tilesize, PREVIEWH - BANDTOP);
        break;
    default:
        return;
    }
    view = n;
}

// A and S: magnification down and up, within 1 to 8; the layout is sized
// again for it.
void zoomeditor(int change)
{
    if (change < 0 && ezoom > 1)
        ezoom--;
    if (change > 0 && ezoom < MAXMAGNIFICATION)
        ezoom++;
    setview(view);
}
