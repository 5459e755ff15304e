// The sheet browser's state: which tile rows are in view, and the tile
// selection the mouse makes.
#include "vorludit.h"

int tstop;
int tsselx, tssely;
int tsselw, tsselh;

void resetbrowser()
{
    tstop = 0;
    tsselx = tssely = 0;
    tsselw = tsselh = 0;
}

// Left: a new 1 x 1 selection, or none right of the sheet. Right: stretch
// the selection from its fixed top-left tile, up to 8 x 8.
void browserclick(int x, int y, int button)
{
    if (x < 0 || y < 0 || y >= VIEWROWS * TILE)
        return;
    int column = x / TILE;
    int row = y / TILE + tstop;
    if (button == LEFTBUTTON) {
        if (x >= SHEETW) {
            tsselw = tsselh = 0;
            return;
        }
        tsselx = column;
        tssely = row;
        tsselw = tsselh = 1;
        return;
    }
    if (button != RIGHTBUTTON || tsselw <= 0 || x >= SHEETW)
        return;
    if (column >= tsselx && row >= tssely && column < tsselx + MAXSEL && row < tssely + MAXSEL) {
        tsselw = column - tsselx + 1;
        tsselh = row - tssely + 1;
    }
}

// The last view ends on the last whole tile row; a sheet shorter than
// one view stays at the top.
void scrolltiles(int direction)
{
    if (direction == SCROLLUP) {
        tstop -= SCROLLROWS;
        if (tstop < 0)
            tstop = 0;
    } else if (direction == SCROLLDOWN) {
        tstop += SCROLLROWS;
        if (tstop + VIEWROWS > tsrows)
            tstop = tsrows - VIEWROWS;
        if (tstop < 0)
            tstop = 0;
    }
}
