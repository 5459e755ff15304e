// The sheet browser's state: which tile rows are in view, and the tile
// selection the mouse makes.
#include "vorludit.h"

int toprow;
int selx, sely;
int selw, selh;

void resetbrowser()
{
    toprow = 0;
    selx = sely = 0;
    selw = selh = 0;
}

// Left: a new 1 x 1 selection, or none right of the sheet. Right: stretch
// the selection from its fixed top-left tile, up to 8 x 8.
void browserclick(int x, int y, int button)
{
    if (x < 0 || y < 0 || y >= VIEWROWS * TILE)
        return;
    int column = x / TILE;
    int row = y / TILE + toprow;
    if (button == LEFTBUTTON) {
        if (x >= SHEETW) {
            selw = selh = 0;
            return;
        }
        selx = column;
        sely = row;
        selw = selh = 1;
        return;
    }
    if (button != RIGHTBUTTON || selw <= 0 || x >= SHEETW)
        return;
    if (column >= selx && row >= sely && column < selx + MAXSEL && row < sely + MAXSEL) {
        selw = column - selx + 1;
        selh = row - sely + 1;
    }
}

// The last view ends on the last whole tile row; a sheet shorter than
// one view stays at the top.
void scrolltiles(int direction)
{
    if (direction == SCROLLUP) {
        toprow -= SCROLLROWS;
        if (toprow < 0)
            toprow = 0;
    } else if (direction == SCROLLDOWN) {
        toprow += SCROLLROWS;
        if (toprow + VIEWROWS > sheetrows)
            toprow = sheetrows - VIEWROWS;
        if (toprow < 0)
            toprow = 0;
    }
}
