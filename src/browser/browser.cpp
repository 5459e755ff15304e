// The sheet browser: the sheet view, the info panel, scrolling, and the
// tile selection.
#include "vorludit.h"

int tstop;
int tsselx, tssely;
int tsselw, tsselh;

static const int VIEWW = SHEETW;           // sheet view width in base pixels
static const int VIEWH = VIEWROWS * TILE;  // and height: 352

void resetbrowser()
{
    tstop = 0;
    tsselx = tssely = 0;
    tsselw = tsselh = 0;
}

static void drawsheetview()
{
    Uint32 colours[16];
    Uint32 row[VIEWW];
    mappalette(colours);
    const unsigned char *top = img + tstop * TILE;
    for (int r = 0; r < VIEWH; r++) {
        for (int c = 0; c < VIEWW; c++)
            row[c] = colours[top[c * SHEETH + r]];
        drawbaserow(0, r, row, VIEWW);
    }
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
    drawstring(INFOX * zoom, 16 * zoom, outbuf);
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
