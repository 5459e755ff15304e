// vorludit-sheet: starts a sheet of one's own, blank or from a picture,
// with the editor's own sheet writer and its own save. It never replaces a
// file unless told to, and then keeps what the file is as the editor does.
#include "bmpread.h"
#include "sheetfile.h"
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* const USAGE
    = "usage: vorludit-sheet new [--force] [FILE]\n"
      "       vorludit-sheet import [--force] IMAGE [FILE]\n"
      "       vorludit-sheet --help | --version\n"
      "\n"
      "new writes a blank 208 x 848 sheet with a default palette: colours 0 to 7\n"
      "are dark shades and 8 to 15 the light shades of the same eight hues, so\n"
      "the editor's right button paints the other shade of the current colour.\n"
      "import converts a picture 208 pixels wide and at most 848 tall with at\n"
      "most 16 colours (a 1-, 4- or 8-bit BMP, or an indexed PNG), keeping its\n"
      "palette order. FILE is 1TIL0000.bmp unless given; an existing FILE is\n"
      "replaced only with --force.\n";

static sheetimage picture; // the sheet to be written
static sheetimage readback; // that sheet as the editor will read it
static unsigned char pngrows[SHEETH][SHEETW];
static unsigned char filedata[BMPMAX];
static unsigned char bmpdata[PICTUREMAX + 1]; // one byte more tells a larger file
static bmppicture bmp;
static png_bytep pngrowstarts[SHEETH];
static unsigned char used[256]; // the palette entries the picture's pixels use
static char why[320]; // why a picture cannot become a sheet

static int fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("vorludit-sheet: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    return 1;
}

// Sets why and returns 0, so that a reader can end with it.
static int refuse(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(why, sizeof why, format, args);
    va_end(args);
    return 0;
}

static int fitsheet(unsigned long w, unsigned long h)
{
    if (w != (unsigned long)SHEETW)
        return refuse("%lu pixels wide; a sheet is %d", w, SHEETW);
    if (h < 1 || h > (unsigned long)SHEETH)
        return refuse("%lu rows tall; a sheet has 1 to %d", h, SHEETH);
    return 1;
}

// Takes one row of palette indices into the picture, noting which it uses.
static void takerow(const unsigned char* row, int y)
{
    for (int x = 0; x < SHEETW; x++) {
        used[row[x]] = 1;
        picture.pix[x * SHEETH + y] = row[x];
    }
}

// A sheet's colours are palette entries 0 to 15. A picture of 16 colours or
// fewer kept elsewhere in its palette only needs its palette cut down.
static int checkcolours()
{
    int n = 0, past = -1;
    for (int i = 0; i < 256; i++) {
        n += used[i];
        if (used[i] && i > 15 && past < 0)
            past = i;
    }
    if (n > 16)
        return refuse("%d colours; a sheet has at most 16", n);
    if (past >= 0)
        return refuse("its %d colours are not all in palette entries 0 to 15 (a pixel of colour "
                      "%d); save it with "
                      "a palette of its own colours only (convert IMAGE -colors 16 NEW.png)",
            n, past);
    return 1;
}

// Palette entries past 16 are dropped: checkcolours makes sure no pixel uses them.
static void takecolour(int i, unsigned char r, unsigned char g, unsigned char b)
{
    if (i >= 16)
        return;
    picture.pal[i][0] = r;
    picture.pal[i][1] = g;
    picture.pal[i][2] = b;
}

// The size is checked before the pixels are decoded, so that a small file
// claiming a huge picture is refused first, as is a picture without a
// palette (16, 24 or 32 bits a pixel). Palette entries past the file's
// own colours are black.
static int readbmp(FILE* f)
{
    size_t len = fread(bmpdata, 1, sizeof bmpdata, f);
    fclose(f);
    const char* bad = bmpheader(bmpdata, len, &bmp);
    if (bad != NULL)
        return refuse("cannot be read as a BMP (%s)", bad);
    if (!fitsheet(bmp.w, bmp.h))
        return 0;
    if (bmp.depth > 8)
        return refuse("a %d-bit BMP without a palette; a sheet needs one", bmp.depth);
    bad = bmppixels(bmpdata, len, &bmp);
    if (bad != NULL)
        return refuse("cannot be read as a BMP (%s)", bad);
    for (unsigned long y = 0; y < bmp.h; y++)
        takerow(bmp.rows[y], (int)y);
    if (!checkcolours())
        return 0;
    for (int i = 0; i < 16; i++)
        takecolour(i, bmp.pal[i][0], bmp.pal[i][1], bmp.pal[i][2]);
    picture.h = (int)bmp.h;
    return 1;
}

// libpng reports a broken file by jumping back to where reading began,
// through this function; a warning changes nothing.
static void pngerror(png_structp png, png_const_charp text)
{
    refuse("cannot be read as a PNG (%s)", text);
    png_longjmp(png, 1);
}

