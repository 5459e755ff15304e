// Drawing primitives: the GUI graphics enlarged once at start-up, the row
// writer the sheet view's edges, the background and the preview draw
// through, and the software pointer.
#include "vorludit.h"
#include <cstring>

// Nearest-neighbour enlargement by zoom into a 32-bit surface. The source
// is first blitted once into a surface of the target's format, which
// converts every pixel just as a blit into the target would; then each
// pixel is repeated. Returns 0 when there is no memory for that.
int zoomgraphic(SDL_Surface* from, SDL_Surface* to, int zoom)
{
    SDL_PixelFormat* f = to->format;
    SDL_Surface* conv = SDL_CreateRGBSurface(
        SDL_SWSURFACE, from->w, from->h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (conv == NULL || SDL_BlitSurface(from, NULL, conv, NULL) < 0) {
        SDL_FreeSurface(conv);
        return 0;
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
    return 1;
}

// The pointer: '#' black, 'o' the current colour, '.' not drawn. The hot
// spot is the top-left cell.
static const int POINTERSIZE = 8;
static const char* const POINTERSHAPE[POINTERSIZE] = {
    "####....",
    "#ooo##..",
    "#ooooo#.",
    "#oooooo#",
    ".#oooo#.",
    ".#ooooo#",
    "..#o#oo#",
    "...#.##.",
};

void drawpointer(const scene* s)
{
    const unsigned char* c = s->palette[s->colour];
    Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    Uint32 colour = SDL_MapRGB(screen->format, c[0], c[1], c[2]);
    for (int r = 0; r < POINTERSIZE; r++) {
        for (int x = 0; x < POINTERSIZE; x++) {
            char cell = POINTERSHAPE[r][x];
            if (cell == '.')
                continue;
            SDL_Rect pixel = { (Sint16)((s->pointerx + x) * s->zoom),
                (Sint16)((s->pointery + r) * s->zoom), (Uint16)s->zoom, (Uint16)s->zoom };
            SDL_FillRect(screen, &pixel, cell == '#' ? black : colour);
        }
    }
}

// The sheet's 16 colours in the screen's pixel format, mapped afresh for
// every frame so a reloaded palette shows at once.
void mappalette(const scene* s, Uint32* colours)
{
    for (int i = 0; i < 16; i++)
        colours[i]
            = SDL_MapRGB(screen->format, s->palette[i][0], s->palette[i][1], s->palette[i][2]);
}

// Each colour repeated Z times; a fixed Z lets the compiler write whole
// vectors at a time.
template <int Z> static void expandrow(Uint16* out, const Uint32* colours, int n)
{
    for (int i = 0; i < n; i++)
        for (int l = 0; l < Z; l++)
            out[i * Z + l] = (Uint16)colours[i];
}

static void writerow(int zoom, Uint8* line, const Uint32* colours, int n)
{
    Uint16* out = (Uint16*)line;
    if (zoom == 1) {
        expandrow<1>(out, colours, n);
    } else if (zoom == 2) {
        expandrow<2>(out, colours, n);
    } else {
        for (int i = 0; i < n; i++) {
            Uint16 v = (Uint16)colours[i];
            for (int l = 0; l < zoom; l++)
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
void drawbaserow(int zoom, int bx, int by, const Uint32* colours, int n)
{
    int x0 = bx * zoom, y0 = by * zoom;
    if (bx < 0 || by < 0 || x0 >= screen->w || y0 >= screen->h || clippedrows(y0, y0 + zoom))
        return;
    if ((bx + n) * zoom > screen->w)
        n = screen->w / zoom - bx;
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    Uint8* first = (Uint8*)screen->pixels + y0 * screen->pitch + x0 * SCREENBYTES;
    writerow(zoom, first, colours, n);
    int rows = atmost(zoom, screen->h - y0);
    for (int k = 1; k < rows; k++)
        memcpy(first + k * screen->pitch, first, (size_t)n * zoom * SCREENBYTES);
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
}
