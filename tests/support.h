// Helpers shared by the unit and rendering tests.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H

#include "vorludit.h"
#include <string>
#include <vector>

// Puts the program's state back to start and moves into a fresh scratch
// folder holding only the GUI graphics.
void freshstate();

// freshstate(), then a window on the dummy driver at this zoom with the
// GUI graphics loaded, as start-up makes them.
void startwindow(int z);

// The colour of screen pixel (x, y), and whether it is the one that
// (r, g, b) maps to in the screen's format.
Uint32 pixelat(int x, int y);
bool pixelis(int x, int y, int r, int g, int b);
// Whether the zoom x zoom square of base pixel (bx, by) is all (r, g, b).
bool baseis(int bx, int by, int r, int g, int b);

// An asymmetric test sheet in img and pal: no two neighbouring pixels,
// rows or columns alike, and a palette with distinct R, G and B.
void makeasymmetricsheet(int height);
int asymmetricpixel(int x, int y);

std::vector<unsigned char> readbytes(const std::string &path);
void writebytes(const std::string &path, const std::vector<unsigned char> &bytes);

// A key-state array with the given keys held, for handlekeys.
struct keyboard {
    Uint8 held[SDLK_LAST];
};
void press(keyboard *k, SDLKey sym, bool down);

#endif
