// The tile editor's edit grid: opening and writing back the selection,
// painting, colour picks from the strip, and undo of single pixels.
#include "vorludit.h"
#include <cstring>

unsigned char grid[GRIDSIZE * GRIDSIZE];
undoentry undostack[UNDOMAX];
int undodepth;

void reseteditor()
{
    memset(grid, 0, sizeof grid);
    memset(undostack, 0, sizeof undostack);
    undodepth = 0;
}

static void clearundo() { undodepth = 0; }

// A full stack drops the entry: the change still happens, but cannot be
// undone.
static void pushundo(int x, int y, int colour)
{
    if (undodepth == UNDOMAX)
        return;
    undoentry* e = &undostack[undodepth++];
    e->x = (unsigned char)x;
    e->y = (unsigned char)y;
    e->colour = (unsigned char)colour;
}

void undolast()
{
    if (undodepth == 0)
        return;
    const undoentry* e = &undostack[--undodepth];
    grid[e->x * GRIDSIZE + e->y] = e->colour;
}

void openeditor()
{
    for (int y = 0; y < selh * TILE; y++)
        for (int x = 0; x < selw * TILE; x++)
            grid[x * GRIDSIZE + y] = sheetpixels[(selx * TILE + x) * SHEETH + sely * TILE + y];
    setlayout(layout);
    clearundo();
    mode = EDITING;
}

void writegridback()
{
    for (int y = 0; y < selh * TILE; y++)
        for (int x = 0; x < selw * TILE; x++)
            sheetpixels[(selx * TILE + x) * SHEETH + sely * TILE + y] = grid[x * GRIDSIZE + y];
    mode = BROWSING;
}

// The modulo maps every repeated copy in the preview onto the one grid,
// so painting any copy paints them all. The right button paints the
// colour 8 further along the palette.
static void editorpaint(int x, int y, int button)
{
    int left = layoutx + PREVIEWX, topy = layouty + PREVIEWY;
    if (selw <= 0 || selh <= 0)
        return;
    if (x < left || y < topy || x >= left + layoutw || y >= topy + layouth)
        return;
    int gx = ((x - left) / magnification) % (selw * TILE);
    int gy = ((y - topy) / magnification) % (selh * TILE);
    int colour = (button == RIGHTBUTTON ? currentcolour + 8 : currentcolour) % 16;
    unsigned char* pixel = &grid[gx * GRIDSIZE + gy];
    if (*pixel == colour)
        return;
    pushundo(gx, gy, *pixel);
    *pixel = (unsigned char)colour;
}

// Below the strip paints; on the strip picks the swatch under the pointer.
void editorclick(int x, int y, int button)
{
    if (y > STRIPY - 1) {
        editorpaint(x, y, button);
        return;
    }
    if (x >= STRIPX0 && x < STRIPX0 + 16 * SWATCHW)
        currentcolour = (x - STRIPX0) / SWATCHW;
}
