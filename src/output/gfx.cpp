// GUI graphics enlargement, the software pointer, and the row writer that
// the editor preview draws through (and the sheet view, where it cannot
// write the screen directly).
#include "vorludit.h"
#include <cstring>

// Pointer shape: 0 transparent, 1 black, 2 the current colour. The hot
// spot is the top-left cell.
const unsigned char pgfx[8 * 8] = {
    1,
    1,
    1,
    1,
    0,
    0,
    0,
    0,
    1,
    2,
    2,
    2,
    1,
    1,
    0,
    0,
    1,
    2,
    2,
    2,
    2,
    2,
    1,
    0,
    1,
    2,
    2,
    2,
    2,
    2,
    2,
    1,
    0,
    1,
    2,
    2,
    2,
    2,
    1,
    0,
    0,
    1,
    2,
    2,
    2,
    2,
    2,
    1,
    0,
    0,
    1,
    2,
    1,
    2,
    2,
    1,
    0,
    0,
    0,
    1,
    0,
    1,
    1,
    0,
};

// One single-pixel blit per target pixel; kept for targets the fast path
// cannot convert into.
static void zoombyblits(SDL_Surface* from, SDL_Surface* to)
{
    src.w = src.h = 1;
    for (int y = 0; y < from->h; y++) {
        for (int x = 0; x < from->w; x++) {
            src.x = (Sint16)x;
            src.y = (Sint16)y;
            for (int k = 0; k < zoom; k++) {
                for (int l = 0; l < zoom; l++) {
                    dst.x = (Sint16)(x * zoom + l);
                    dst.y = (Sint16)(y * zoom + k);
                    SDL_BlitSurface(from, &src, to, &dst);
                }
            }
        }
    }
}

// Nearest-neighbour enlargement by zoom. The source is first blitted once
// into a surface of the target's format, which converts every pixel just
// as a blit into the target would; then each pixel is repeated.
void zoomgraphic(SDL_Surface* from, SDL_Surface* to)
{
    SDL_PixelFormat* f = to->format;
    SDL_Surface* conv = SDL_CreateRGBSurface(
        SDL_SWSURFACE, from->w, from->h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (conv == NULL || f->BytesPerPixel != 4 || SDL_BlitSurface(from, NULL, conv, NULL) < 0) {
        if (conv != NULL)
            SDL_FreeSurface(conv);
        zoombyblits(from, to);
        return;
    }
    SDL_LockSurface(conv);
    SDL_LockSurface(to);
    for (int y = 0; y < from->h; y++) {
        const Uint32* in = (const Uint32*)((const Uint8*)conv->pixels + y * conv->pitch);
        Uint8* first = (Uint8*)to->pixels + y * zoom * to->pitch;
        Uint32* out = (Uint32*)first;
        for (int x = 0; x < from->w; x++)
            for (int l = 0; l < zoom; l++)
                *out++ = in[x];
        for (int k = 1; k < zoom; k++)
            memcpy(first + k * to->pitch, first, (size_t)to->w * 4);
    }
    SDL_UnlockSurface(to);
    SDL_UnlockSurface(conv);
    SDL_FreeSurface(conv);
}

void drawpointer()
{
    Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    Uint32 colour = SDL_MapRGB(screen->format, pal[curcol][0], pal[curcol][1], pal[curcol][2]);
    for (int r = 0; r < 8; r++) {
        for (int c = 0; c < 8; c++) {
            int v = pgfx[r * 8 + c];
            if (v == 0)
                continue;
            src.x = (Sint16)((pointerx + c) * zoom);
            src.y = (Sint16)((pointery + r) * zoom);
            src.w = src.h = (Uint16)zoom;
            SDL_FillRect(screen, &src, v == 1 ? black : colour);
        }
    }
}

// The sheet's 16 colours in the screen's pixel format, mapped afresh for
// every frame so a reloaded palette shows at once.
void mappalette(Uint32* colours)
{
    for (int i = 0; i < 16; i++)
        colours[i] = SDL_MapRGB(screen->format, pal[i][0], pal[i][1], pal[i][2]);
}

// Each colour repeated Z times; a fixed Z lets the compiler write whole
// vectors at a time.
template <typename P, int Z> static void expandrow(P* out, const Uint32* colours, int n)
{
    for (int i = 0; i < n; i++)
        for (int l = 0; l < Z; l++)
            out[i * Z + l] = (P)colours[i];
}

template <typename P> static void writerow(Uint8* line, const Uint32* colours, int n)
{
    P* out = (P*)line;
    int z = zoom;
    if (z == 1) {
        expandrow<P, 1>(out, colours, n);
    } else if (z == 2) {
        expandrow<P, 2>(out, colours, n);
    } else {
        for (int i = 0; i < n; i++) {
            P v = (P)colours[i];
            for (int l = 0; l < z; l++)
                *out++ = v;
        }
    }
}

// Whether screen rows [y0, y1) lie outside the screen's clip rectangle.
// Like SDL's own fills and blits, the writers here draw nothing outside
// it; a frame that redraws only some rows clips to whole rows, so only
// the rows are looked at.
int clippedrows(int y0, int y1)
{
    return y1 <= screen->clip_rect.y || y0 >= screen->clip_rect.y + screen->clip_rect.h;
}

// Draws n base pixels of one base row, starting at base pixel (bx, by):
// the same pixels as one zoom x zoom fill per base pixel, written as one
// screen row that is then copied down.
void drawbaserow(int bx, int by, const Uint32* colours, int n)
{
    int bpp = screen->format->BytesPerPixel;
    int x0 = bx * zoom, y0 = by * zoom;
    if (bx < 0 || by < 0 || x0 >= screen->w || y0 >= screen->h || clippedrows(y0, y0 + zoom))
        return;
    if ((bx + n) * zoom > screen->w)
        n = screen->w / zoom - bx;
    if (bpp != 2 && bpp != 4) {
        for (int i = 0; i < n; i++) {
            src.x = (Sint16)((bx + i) * zoom);
            src.y = (Sint16)y0;
            src.w = src.h = (Uint16)zoom;
            SDL_FillRect(screen, &src, colours[i]);
        }
        return;
    }
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    Uint8* first = (Uint8*)screen->pixels + y0 * screen->pitch + x0 * bpp;
    if (bpp == 2)
        writerow<Uint16>(first, colours, n);
    else
        writerow<Uint32>(first, colours, n);
    int rows = zoom;
    if (y0 + rows > screen->h)
        rows = screen->h - y0;
    for (int k = 1; k < rows; k++)
        memcpy(first + k * screen->pitch, first, (size_t)n * zoom * bpp);
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
}
