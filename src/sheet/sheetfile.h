// The sheet file, without the editor: its geometry, its format over byte
// buffers, opening files as this program does, and the one save of a sheet.
// The editor and vorludit-sheet share it; it needs no video library.
#ifndef SHEETFILE_H
#define SHEETFILE_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

// ---- Sheet geometry --------------------------------------------------------

const int TILE = 16; // tile edge in pixels
const int SHEETW = 208; // sheet width in pixels: 13 tiles
const int SHEETCOLS = SHEETW / TILE;
const int SHEETH = 848; // tallest sheet in pixels: 53 tile rows

// ---- src/sheet/bmpcodec.cpp: the sheet file format over byte buffers -----

const int BMPHEADER = 118; // header and palette as this program writes them
const int BMPROW = SHEETW / 2; // bytes per pixel row: two pixels a byte
const size_t BMPMAX = BMPHEADER + (size_t)BMPROW * SHEETH;

const size_t FILEHEADER = 14; // "BM", sizes, data offset
const uint32_t INFOHEADER = 40; // Windows' information header, the smallest read here
const int PALETTEENTRY = 4; // B, G, R, unused; OS/2's have no fourth byte

// Where a BMP keeps its fields, in bytes from the start of the file: the
// file header, then an information header of 40 bytes or more, or the
// 12-byte OS/2 one with 16-bit sizes at places of its own.
const int FILESIZEAT = 2, DATAOFFSETAT = 10, HEADERSIZEAT = 14;
const int WIDTHAT = 18, HEIGHTAT = 22, PLANESAT = 26, DEPTHAT = 28, COMPRESSIONAT = 30;
const int DATASIZEAT = 34, COLOURSUSEDAT = 46;
const int COREWIDTHAT = 18, COREHEIGHTAT = 20, COREDEPTHAT = 24;

// A sheet apart from the editor's store: decoded from a file, or to be
// encoded into one.
struct sheetimage {
    unsigned char pix[SHEETW * SHEETH]; // column-major: (x, y) at x*848 + y
    unsigned char pal[16][3]; // R, G, B
    int h;
};

extern const unsigned char NEWPALETTE[16][3]; // a new sheet's palette

int decodesheet(const unsigned char* buf, size_t len, sheetimage* out);
uint32_t getu32(const unsigned char* p); // little-endian numbers, as BMP stores them
int32_t gets32(const unsigned char* p);
unsigned getu16(const unsigned char* p);
size_t encodesheet(const sheetimage* s, unsigned char* buf); // s's h rows and palette

// ---- src/sheet/files.cpp: file names and opening files -------------------

const int SHEETFILES = 3; // sheet numbers 1 to 3, one file name each

const char* sheetfilename(int n); // the file name of sheet number n
// Whether the links on the way to path are ones this program follows.
int followable(const char* path);
int openregularfd(const char* path, int flags, struct stat* st);
FILE* openregular(const char* path);
int fileexists(const char* path);

// ---- src/sheet/save.cpp: the safe save -----------------------------------

// What a file was when looked at: a save tells by it whether someone else
// changed the sheet since it was loaded or last saved. Its content tells,
// not its time, which coarse clocks and other programs do not keep true.
struct fileid {
    int known; // 0: nothing looked at yet
    int there; // 0: there was no file
    dev_t dev;
    ino_t ino;
    off_t size;
    int read; // 0: its content could not be read, only the rest compares
    uint64_t hash; // of its content
};
extern fileid sheetseen; // the sheet file as last loaded or saved

// Whether savefile may replace a file already there: never, always, or
// only the sheet file as sheetseen has it.
const int SAVENEW = 0, SAVEOVER = 1, SAVESEEN = 2;
// What savefile returns: saved; not saved (errno says why); not saved, the
// file changed since seen; cut short in place, the new sheet kept whole in
// the rescue copy beside it (errno says why).
const int SAVEMADE = 1, SAVENOTMADE = 0, SAVECHANGED = -1, SAVECUTSHORT = -2;
int savefile(const char* name, const unsigned char* data, size_t len, int replace);

#endif
