// Helpers shared by the unit and rendering tests.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H

#include "vorludit.h"
#include <string>
#include <vector>

// The program's state as at start, in a fresh scratch folder holding only
// the GUI graphics.
void freshstate();
// freshstate(), then a window on the dummy driver at this zoom, with the
// GUI graphics loaded as start-up loads them.
void startwindow(int z);

// A sheet of this height in img and pal with no two neighbouring pixels,
// rows or columns alike, and palette entries with distinct R, G and B.
void makeasymmetricsheet(int height);
int asymmetricpixel(int x, int y);

std::vector<unsigned char> readbytes(const std::string &path);
void writebytes(const std::string &path, const std::vector<unsigned char> &bytes);

#endif
