// Texts: one composition buffer, the bitmap font, and the status message.
#include "vorludit.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

char outbuf[TEXTMAX];
int outbuflen;
char mesbuf[TEXTMAX];
int mesbuflen;
int messagetime;

static const int DRAWMAX = 200; // longest text drawstring accepts

void resettext()
{
    memset(outbuf, 0, sizeof outbuf);
    outbuflen = 0;
    memset(mesbuf, 0, sizeof mesbuf);
    mesbuflen = 0;
    messagetime = 0;
}

static void textfailure(const char* line)
{
    printf("%s", line);
    exit(1);
}

void initoutbuf(const char* text)
{
    for (int i = 0;; i++) {
        if (i == TEXTMAX)
            textfailure("initoutbuf error: probably missing a 0 somewhere.\n");
        outbuf[i] = text[i];
        if (text[i] == 0) {
            outbuflen = i;
            return;
        }
    }
}

// outbuflen grows with i, so the full test also stops a text that never ends.
void addoutbuf(const char* text)
{
    for (int i = 0;; i++) {
        if (outbuflen == TEXTMAX)
            textfailure("addoutbuf error: full.\n");
        outbuf[outbuflen] = text[i];
        if (text[i] == 0)
            return;
        outbuflen++;
    }
}

void numoutbuf(int n)
{
    char digits[16];
    snprintf(digits, sizeof digits, "%d", n);
    addoutbuf(digits);
}

// x and y are screen pixels. Magenta in a glyph is transparent.
void drawstring(int x, int y, const char* text)
{
    int cell = GLYPH * zoom;
    for (int i = 0;; i++) {
        if (i == DRAWMAX)
            textfailure("drawstring error: probably missing a 0 somewhere.\n");
        unsigned char c = (unsigned char)text[i];
        if (c == 0)
            return;
        if (c >= 128)
            continue; // the font has no glyphs past 7-bit ASCII
        src.x = (Sint16)((c % 16) * cell);
        src.y = (Sint16)((c / 16) * cell);
        src.w = src.h = (Uint16)cell;
        dst.x = (Sint16)(x + i * cell);
        dst.y = (Sint16)y;
        SDL_BlitSurface(guigfx, &src, screen, &dst);
    }
}

void message(int frames)
{
    memcpy(mesbuf, outbuf, TEXTMAX);
    mesbuflen = outbuflen;
    messagetime = frames;
}

// A box with 4 base pixels of margin around the text, top left.
void drawmessage()
{
    src.x = (Sint16)(8 * zoom);
    src.y = (Sint16)(4 * zoom);
    src.w = (Uint16)((mesbuflen * GLYPH + 8) * zoom);
    src.h = (Uint16)(16 * zoom);
    SDL_FillRect(screen, &src, SDL_MapRGB(screen->format, 255, 222, 200));
    drawstring(12 * zoom, 8 * zoom, mesbuf);
}
