// The editor's four preview layouts and its palette strip.
#include "vorludit.h"
#include <cstring>

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

// The first n base pixels of the preview rows of grid row gy: each grid
// pixel repeated ezoom times.
static void spreadrow(Uint32* row, const Uint32* colours, int gy, int n)
{
    int c = 0;
    for (int gx = 0; c < n; gx++) {
        Uint32 v = colours[grid[gx * GRIDSIZE + gy]];
        for (int e = 0; e < ezoom && c < n; e++)
            row[c++] = v;
    }
}

// Copies the first periodbytes of a preview row, drawn from line on, along
// the rest of it, in each of its screen rows.
static void repeatacross(Uint8* line, size_t periodbytes, size_t rowbytes)
{
    for (int k = 0; k < zoom; k++) {
        Uint8* out = line + k * screen->pitch;
        for (size_t done = periodbytes; done < rowbytes; done *= 2)
            memcpy(out + done, out, done < rowbytes - done ? done : rowbytes - done);
    }
}

// Every preview base pixel shows the grid pixel that painting there would
// change: the same division and modulo as editorpaint. So a row repeats
// across every gw * ezoom base pixels, the rows repeat down every
// gh * ezoom, and each run of ezoom rows is alike: only the first period
// of a row is worked out, the rest is copied from screen pixels drawn
// above in this frame, or worked out too where those lie outside the
// screen's clip rows.
void drawgrid()
{
    Uint32 colours[16];
    int gw = tsselw * TILE, gh = tsselh * TILE;
    if (gw <= 0 || gh <= 0)
        return;
    mappalette(colours);
    int left = viewx + PREVIEWX, top = viewy + PREVIEWY;
    int bpp = screen->format->BytesPerPixel;
    if (vieww < 1 || (left + vieww) * zoom > screen->w || (top + viewh) * zoom > screen->h)
        return;
    int across = atmost(gw * ezoom, vieww);
    int down = gh * ezoom;
    size_t periodbytes = (size_t)across * zoom * bpp, rowbytes = (size_t)vieww * zoom * bpp;
    int pitch = screen->pitch;
    Uint32 row[PREVIEWW];
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    Uint8* first = (Uint8*)screen->pixels + top * zoom * pitch + left * zoom * bpp;
    for (int r = 0; r < viewh; r++) {
        if (clippedrows((top + r) * zoom, (top + r + 1) * zoom))
            continue;
        Uint8* line = first + r * zoom * pitch;
        int from = r >= down ? r - down : r % ezoom != 0 ? r - 1 : -1;
        if (from >= 0 && !clippedrows((top + from) * zoom, (top + from + 1) * zoom)) {
            for (int k = 0; k < zoom; k++)
                memcpy(line + k * pitch, line + k * pitch - (r - from) * zoom * pitch, rowbytes);
            continue;
        }
        spreadrow(row, colours, r % down / ezoom, across);
        drawbaserow(left, top + r, row, across);
        repeatacross(line, periodbytes, rowbytes);
    }
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
}
