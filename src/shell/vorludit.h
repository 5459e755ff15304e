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
const int MAXZOOM = 9; // largest window scale
const int DEFAULTZOOM = 2; // the window scale without settings
const int MAXMAGNIFICATION = 8; // largest preview magnification
const int SCREENBITS = 16; // the window's pixels, whatever the display's: SDL converts
const int SCREENBYTES = SCREENBITS / 8;

// The two modes, the mouse buttons a click is made with, and the ways the
// browser scrolls.
const int BROWSING = 0, EDITING = 1;
const int LEFTBUTTON = 0, RIGHTBUTTON = 1;
const int SCROLLUP = -1, SCROLLDOWN = 1;

inline int atmost(int v, int cap) { return v > cap ? cap : v; }

// ---- src/shell/state.cpp: window, mode, pointer, keys --------------------

extern int zoom; // screen pixels per base pixel, 1..9
extern int sheetnumber; // sheet number 1..3: picks the file name
extern int mode; // BROWSING or EDITING
extern int currentcolour; // current palette index
extern int pointerx, pointery; // pointer position in base pixels
extern int leftbuttondown, rightbuttondown;
extern int quitting; // set by a window close request
extern int insidesdl; // 1 while SDL pumps events or presents
extern SDL_Surface* screen; // the window's pixels

void resetstate(); // every variable back to its initial value

// ---- src/shell/startup.cpp: start-up ---------------------------------------

void initeditor(); // the start colour, the sheet to edit
int SDL_main(int argc, char* argv[]);

// ---- src/shell/commandline.cpp: the command line and settings -------------

// Moves to the folder to work in; 1 when it was just made for a menu start
// and wants a new sheet.
int readargs(int argc, char* argv[]);
void readsettings(); // the window scale

// ---- src/shell/video.cpp: the window ----------------------------------------

void startvideo();

// ---- src/output/guigraphics.cpp: font and marker ----------------------------

extern SDL_Surface* guigfx; // enlarged for the window's scale

// The working folder's graphics, or the installed copy; NULL, with SDL's
// error set, when neither reads. where names the file read last.
SDL_Surface* readguigraphics(char* where, size_t size);
void loadgui();

// ---- src/shell/input.cpp: mouse events and keys -------------------------

void resetinput();
void handleevents();
void handlekeys(const Uint8* keys);

// ---- src/shell/loop.cpp: the frame loop ------------------------------------

void runframe(); // a frame's input, drawing and presenting
void runloop(); // frames a frame period apart, until the window is closed

// ---- src/sheet/sheet.cpp: the sheet store and its file -------------------

extern unsigned char sheetpixels[SHEETW * SHEETH]; // column-major: (x, y) at x*848 + y
extern unsigned char palette[16][3]; // R, G, B
extern int sheetheight; // the sheet's height in pixels
extern int sheetrows; // whole tile rows: sheetheight / 16
extern int sheetprotected; // 1 while F5 must not save: the file did not load, or is taller
// The sheet named on the command line; "" when the sheet number picks it.
extern char namedsheet[NAME_MAX + 1];

void resetsheet();
void commitsheet(const sheetimage* s); // a decoded sheet into sheetpixels, palette, sheetheight
const char* sheetname(); // the file name of the sheet being edited
void loadsheet();
void savesheet();

// ---- src/output/scene.cpp: what a frame is drawn from ---------------------

// Everything the drawing reads, taken from the program's state by
// takescene alone. The drawing reads nothing else, and the change tracking
// compares scenes whole, so nothing drawn can change unseen.
struct scene {
    int mode, zoom;
    int colour; // the current palette index
    int toprow; // the browser's first tile row in view
    int selx, sely, selw, selh; // the selection in tiles, selw 0 for none
    int magnification; // the editor's preview
    int previewx, previewy, previeww, previewh; // its area in base pixels
    int messageshown, messagelength;
    char message[TEXTMAX];
    unsigned char palette[16][3];
    unsigned char sheet[SHEETW * SHEETH];
    // Changed alone, these two change only some rows of a frame.
    int pointerx, pointery;
    unsigned char grid[GRIDSIZE * GRIDSIZE];
};

void takescene(scene* s);
void drawframe(const scene* s);

// ---- src/output/present.cpp: change tracking and presenting ----------------

void drawandpresent(); // draws and presents what changed since the last frame
void resetpresent();
void forgetwindow(); // the window's pixels are not known: present it whole next

// ---- src/output/text.cpp: text buffer, glyphs, messages ------------------

extern char textbuf[TEXTMAX]; // where a text is put together before it is drawn or shown
extern char messagetext[TEXTMAX];
extern int messagelength;
extern int messageframes;

void resettext();
void settext(const char* text);
void addtext(const char* text);
void addnumber(int n);
void drawstring(int zoom, int x, int y, const char* text);
void showmessage(int frames);
void drawmessage(const scene* s);

// ---- src/output/gfx.cpp: drawing primitives, the pointer -----------------

int zoomgraphic(SDL_Surface* from, SDL_Surface* to, int zoom);
void drawpointer(const scene* s);
void mappalette(const scene* s, Uint32* colours);
int clippedrows(int y0, int y1);
void drawbaserow(int zoom, int bx, int by, const Uint32* colours, int n);

// ---- src/browser/browser.cpp: the sheet browser ---------------------------

extern int toprow; // first tile row in view
extern int selx, sely; // selection's top-left tile
extern int selw, selh; // selection size in tiles, 0 = none

void resetbrowser();
void browserclick(int x, int y, int button); // LEFTBUTTON or RIGHTBUTTON
void scrolltiles(int direction); // SCROLLUP or SCROLLDOWN

// ---- src/browser/sheetview.cpp: the browser's drawing ----------------------

void drawsheetview(const scene* s);
void drawbrowserinfo(const scene* s);
void drawselectionmarks(const scene* s);

// ---- src/editor/editor.cpp: edit grid, painting, undo ---------------------

struct undoentry {
    unsigned char x, y, colour;
};

extern unsigned char grid[GRIDSIZE * GRIDSIZE]; // (x, y) at x*128 + y
extern undoentry undostack[UNDOMAX];
extern int undodepth; // entries on the stack

void reseteditor();
void openeditor();
void writegridback();
void editorclick(int x, int y, int button);
void undolast();

// ---- src/editor/layouts.cpp: preview layouts and magnification -----------

extern int layout; // the preview layout, 1 to 4
extern int magnification; // preview magnification 1..8
extern int layoutx, layouty, layoutw, layouth; // its area in the preview frame at (8, 24)

void resetlayouts();
void setlayout(int n);
void changemagnification(int change);

// ---- src/editor/preview.cpp: the editor's drawing --------------------------

void drawpalettestrip(const scene* s);
void drawpreview(const scene* s);

#endif