static void pngwarning(png_structp, png_const_charp) { }

// The palette and the rows exactly as stored: no gamma, no transparency.
static int readpngpicture(png_structp png, png_infop info, FILE* f)
{
    png_init_io(png, f);
    png_read_info(png, info);
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE)
        return refuse("not an indexed PNG; save it with at most 16 colours as one");
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (!fitsheet(w, h))
        return 0;
    png_colorp plte = NULL;
    int n = 0;
    png_get_PLTE(png, info, &plte, &n);
    png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    for (png_uint_32 y = 0; y < h; y++)
        pngrowstarts[y] = pngrows[y];
    png_read_image(png, pngrowstarts);
    png_read_end(png, NULL);
    for (png_uint_32 y = 0; y < h; y++)
        takerow(pngrows[y], (int)y);
    if (!checkcolours())
        return 0;
    memset(picture.pal, 0, sizeof picture.pal);
    for (int i = 0; i < n; i++)
        takecolour(i, plte[i].red, plte[i].green, plte[i].blue);
    picture.h = (int)h;
    return 1;
}

static int readpng(FILE* f)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, pngerror, pngwarning);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    int ok = 0;
    if (info == NULL)
        refuse("out of memory");
    else if (setjmp(png_jmpbuf(png)) == 0)
        ok = readpngpicture(png, info, f);
    png_destroy_read_struct(&png, &info, NULL);
    fclose(f);
    return ok;
}

// Reads a picture into picture by the first bytes of its file; returns 1,
// or 0 with why set.
static int readpicture(const char* path)
{
    FILE* f = openregular(path);
    if (f == NULL)
        return refuse("%s", errno == EINVAL ? "not a regular file" : strerror(errno));
    unsigned char magic[8] = { 0 };
    size_t n = fread(magic, 1, sizeof magic, f);
    rewind(f);
    if (n >= 2 && magic[0] == 'B' && magic[1] == 'M')
        return readbmp(f);
    if (n == sizeof magic && png_sig_cmp(magic, 0, sizeof magic) == 0)
        return readpng(f);
    fclose(f);
    return refuse("neither a BMP nor a PNG picture");
}

// A target that is there already is replaced only with force, and only
// when it is a regular file (or a link to one).
static int checktarget(const char* target, int force)
{
    struct stat st;
    if (lstat(target, &st) != 0)
        return 1;
    if (!force) {
        fail("%s exists; add --force to replace it", target);
        return 0;
    }
    if (stat(target, &st) == 0 && !S_ISREG(st.st_mode)) {
        fail("%s is not a regular file; not replacing it", target);
        return 0;
    }
    return 1;
}

// Encodes picture with the editor's writer, makes sure the result reads
// back as the same sheet, and writes it.
static int writesheet(const char* target, int force)
{
    size_t len = encodesheet(&picture, filedata);
    int same = decodesheet(filedata, len, &readback) && readback.h == picture.h
        && memcmp(readback.pal, picture.pal, sizeof picture.pal) == 0;
    for (int x = 0; same && x < SHEETW; x++)
        same = memcmp(readback.pix + x * SHEETH, picture.pix + x * SHEETH, (size_t)picture.h) == 0;
    if (!same)
        return fail("%s: the sheet did not read back as written; nothing written", target);
    if (savefile(target, filedata, len, force ? SAVEOVER : SAVENEW) != 1)
        return fail("cannot write %s: %s", target, strerror(errno));
    return 0;
}

static int newsheet(const char* target, int force)
{
    if (!checktarget(target, force))
        return 1;
    memset(picture.pix, 0, sizeof picture.pix);
    memcpy(picture.pal, NEWPALETTE, sizeof picture.pal);
    picture.h = SHEETH;
    return writesheet(target, force);
}

static int importsheet(const char* image, const char* target, int force)
{
    if (!checktarget(target, force))
        return 1;
    if (!readpicture(image))
        return fail("%s: %s", image, why);
    return writesheet(target, force);
}

int main(int argc, char* argv[])
{
    const char* args[3];
    int n = 0, force = 0, bad = 0;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(USAGE, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            puts("vorludit-sheet " VORLUDIT_VERSION);
            return 0;
        }
        if (strcmp(argv[i], "--force") == 0)
            force = 1;
        else if (argv[i][0] == '-' || n == 3)
            bad = 1;
        else
            args[n++] = argv[i];
    }
    if (!bad && n >= 1 && n <= 2 && strcmp(args[0], "new") == 0)
        return newsheet(n == 2 ? args[1] : sheetfilename(1), force);
    if (!bad && n >= 2 && strcmp(args[0], "import") == 0)
        return importsheet(args[1], n == 3 ? args[2] : sheetfilename(1), force);
    fputs(USAGE, stderr);
    return 1;
}
