// The tile editor's drawing: the palette strip and the preview of the
// edit grid repeated against itself.
#include "vorludit.h"
#include <cstring>

void drawpalettestrip(const scene* s)
{
    Uint32 colours[16];
    mappalette(s, colours);
    for (int i = 0; i < 16; i++) {
        SDL_Rect swatch = { (Sint16)((STRIPX0 + SWATCHW * i) * s->zoom), 0,
            (Uint16)(SWATCHW * s->zoom), (Uint16)(STRIPY * s->zoom) };
        SDL_FillRect(screen, &swatch, colours[i]);
    }
}

// The first n base pixels of the preview rows of grid row gy: each grid
// pixel repeated by the magnification.
static void spreadrow(const scene* s, Uint32* row, const Uint32* colours, int gy, int n)
{
    int c = 0;
    for (int gx = 0; c < n; gx++) {
        Uint32 v = colours[s->grid[gx * GRIDSIZE + gy]];
        for (int e = 0; e < s->magnification && c < n; e++)
            row[c++] = v;
    }
}

// Copies the first periodbytes of a preview row, drawn from line on, along
// the rest of it, in each of its screen rows.
static void repeatacross(int zoom, Uint8* line, size_t periodbytes, size_t rowbytes)
{
    for (int k = 0; k < zoom; k++) {
        Uint8* out = line + k * screen->pitch;
        for (size_t done = periodbytes; done < rowbytes; done *= 2)
            memcpy(out + done, out, done < rowbytes - done ? done : rowbytes - done);
    }
}

// Every preview base pixel shows the grid pixel that painting there would
// change: the same division and modulo as editorpaint. So a row repeats
// across every gw * magnification base pixels, the rows repeat down every
// gh * magnification, and each run of magnification rows is alike: only
// the first period of a row is worked out, the rest is copied from screen
// pixels drawn above in this frame, or worked out too where those lie
// outside the screen's clip rows.
void drawpreview(const scene* s)
{
    Uint32 colours[16];
    int gw = s->selw * TILE, gh = s->selh * TILE, z = s->zoom, m = s->magnification;
    if (gw <= 0 || gh <= 0 || s->previeww < 1)
        return;
    mappalette(s, colours);
    int left = s->previewx, top = s->previewy;
    int across = atmost(gw * m, s->previeww);
    int down = gh * m;
    size_t periodbytes = (size_t)across * z * SCREENBYTES;
    size_t rowbytes = (size_t)s->previeww * z * SCREENBYTES;
    int pitch = screen->pitch;
    Uint32 row[PREVIEWW];
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    Uint8* first = (Uint8*)screen->pixels + top * z * pitch + left * z * SCREENBYTES;
    for (int r = 0; r < s->previewh; r++) {
        if (clippedrows((top + r) * z, (top + r + 1) * z))
            continue;
        Uint8* line = first + r * z * pitch;
        int from = r >= down ? r - down : r % m != 0 ? r - 1 : -1;
        if (from >= 0 && !clippedrows((top + from) * z, (top + from + 1) * z)) {
            for (int k = 0; k < z; k++)
                memcpy(line + k * pitch, line + k * pitch - (r - from) * z * pitch, rowbytes);
            continue;
        }
        spreadrow(s, row, colours, r % down / m, across);
        drawbaserow(z, left, top + r, row, across);
        repeatacross(z, line, periodbytes, rowbytes);
    }
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
}
