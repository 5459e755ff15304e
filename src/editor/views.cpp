// The editor's four preview layouts and its palette strip.
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

static int atmost(int v, int cap)
{
    return v > cap ? cap : v;
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

void draweditor()
{
    Uint32 colours[16];
    mappalette(colours);
    for (int i = 0; i < 16; i++) {
        src.x = (Sint16)((STRIPX0 + SWATCHW * i) * zoom);
        src.y = 0;
        src.w = (Uint16)(SWATCHW * zoom);
        src.h = (Uint16)(STRIPY * zoom);
        SDL_FillRect(screen, &src, colours[i]);
    }
}

// Every preview base pixel shows the grid pixel that painting there would
// change: the same division and modulo as editorpaint.
void drawgrid()
{
    Uint32 colours[16];
    Uint32 row[PREVIEWW];
    int gw = tsselw * TILE, gh = tsselh * TILE;
    if (gw <= 0 || gh <= 0)
        return;
    mappalette(colours);
    for (int r = 0; r < viewh; r++) {
        const unsigned char *column = grid + (r / ezoom) % gh;
        for (int c = 0; c < vieww; c++)
            row[c] = colours[column[((c / ezoom) % gw) * GRIDSIZE]];
        drawbaserow(viewx + PREVIEWX, viewy + PREVIEWY + r, row, vieww);
    }
}
