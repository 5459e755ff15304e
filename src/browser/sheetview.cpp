// The browser's drawing: the sheet view, the info panel beside it, and
// the marks on the selected tiles.
#include "vorludit.h"
#include <cstring>

static const int VIEWW = SHEETW; // sheet view width in base pixels
static const int VIEWH = VIEWROWS * TILE; // and height: 352
static const int BANDROWS = 8; // base rows the view draws at once: a word per column
static const int MARKERX = 0, MARKERY = 64; // the selection marker in the GUI graphics
static const int SELECTIONY = 48; // the info panel's lines about the selection, 8 apart

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
template <int Z> static void drawpairs(const unsigned char* top, const Uint32* colours)
{
    struct pair {
        Uint16 pixel[2 * Z];
    };
    pair pairs[256];
    for (int i = 0; i < 256; i++) {
        for (int l = 0; l < Z; l++) {
            pairs[i].pixel[l] = (Uint16)colours[i & 15];
            pairs[i].pixel[Z + l] = (Uint16)colours[i >> 4];
        }
    }
    const Uint64 nibbles = 0x0f0f0f0f0f0f0f0fULL;
    int pitch = screen->pitch;
    for (int r0 = 0; r0 < VIEWH; r0 += BANDROWS) {
        if (clippedrows(r0 * Z, (r0 + BANDROWS) * Z))
            continue;
        Uint8* band = (Uint8*)screen->pixels + r0 * Z * pitch;
        for (int c = 0; c < VIEWW; c += 2) {
            Uint64 left, right;
            memcpy(&left, top + c * SHEETH + r0, BANDROWS);
            memcpy(&right, top + (c + 1) * SHEETH + r0, BANDROWS);
            Uint64 both = (SDL_SwapLE64(left) & nibbles) | (SDL_SwapLE64(right) & nibbles) << 4;
            Uint8* out = band + c * Z * SCREENBYTES;
            for (int k = 0; k < BANDROWS; k++)
                memcpy(out + k * Z * pitch, &pairs[(both >> 8 * k) & 255], sizeof(pair));
        }
        for (int k = 0; k < BANDROWS; k++)
            for (int l = 1; l < Z; l++)
                memcpy(band + (k * Z + l) * pitch, band + k * Z * pitch, VIEWW * Z * SCREENBYTES);
    }
}

// The sheet view at a zoom above 4, where the copying costs more than
// working out the pixels.
static void drawsheetrows(int zoom, const unsigned char* top, const Uint32* colours)
{
    Uint32 row[VIEWW];
    for (int r = 0; r < VIEWH; r++) {
        for (int c = 0; c < VIEWW; c++)
            row[c] = colours[top[c * SHEETH + r]];
        drawbaserow(zoom, 0, r, row, VIEWW);
    }
}

void drawsheetview(const scene* s)
{
    Uint32 colours[16];
    mappalette(s, colours);
    const unsigned char* top = s->sheet + s->toprow * TILE;
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    if (s->zoom == 1)
        drawpairs<1>(top, colours);
    else if (s->zoom == 2)
        drawpairs<2>(top, colours);
    else if (s->zoom == 3)
        drawpairs<3>(top, colours);
    else if (s->zoom == 4)
        drawpairs<4>(top, colours);
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    if (s->zoom > 4)
        drawsheetrows(s->zoom, top, colours);
}

// Where the pointer is, and the selection's place and size.
void drawbrowserinfo(const scene* s)
{
    int z = s->zoom;
    if (s->pointerx >= VIEWW) {
        settext("X:-, Y:-, tile:-");
    } else {
        int column = s->pointerx / TILE;
        int row = s->pointery / TILE + s->toprow;
        settext("X:");
        addnumber(column);
        addtext(", Y:");
        addnumber(row);
        addtext(", tile:");
        addnumber(row * SHEETCOLS + column);
    }
    drawstring(z, INFOX * z, INFOY * z, textbuf);
    if (s->selw <= 0)
        return;
    drawstring(z, INFOX * z, SELECTIONY * z, "tile area");
    settext("X:");
    addnumber(s->selx);
    addtext(", Y:");
    addnumber(s->sely);
    drawstring(z, INFOX * z, (SELECTIONY + GLYPH) * z, textbuf);
    settext("width:");
    addnumber(s->selw);
    addtext(", height:");
    addnumber(s->selh);
    drawstring(z, INFOX * z, (SELECTIONY + 2 * GLYPH) * z, textbuf);
}

// Selected tiles scrolled out of view are not marked; the selection stays.
void drawselectionmarks(const scene* s)
{
    int edge = TILE * s->zoom;
    for (int i = 0; i < s->selh; i++) {
        int row = s->sely + i;
        if (row < s->toprow || row >= s->toprow + VIEWROWS)
            continue;
        for (int j = 0; j < s->selw; j++) {
            SDL_Rect marker = { (Sint16)(MARKERX * s->zoom), (Sint16)(MARKERY * s->zoom),
                (Uint16)edge, (Uint16)edge };
            SDL_Rect at
                = { (Sint16)((s->selx + j) * edge), (Sint16)((row - s->toprow) * edge), 0, 0 };
            SDL_BlitSurface(guigfx, &marker, screen, &at);
        }
    }
}
