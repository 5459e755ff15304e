// Texts: one composition buffer, the bitmap font, and the status message.
#include "vorludit.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

char textbuf[TEXTMAX];
static int textlen;
char messagetext[TEXTMAX];
int messagelength;
int messageframes;

static const int DRAWMAX = 200; // longest text drawstring accepts

void resettext()
{
    memset(textbuf, 0, sizeof textbuf);
    textlen = 0;
    memset(messagetext, 0, sizeof messagetext);
    messagelength = 0;
    messageframes = 0;
}

static void textfailure(const char* line)
{
    printf("%s", line);
    exit(1);
}

void settext(const char* text)
{
    for (int i = 0;; i++) {
        if (i == TEXTMAX)
            textfailure("settext error: probably missing a 0 somewhere.\n");
        textbuf[i] = text[i];
        if (text[i] == 0) {
            textlen = i;
            return;
        }
    }
}

// textlen grows with i, so the full test also stops a text that never ends.
void addtext(const char* text)
{
    for (int i = 0;; i++) {
        if (textlen == TEXTMAX)
            textfailure("addtext error: full.\n");
        textbuf[textlen] = text[i];
        if (text[i] == 0)
            return;
        textlen++;
    }
}

void addnumber(int n)
{
    char digits[16];
    snprintf(digits, sizeof digits, "%d", n);
    addtext(digits);
}

// x and y are screen pixels. Magenta in a glyph is transparent. The font
// is 16 glyphs a row in the GUI graphics, in the order of their codes.
void drawstring(int zoom, int x, int y, const char* text)
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
        SDL_Rect glyph
            = { (Sint16)((c % 16) * cell), (Sint16)((c / 16) * cell), (Uint16)cell, (Uint16)cell };
        SDL_Rect at = { (Sint16)(x + i * cell), (Sint16)y, 0, 0 };
        SDL_BlitSurface(guigfx, &glyph, screen, &at);
    }
}

void showmessage(int frames)
{
    memcpy(messagetext, textbuf, TEXTMAX);
    messagelength = textlen;
    messageframes = frames;
}

// The message box, in base pixels: at the top left, its text with a
// margin of 4 all round, in a light peach.
static const int MESSAGEX = 8, MESSAGEY = 4, MESSAGEMARGIN = 4;
static const int MESSAGEH = GLYPH + 2 * MESSAGEMARGIN;
static const Uint8 MESSAGERGB[3] = { 255, 222, 200 };

void drawmessage(const scene* s)
{
    int z = s->zoom;
    SDL_Rect box = { (Sint16)(MESSAGEX * z), (Sint16)(MESSAGEY * z),
        (Uint16)((s->messagelength * GLYPH + 2 * MESSAGEMARGIN) * z), (Uint16)(MESSAGEH * z) };
    SDL_FillRect(
        screen, &box, SDL_MapRGB(screen->format, MESSAGERGB[0], MESSAGERGB[1], MESSAGERGB[2]));
    drawstring(z, (MESSAGEX + MESSAGEMARGIN) * z, (MESSAGEY + MESSAGEMARGIN) * z, s->message);
}
