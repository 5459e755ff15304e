// What a frame is drawn from, and the frame drawn from it: the grey
// background, then the browser or the editor, the message, the pointer.
#include "vorludit.h"
#include <cstring>

static const Uint8 BACKGROUNDGREY = 215;

// The one place where the program's state becomes what a frame shows. The
// drawing reads nothing else, so nothing it shows can change unseen by the
// change tracking, which compares scenes whole.
void takescene(scene* s)
{
    s->mode = mode;
    s->zoom = zoom;
    s->colour = currentcolour;
    s->toprow = toprow;
    s->selx = selx;
    s->sely = sely;
    s->selw = selw;
    s->selh = selh;
    s->magnification = magnification;
    s->previewx = layoutx + PREVIEWX;
    s->previewy = layouty + PREVIEWY;
    s->previeww = layoutw;
    s->previewh = layouth;
    s->messageshown = messageframes != 0;
    s->messagelength = messagelength;
    memcpy(s->message, messagetext, sizeof s->message);
    memcpy(s->palette, palette, sizeof s->palette);
    memcpy(s->sheet, sheetpixels, sizeof s->sheet);
    s->pointerx = pointerx;
    s->pointery = pointery;
    memcpy(s->grid, grid, sizeof s->grid);
}

// Grey over bw x bh base pixels from (bx, by). Written through the same
// row writer as the drawing: SDL's own fill writes past the cache, and the
// drawing and presenting that follow then fetch those lines back.
static void fillgrey(const scene* s, int bx, int by, int bw, int bh)
{
    Uint32 row[WINDOWW];
    Uint32 grey = SDL_MapRGB(screen->format, BACKGROUNDGREY, BACKGROUNDGREY, BACKGROUNDGREY);
    for (int i = 0; i < bw; i++)
        row[i] = grey;
    for (int r = by; r < by + bh; r++)
        drawbaserow(s->zoom, bx, r, row, bw);
}

// The grey background. The sheet view, and the editor's preview when
// there is a selection, paint every pixel of their rectangle in this
// frame anyway, so the grey only goes around it.
static void clearbackground(const scene* s)
{
    int x = 0, y = 0, w = 0, h = 0; // the rectangle in base pixels
    if (s->mode == BROWSING) {
        w = SHEETW;
        h = VIEWROWS * TILE;
    } else if (s->mode == EDITING && s->selw > 0 && s->selh > 0) {
        x = s->previewx;
        y = s->previewy;
        w = s->previeww;
        h = s->previewh;
    }
    fillgrey(s, 0, 0, WINDOWW, y); // above
    fillgrey(s, 0, y + h, WINDOWW, WINDOWH - y - h); // below
    fillgrey(s, 0, y, x, h); // left
    fillgrey(s, x + w, y, WINDOWW - x - w, h); // right
}

void drawframe(const scene* s)
{
    clearbackground(s);
    if (s->mode == BROWSING) {
        drawsheetview(s);
        drawbrowserinfo(s);
        drawselectionmarks(s);
    } else if (s->mode == EDITING) {
        drawpalettestrip(s);
        drawpreview(s);
    }
    if (s->messageshown)
        drawmessage(s);
    drawpointer(s);
}
