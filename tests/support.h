// Helpers shared by the unit and rendering tests.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H
#include "vorludit.h"
#include <random>
#include <string>
#include <vector>

typedef std::vector<unsigned char> bytes;

// The sheet's name and the messages about it, as the user reads them.
const char* const SHEETNAME = "1TIL0000.bmp";
const char* const SAVED = "tile image saved.";
const char* const UNSAVED = "could not save tiles for some reason.";
const char* const CHANGED = "sheet changed on disk: F5 again saves over it.";
const char* const UNREAD = "could not read tile image.";
const char* const TALLER = "sheet taller than 848 rows: read only.";
const char* const CUTSHORT = "sheet file incomplete: copy kept beside it.";
const char* const RESCUED = "last save unfinished: copy loaded, F5 saves.";

// A sheet as the tests build it: pixels (x, y) at x * 848 + y, rows below h unused.
struct Sheet {
    int h = 848;
    unsigned char pal[16][3] = {};
    bytes pix = bytes(208 * 848);
};

// The state as at start, in an empty scratch folder but for the GUI graphics.
void freshstate();
// freshstate(), then a window on the dummy driver at zoom z, graphics loaded.
void startwindow(int z);
// A sheet with no two neighbouring pixels, rows, columns, R, G or B alike.
Sheet asymmetricsheet(int h);
Sheet randomsheet(std::mt19937& rng, int h);
// Into the program's store, the rows below h left as they are.
void putinstore(const Sheet& s);
// A 4-bit BMP built field by field: h rows (top-down if asked), an information header of the
// given size, the colours-used field, and extra rows of ff bytes, on top if bottom-up.
bytes bmpfile(
    const Sheet& s, bool topdown = false, int header = 40, int colours = 0, int extra = 0);
bytes readbytes(const std::string& path);
void writebytes(const std::string& path, const bytes& data);

// What the window shows: every frame the program presents, whole or in rectangles, lands here.
extern bytes windowshows;
// Where the window and the screen first differ, "" when they are the same.
std::string windowdiffers();
#endif
