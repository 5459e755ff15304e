// The sheet browser: the sheet view, the info panel, scrolling, and the
// tile selection.
#include "vorludit.h"
#include <cstring>

int tstop;
int tsselx, tssely;
int tsselw, tsselh;

static const int VIEWW = SHEETW; // sheet view width in base pixels
static const int VIEWH = VIEWROWS * TILE; // and height: 352

void resetbrowser()
{
    tstop = 0;
    tsselx = tssely = 0;
    tsselw = tsselh = 0;
}

// The sheet view is drawn straight into the screen from the sheet as it
// lies in memory, a column at a time, rather than row by row through
// drawbaserow, which would read one byte of every column for each row.
// Every path below writes the same pixels as one zoom x zoom fill per
// base pixel.

// Two neighbouring columns at once: their colour indices make one byte
// that picks both colours, already repeated Z times, from a table of all
// 256 pairs. A band of 8 base rows is read a word of 8 rows per column and
// written column pair by column pair; then each of its screen rows is
// copied down Z - 1 times.
template <typename P, int Z> static void drawpairs(const unsigned char* top, const Uint32* colours)
{
    struct pair {
        P pixel[2 * Z];
    };
    pair pairs[256];
    for (int i = 0; i < 256; i++) {
        for (int l = 0; l < Z; l++) {
            pairs[i].pixel[l] = (P)colours[i & 15];
            pairs[i].pixel[Z + l] = (P)colours[i >> 4];
        }
    }
    const Uint64 nibbles = 0x0f0f0f0f0f0f0f0fULL;
    int pitch = screen->pitch;
    for (int r0 = 0; r0 < VIEWH; r0 += 8) {
        if (clippedrows(r0 * Z, (r0 + 8) * Z))
            continue;
        Uint8* band = (Uint8*)screen->pixels + r0 * Z * pitch;
        for (int c = 0; c < VIEWW; c += 2) {
            Uint64 left, right;
            memcpy(&left, top + c * SHEETH + r0, 8);
            memcpy(&right, top + (c + 1) * SHEETH + r0, 8);
            Uint64 both = (SDL_SwapLE64(left) & nibbles) | (SDL_SwapLE64(right) & nibbles) << 4;
            Uint8* out = band + c * Z * sizeof(P);
            for (int k = 0; k < 8; k++)
                memcpy(out + k * Z * pitch, &pairs[(both >> 8 * k) & 255], sizeof(pair));
        }
        for (int k = 0; k < 8; k++)
            for (int l = 1; l < Z; l++)
                memcpy(band + (k * Z + l) * pitch, band + k * Z * pitch, VIEWW * Z * sizeof(P));
    }
}

template <typename P> static bool drawpairsatzoom(const unsigned char* top, const Uint32* colours)
{
    switch (zoom) {
    case 1:
        drawpairs<P, 1>(top, colours);
        return true;
    case 2:
        drawpairs<P, 2>(top, colours);
        return true;
    case 3:
        drawpairs<P, 3>(top, colours);
        return true;
    case 4:
        drawpairs<P, 4>(top, colours);
        return true;
    default:
        return false; // larger zooms are bound by the copying anyway
    }
}

// The sheet view in a screen of an unusual format or at a large zoom.
static void drawsheetrows(const unsigned char* top, const Uint32* colours)
{
    Uint32 row[VIEWW];
    for (int r = 0; r < VIEWH; r++) {
        for (int c = 0; c < VIEWW; c++)
            row[c] = colours[top[c * SHEETH + r]];
        drawbaserow(0, r, row, VIEWW);
    }
}

static void drawsheetview()
{
    Uint32 colours[16];
    mappalette(colours);
    const unsigned char* top = img + tstop * TILE;
    int bpp = screen->format->BytesPerPixel;
    if ((bpp != 2 && bpp != 4) || VIEWW * zoom > screen->w || VIEWH * zoom > screen->h) {
        drawsheetrows(top, colours);
        return;
    }
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    bool drawn
        = bpp == 2 ? drawpairsatzoom<Uint16>(top, colours) : drawpairsatzoom<Uint32>(top, colours);
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    if (!drawn)
        drawsheetrows(top, colours);
}

static void drawinfo()
{
    if (pointerx >= VIEWW) {
        initoutbuf("X:-, Y:-, tile:-");
    } else {
        int column = pointerx / TILE;
        int row = pointery / TILE + tstop;
        initoutbuf("X:");
        numoutbuf(column);
        addoutbuf(", Y:");
        numoutbuf(row);
        addoutbuf(", tile:");
        numoutbuf(row * SHEETCOLS + column);
    }
    drawstring(INFOX * zoom, INFOY * zoom, outbuf);
    if (tsselw <= 0)
        return;
    drawstring(INFOX * zoom, 48 * zoom, "tile area");
    initoutbuf("X:");
    numoutbuf(tsselx);
    addoutbuf(", Y:");
    numoutbuf(tssely);
    drawstring(INFOX * zoom, 56 * zoom, outbuf);
    initoutbuf("width:");
    numoutbuf(tsselw);
    addoutbuf(", height:");
    numoutbuf(tsselh);
    drawstring(INFOX * zoom, 64 * zoom, outbuf);
}

void drawtileset()
{
    drawsheetview();
    drawinfo();
}

// Selected tiles scrolled out of view are not marked; the selection stays.
void drawtileselect()
{
    if (tsselw == 0)
        return;
    int edge = TILE * zoom;
    for (int i = 0; i < tsselh; i++) {
        int row = tssely + i;
        if (row < tstop || row >= tstop + VIEWROWS)
            continue;
        for (int j = 0; j < tsselw; j++) {
            src.x = 0;
            src.y = (Sint16)(64 * zoom);
            src.w = src.h = (Uint16)edge;
            dst.x = (Sint16)((tsselx + j) * edge);
            dst.y = (Sint16)((row - tstop) * edge);
            SDL_BlitSurface(guigfx, &src, screen, &dst);
        }
    }
}

// Left: a new 1 x 1 selection, or none right of the sheet. Right: stretch
// the selection from its fixed top-left tile, up to 8 x 8.
void browserclick(int x, int y, int button)
{
    if (x < 0 || y < 0 || y >= VIEWH)
        return;
    int column = x / TILE;
    int row = y / TILE + tstop;
    if (button == 0) {
        if (x >= VIEWW) {
            tsselw = tsselh = 0;
            return;
        }
        tsselx = column;
        tssely = row;
        tsselw = tsselh = 1;
        return;
    }
    if (button != 1 || tsselw <= 0 || x >= VIEWW)
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
    if (direction == 0) {
        tstop -= SCROLLROWS;
        if (tstop < 0)
            tstop = 0;
    } else if (direction == 2) {
        tstop += SCROLLROWS;
        if (tstop + VIEWROWS > tsrows)
            tstop = tsrows - VIEWROWS;
        if (tstop < 0)
            tstop = 0;
    }
}
