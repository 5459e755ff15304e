// The tile editor's edit grid: opening and writing back the selection,
// painting, colour picks from the strip, and undo.
#include "vorludit.h"
#include <cstring>

unsigned char grid[GRIDSIZE * GRIDSIZE];
pixentry pixbuf[UNDOMAX];
int pblen, pbpos = -1;

void reseteditor()
{
    memset(grid, 0, sizeof grid);
    memset(pixbuf, 0, sizeof pixbuf);
    pblen = 0;
    pbpos = -1;
}

void openeditor()
{
    for (int y = 0; y < tsselh * TILE; y++)
        for (int x = 0; x < tsselw * TILE; x++)
            grid[x * GRIDSIZE + y] = img[(tsselx * TILE + x) * SHEETH + tssely * TILE + y];
    setview(view);
    clearpixbuf();
    mode = EDITING;
}

void savegrid()
{
    for (int y = 0; y < tsselh * TILE; y++)
        for (int x = 0; x < tsselw * TILE; x++)
            img[(tsselx * TILE + x) * SHEETH + tssely * TILE + y] = grid[x * GRIDSIZE + y];
    mode = BROWSING;
}

// Below the strip paints; on the strip picks the swatch under the pointer.
void editorclick(int x, int y, int button)
{
    if (y > STRIPY - 1) {
        editorpaint(x, y, button);
        return;
    }
    if (x >= STRIPX0 && x < STRIPX0 + 16 * SWATCHW)
        curcol = (x - STRIPX0) / SWATCHW;
}

// The modulo maps every repeated copy in the preview onto the one grid,
// so painting any copy paints them all. The right button paints the
// colour 8 further along the palette.
void editorpaint(int x, int y, int button)
{
    int left = viewx + PREVIEWX, topy = viewy + PREVIEWY;
    if (tsselw <= 0 || tsselh <= 0)
        return;
    if (x < left || y < topy || x >= left + vieww || y >= topy + viewh)
        return;
    int gx = ((x - left) / ezoom) % (tsselw * TILE);
    int gy = ((y - topy) / ezoom) % (tsselh * TILE);
    int colour = (button == RIGHTBUTTON ? curcol + 8 : curcol) % 16;
    unsigned char* pixel = &grid[gx * GRIDSIZE + gy];
    if (*pixel == colour)
        return;
    storepixbuf(gx, gy, *pixel);
    *pixel = (unsigned char)colour;
}

void clearpixbuf()
{
    pblen = 0;
    pbpos = -1;
}

// A full stack drops the entry: the change still happens, but cannot be
// undone.
void storepixbuf(int x, int y, int colour)
{
    if (pblen > UNDOMAX - 1)
        return;
    pbpos++;
    pblen++;
    pixbuf[pbpos].x = (unsigned char)x;
    pixbuf[pbpos].y = (unsigned char)y;
    pixbuf[pbpos].colour = (unsigned char)colour;
}

void undopixbuf()
{
    if (pblen <= 0)
        return;
    const pixentry* e = &pixbuf[pbpos];
    grid[e->x * GRIDSIZE + e->y] = e->colour;
    pbpos--;
    pblen--;
}
