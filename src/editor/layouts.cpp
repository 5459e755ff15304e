// The tile editor's four preview layouts and its magnification: where
// the preview of the selection repeated against itself lies.
#include "vorludit.h"

int layout = 1;
int magnification = 1;
int layoutx, layouty, layoutw, layouth;

// Layouts 2 to 4 sit this far in from the preview frame's top and left.
static const int BANDTOP = 32;
static const int COLUMNLEFT = 48;

void resetlayouts()
{
    layout = 1;
    magnification = 1;
    layoutx = layouty = layoutw = layouth = 0;
}

// 1: repeated across and down; 2: one band repeated across; 3: one column
// repeated down; 4: one copy. Sizes are capped at the frame's edge.
void setlayout(int n)
{
    int tilesize = magnification * TILE;
    switch (n) {
    case 1:
        layoutx = 0;
        layouty = 0;
        layoutw = PREVIEWW;
        layouth = PREVIEWH;
        break;
    case 2:
        layoutx = 0;
        layouty = BANDTOP;
        layoutw = PREVIEWW;
        layouth = atmost(selh * tilesize, PREVIEWH - BANDTOP);
        break;
    case 3:
        layoutx = COLUMNLEFT;
        layouty = 0;
        layoutw = atmost(selw * tilesize, PREVIEWW - COLUMNLEFT);
        layouth = PREVIEWH;
        break;
    case 4:
        layoutx = COLUMNLEFT;
        layouty = BANDTOP;
        layoutw = atmost(selw * tilesize, PREVIEWW - COLUMNLEFT);
        layouth = atmost(selh * tilesize, PREVIEWH - BANDTOP);
        break;
    default:
        return;
    }
    layout = n;
}

// A and S: magnification down and up, within 1 to 8; the layout is sized
// again for it.
void changemagnification(int change)
{
    if (change < 0 && magnification > 1)
        magnification--;
    if (change > 0 && magnification < MAXMAGNIFICATION)
        magnification++;
    setlayout(layout);
}
