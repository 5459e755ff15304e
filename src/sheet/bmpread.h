// vorludit-sheet's reader of palette BMPs, over a whole file in memory.
#ifndef BMPREAD_H
#define BMPREAD_H

#include "sheetfile.h"

// A 208-pixel-wide picture of 8 bits to a pixel at most, with its whole
// palette and an 8-bit run-length coding at worst (two bytes a pixel and
// two a row), and room for headers: a larger file is no sheet's picture.
const size_t PICTUREMAX = 2 * (SHEETW + 1) * SHEETH + 4096;

// A BMP as its header describes it, then its palette and pixels.
struct bmppicture {
    unsigned long w, h; // in pixels, h whatever way the rows run
    int topdown; // 1: the file's first row is the top one
    int depth; // bits a pixel
    int colours; // palette entries the file has, 0 where it has none
    unsigned char pal[256][3]; // R, G, B; black past the file's own colours
    unsigned char rows[SHEETH][SHEETW]; // one palette index a pixel, top row first
};

// Each returns NULL, or why the file cannot be read as a BMP.
const char* bmpheader(const unsigned char* buf, size_t len, bmppicture* p);
// Only for a picture of a sheet's size with a palette, as bmpheader found it.
const char* bmppixels(const unsigned char* buf, size_t len, bmppicture* p);

#endif
