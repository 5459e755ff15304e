// Helpers shared by the unit and rendering tests.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H
#include "vorludit.h"
#include <string>
#include <vector>

void freshstate(); // the state as at start, in an empty scratch folder but for the GUI graphics
void startwindow(
    int z); // freshstate(), then a window on the dummy driver at zoom z, graphics loaded
void makeasymmetricsheet(int height); // no two neighbouring pixels, rows, columns, R, G or B alike
int asymmetricpixel(int x, int y);
std::vector<unsigned char> readbytes(const std::string& path);
void writebytes(const std::string& path, const std::vector<unsigned char>& bytes);
#endif
