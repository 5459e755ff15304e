// vorludit-sheet's BMP reader: the palette BMPs paint programs write, 1, 4
// or 8 bits a pixel, packed or run-length coded, with OS/2's 12-byte header
// or Windows' 40-byte one or a longer successor. The file is anybody's, so
// every field is checked against its length before it is used.
#include "bmpread.h"
#include <cstring>

static const uint32_t COREHEADER = 12; // OS/2's: 16-bit sizes, 3-byte palette entries
static const uint32_t PACKED = 0, RLE8 = 1, RLE4 = 2; // the compression field
static const char* const CUT = "cut short";

// A header that does not say which kind it is reads as Windows', whose
// fields reach further. Rows run top-down where the height is negative.
const char* bmpheader(const unsigned char* buf, size_t len, bmppicture* p)
{
    int core = len >= FILEHEADER + 4 && getu32(buf + HEADERSIZEAT) == COREHEADER;
    if (len < (core ? 26u : 50u))
        return CUT;
    int32_t height = core ? (int32_t)getu16(buf + COREHEIGHTAT) : gets32(buf + HEIGHTAT);
    uint32_t used = core ? 0 : getu32(buf + COLOURSUSEDAT);
    p->w = core ? getu16(buf + COREWIDTHAT) : getu32(buf + WIDTHAT);
    p->h = height < 0 ? 0 - (unsigned long)height : (unsigned long)height;
    p->topdown = height < 0;
    p->depth = (int)getu16(buf + (core ? COREDEPTHAT : DEPTHAT));
    p->colours = used != 0 ? (int)(used < 256 ? used : 256) : p->depth <= 8 ? 1 << p->depth : 0;
    return NULL;
}

// File row k (the first is the bottom one unless the rows run top-down)
// gets colour c at x; what falls outside the picture is dropped.
static void putpixel(bmppicture* p, unsigned long x, unsigned long k, unsigned c)
{
    if (x < SHEETW && k < p->h)
        p->rows[p->topdown ? k : p->h - 1 - k][x] = (unsigned char)c;
}

// Rows padded to whole 32-bit words, pixels from each byte's high bits.
static const char* unpack(const unsigned char* data, size_t len, bmppicture* p)
{
    size_t stride = ((size_t)SHEETW * p->depth + 31) / 32 * 4;
    if (len / stride < p->h)
        return CUT;
    unsigned mask = (1u << p->depth) - 1;
    for (unsigned long k = 0; k < p->h; k++)
        for (unsigned long x = 0; x < SHEETW; x++) {
            size_t bit = x * p->depth;
            unsigned byte = data[k * stride + bit / 8];
            putpixel(p, x, k, byte >> (8 - p->depth - bit % 8) & mask);
        }
    return NULL;
}

// The i-th pixel of a run: at 4 bits, a byte's two colours take turns.
static unsigned runpixel(const unsigned char* from, int depth, unsigned i)
{
    if (depth == 8)
        return from[i];
    return i % 2 ? from[i / 2] & 15 : from[i / 2] >> 4;
}

// Run-length coded rows: a count, then a byte of colour repeated (at 4
// bits, its two colours taking turns); or a 0, then 0 to end the row, 1
// to end the picture, 2 and two bytes to move right and on by rows, or a
// count of 3 or more and that many pixels as they are, padded to an even
// number of bytes. Pixels no code reaches keep colour 0.
static const char* unrun(const unsigned char* data, size_t len, bmppicture* p)
{
    size_t at = 0;
    unsigned long x = 0, k = 0;
    while (k < p->h) {
        if (len - at < 2)
            return CUT;
        unsigned n = data[at], c = data[at + 1];
        at += 2;
        size_t bytes = p->depth == 8 ? c : (c + 1) / 2; // of pixels as they are
        if (n > 0) {
            for (unsigned i = 0; i < n; i++) // at 8 bits, the one colour each time
                putpixel(p, x + i, k, runpixel(data + at - 1, p->depth, p->depth == 8 ? 0 : i % 2));
            x += n;
        } else if (c == 0) {
            x = 0;
            k++;
        } else if (c == 1) {
            break;
        } else if (c == 2) {
            if (len - at < 2)
                return CUT;
            x += data[at];
            k += data[at + 1];
            at += 2;
        } else {
            if (len - at < bytes + bytes % 2)
                return CUT;
            for (unsigned i = 0; i < c; i++)
                putpixel(p, x + i, k, runpixel(data + at, p->depth, i));
            x += c;
            at += bytes + bytes % 2;
        }
    }
    return NULL;
}

const char* bmppixels(const unsigned char* buf, size_t len, bmppicture* p)
{
    if (len > PICTUREMAX)
        return "larger than any picture of a sheet";
    uint32_t headersize = getu32(buf + HEADERSIZEAT);
    int core = headersize == COREHEADER;
    if (!core && (headersize < INFOHEADER || headersize > len - FILEHEADER))
        return "a header of no known kind";
    if (p->w != SHEETW || p->h < 1 || p->h > SHEETH)
        return "not a sheet's size";
    uint32_t compression = core ? PACKED : getu32(buf + COMPRESSIONAT);
    int packed = compression == PACKED && (p->depth == 1 || p->depth == 4 || p->depth == 8);
    int run = (compression == RLE8 && p->depth == 8) || (compression == RLE4 && p->depth == 4);
    if (!packed && !run)
        return "a depth or compression of no palette BMP";
    size_t entry = core ? 3 : PALETTEENTRY;
    size_t paletteat = FILEHEADER + headersize;
    uint32_t dataat = getu32(buf + DATAOFFSETAT);
    if ((len - paletteat) / entry < (size_t)p->colours || dataat > len)
        return CUT;
    memset(p->pal, 0, sizeof p->pal);
    for (int i = 0; i < p->colours; i++) {
        const unsigned char* e = buf + paletteat + i * entry;
        p->pal[i][0] = e[2];
        p->pal[i][1] = e[1];
        p->pal[i][2] = e[0];
    }
    memset(p->rows, 0, sizeof p->rows);
    return packed ? unpack(buf + dataat, len - dataat, p) : unrun(buf + dataat, len - dataat, p);
}
