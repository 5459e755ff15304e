// vorludit: a small editor for 16-colour tile sheets.
//
// The whole program shares one set of plain variables. Each is defined,
// with its initial value, in the one source file named above its group;
// that file's reset function puts it back to that value, and resetstate()
// runs them all.
#ifndef VORLUDIT_H
#define VORLUDIT_H

#include "sheetfile.h" // the sheet's geometry, its file format and its save
#include <SDL.h>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

// ---- Geometry and timing -------------------------------------------------

const int FRAMEMS = 30; // frame period in milliseconds
const int WINDOWW = 400; // window size in base pixels
const int WINDOWH = 352;
const int MESSAGEFRAMES = 30; // frames a status message stays on show
const int VIEWROWS = 22; // tile rows the browser shows at once
const int SCROLLROWS = 5; // tile rows one Up or Down press scrolls
const int MAXSEL = 8; // largest selection edge in tiles
const int GRIDSIZE = MAXSEL * TILE; // edit grid edge in pixels: 128
const int UNDOMAX = 10000; // undo entries the stack holds
const int TEXTMAX = 100; // text buffer size, terminator included
const int GLYPH = 8; // glyph edge in base pixels
const int STRIPY = 16; // height of the editor's palette strip
const int STRIPX0 = 8; // left edge of the palette strip
const int SWATCHW = 24; // width of one swatch in the strip
const int PREVIEWX = 8; // origin of the editor's preview frame
const int PREVIEWY = 24;
const int PREVIEWW = 384; // largest preview area
const int PREVIEWH = 320;
const int INFOX = 224; // left edge of the browser's info texts
const int INFOY = 16; // top of its line that says where the pointer is

inline int atmost(int v, int cap) { return v > cap ? cap : v; }

// ---- src/shell/state.cpp: window, mode, pointer, keys --------------------

extern int swidth, sheight; // window size in base pixels
extern int zoom; // screen pixels per base pixel, 1..9
extern int episode; // sheet number 1..3: picks the file name
extern int mode; // 0 = sheet browser, 1 = tile editor
extern int curcol; // current palette index
extern int pointerx, pointery; // pointer position in base pixels
extern int leftbuttondown, rightbuttondown;
extern Uint32 next_time; // tick at which the next frame is due
extern int quitting; // set by a window close request
extern int insdl; // 1 while SDL pumps events or presents
extern SDL_Surface* screen;
extern SDL_Surface* loadguigfx;
extern SDL_Surface* guigfx;
extern SDL_Rect src, dst; // scratch rectangles for all drawing
extern int keyuptime, keydowntime, keylctrltime, keyreturntime;
extern int key1time, key2time, key3time, key4time;
extern int keyatime, keystime, keyztime, keyf4time, keyf5time, keyescapetime;

void resetstate(); // every variable back to its initial value
void resetshell();

// ---- src/shell/startup.cpp -----------------------------------------------

int rann(int n);
int readargs(int argc, char* argv[]);
void readsettings();
void initeditor();
void startvideo();
void loadgui();
int SDL_main(int argc, char* argv[]);

// ---- src/shell/frame.cpp -------------------------------------------------

void handleevent(const SDL_Event* e);
void handleevents();
void handlekeys(const Uint8* keys);
void drawframe();
void runframe();
Uint32 ticksleft(Uint32 due, Uint32 now);
Uint32 time_left();
void pointandclick(int x, int y, int button);

// ---- src/sheet/sheet.cpp: the sheet store and its file -------------------

extern unsigned char img[SHEETW * SHEETH]; // column-major: (x, y) at x*848 + y
extern unsigned char pal[16][3]; // R, G, B
extern int imgw, imgh; // sheet size in pixels
extern int tsrows; // whole tile rows: imgh / 16
extern int sheetlocked; // 1 after an existing sheet failed to load
extern char namedsheet[NAME_MAX + 1]; // the sheet named on the command line; "" picks by episode

void resetsheet();
void commitsheet(const sheetimage* s); // a decoded sheet into img, pal, imgh
const char* sheetname(); // the file name of the sheet being edited
void loadtiles();
void savetiles();

// ---- src/output/text.cpp: text buffer, glyphs, messages ------------------

extern char outbuf[TEXTMAX];
extern int outbuflen;
extern char mesbuf[TEXTMAX];
extern int mesbuflen;
extern int messagetime;

void resettext();
void initoutbuf(const char* text);
void addoutbuf(const char* text);
void numoutbuf(int n);
void drawstring(int x, int y, const char* text);
void message(int frames);
void drawmessage();

// ---- src/output/gfx.cpp: GUI graphics, pointer, pixel rows ---------------

extern const unsigned char pgfx[8 * 8];

void zoomgraphic(SDL_Surface* from, SDL_Surface* to);
void drawpointer();
void mappalette(Uint32* colours);
int clippedrows(int y0, int y1);
void drawbaserow(int bx, int by, const Uint32* colours, int n);

// ---- src/browser/browser.cpp: the sheet browser ---------------------------

extern int tstop; // first tile row in view
extern int tsselx, tssely; // selection's top-left tile
extern int tsselw, tsselh; // selection size in tiles, 0 = none

void resetbrowser();
void drawtileset();
void drawtileselect();
void browserclick(int x, int y, int button);
void scrolltiles(int direction);

// ---- src/editor/editor.cpp: edit grid, painting, undo ---------------------

struct pixentry {
    unsigned char x, y, colour;
};

extern unsigned char grid[GRIDSIZE * GRIDSIZE]; // (x, y) at x*128 + y
extern pixentry pixbuf[UNDOMAX];
extern int pblen, pbpos;

void reseteditor();
void openeditor();
void savegrid();
void editorclick(int x, int y, int button);
void editorpaint(int x, int y, int button);
void clearpixbuf();
void storepixbuf(int x, int y, int colour);
void undopixbuf();

// ---- src/editor/views.cpp: preview layouts and palette strip --------------

extern int view; // preview layout 1..4
extern int ezoom; // preview magnification 1..8
extern int viewx, viewy, vieww, viewh; // preview area, from (8, 24)

void resetviews();
void setview(int n);
void draweditor();
void drawgrid();

#endif
