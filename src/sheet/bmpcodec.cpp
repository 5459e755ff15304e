// The sheet file format: an uncompressed 4-bit BMP, 208 pixels wide.
// Reading accepts what other paint programs write for such a sheet;
// writing always produces the one layout below.
#include "sheetfile.h"
#include <cstdint>
#include <cstring>

// A new sheet's palette, eight two-step ramps: dark at i, light at i + 8,
// so that the editor's right button paints the other shade.
const unsigned char NEWPALETTE[16][3] = {
    { 0, 0, 0 },
    { 52, 40, 84 },
    { 124, 36, 44 },
    { 136, 76, 36 },
    { 164, 132, 44 },
    { 36, 96, 52 },
    { 36, 64, 128 },
    { 172, 172, 180 },
    { 96, 96, 108 },
    { 124, 104, 184 },
    { 224, 76, 68 },
    { 232, 152, 76 },
    { 248, 224, 100 },
    { 100, 192, 76 },
    { 76, 148, 232 },
    { 255, 255, 255 },
};

uint32_t getu32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int32_t gets32(const unsigned char* p) { return (int32_t)getu32(p); }

unsigned getu16(const unsigned char* p) { return (unsigned)p[0] | (unsigned)p[1] << 8; }

static void putu32(unsigned char* p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

static void putu16(unsigned char* p, unsigned v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

// Unpacks one 104-byte row, high nibble left, into sheet row y.
static void unpackrow(const unsigned char* row, unsigned char* pix, int y)
{
    for (int i = 0; i < BMPROW; i++) {
        pix[(2 * i) * SHEETH + y] = row[i] >> 4;
        pix[(2 * i + 1) * SHEETH + y] = row[i] & 15;
    }
}

// Checks every field before anything is sized from it and fills out only
// when the whole file is sound: returns the file's own row count, else 0
// with out half-written. A height over 848 gives the first 848 rows in
// file order, and a count over 848 tells the caller the rest is missing.
int decodesheet(const unsigned char* buf, size_t len, sheetimage* out)
{
    if (len < FILEHEADER + INFOHEADER || buf[0] != 'B' || buf[1] != 'M')
        return 0;
    uint32_t dataoffset = getu32(buf + DATAOFFSETAT);
    uint32_t headersize = getu32(buf + HEADERSIZEAT);
    if (headersize < INFOHEADER || headersize > len - FILEHEADER)
        return 0;
    int32_t width = gets32(buf + WIDTHAT);
    int32_t height = gets32(buf + HEIGHTAT);
    unsigned planes = getu16(buf + PLANESAT);
    unsigned depth = getu16(buf + DEPTHAT);
    uint32_t compression = getu32(buf + COMPRESSIONAT);
    uint32_t coloursused = getu32(buf + COLOURSUSEDAT);
    if (width != SHEETW || height == 0 || planes != 1 || depth != 4 || compression != 0)
        return 0;
    if (coloursused > 16)
        return 0;
    uint32_t colours = coloursused == 0 ? 16 : coloursused;
    uint64_t paletteat = FILEHEADER + headersize;
    uint64_t paletteend = paletteat + (uint64_t)colours * PALETTEENTRY;
    if (paletteend > len || dataoffset < paletteend || dataoffset > len)
        return 0;
    uint64_t rows = height < 0 ? -(int64_t)height : height;
    if (dataoffset + rows * BMPROW > len || rows > INT32_MAX)
        return 0;

    memset(out->pal, 0, sizeof out->pal);
    for (uint32_t i = 0; i < colours; i++) {
        const unsigned char* e = buf + paletteat + i * PALETTEENTRY;
        out->pal[i][0] = e[2];
        out->pal[i][1] = e[1];
        out->pal[i][2] = e[0];
    }
    int h = rows > (uint64_t)SHEETH ? SHEETH : (int)rows;
    int topdown = height < 0;
    for (int k = 0; k < h; k++)
        unpackrow(buf + dataoffset + (size_t)k * BMPROW, out->pix, topdown ? k : h - 1 - k);
    out->h = h;
    return (int)rows;
}

// Writes s's h rows and palette in this program's own layout: a 40-byte
// information header, 16 palette entries, rows bottom-up. Returns the size.
size_t encodesheet(const sheetimage* s, unsigned char* buf)
{
    uint32_t datasize = (uint32_t)(SHEETW * s->h / 2);
    memset(buf, 0, BMPHEADER);
    buf[0] = 'B';
    buf[1] = 'M';
    putu32(buf + FILESIZEAT, datasize + BMPHEADER);
    putu32(buf + DATAOFFSETAT, BMPHEADER);
    putu32(buf + HEADERSIZEAT, INFOHEADER);
    putu32(buf + WIDTHAT, (uint32_t)SHEETW);
    putu32(buf + HEIGHTAT, (uint32_t)s->h);
    putu16(buf + PLANESAT, 1);
    putu16(buf + DEPTHAT, 4);
    putu32(buf + DATASIZEAT, datasize);
    for (int i = 0; i < 16; i++) {
        unsigned char* e = buf + FILEHEADER + INFOHEADER + i * PALETTEENTRY;
        e[0] = s->pal[i][2];
        e[1] = s->pal[i][1];
        e[2] = s->pal[i][0];
    }
    unsigned char* row = buf + BMPHEADER;
    for (int y = s->h - 1; y >= 0; y--) {
        for (int i = 0; i < BMPROW; i++)
            row[i] = (unsigned char)(s->pix[(2 * i) * SHEETH + y] * 16
                + s->pix[(2 * i + 1) * SHEETH + y]);
        row += BMPROW;
    }
    return BMPHEADER + datasize;
}
