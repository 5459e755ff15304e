// The sheet store and its file: load on start-up and Ctrl+F4, save on F5.
// The file itself, its reading and its save, are the sheet file library's.
#include "savefile.h"
#include "vorludit.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

unsigned char sheetpixels[SHEETW * SHEETH];
unsigned char palette[16][3];
int sheetheight = SHEETH;
int sheetrows = SHEETH / TILE;
int sheetprotected;
char namedsheet[NAME_MAX + 1];

static long rescuelen; // of the copy beside the sheet read last; 0: none
static sheetimage scratch; // a sheet on its way between a file and the store
static char workfolder[PATH_MAX]; // where the first load found the sheet
static unsigned char savebuf[BMPMAX];

static const char* const READFAILED = "could not read tile image.";
static const char* const SAVEFAILED = "could not save tiles for some reason.";
static const char* const RESCUED = "last save unfinished: copy loaded, F5 saves.";
static const char* const CUTSHORT = "sheet file incomplete: copy kept beside it.";

void resetsheet()
{
    memset(sheetpixels, 0, sizeof sheetpixels);
    memset(palette, 0, sizeof palette);
    sheetheight = SHEETH;
    sheetrows = SHEETH / TILE;
    sheetprotected = 0;
    memset(&sheetseen, 0, sizeof sheetseen);
    namedsheet[0] = 0;
    workfolder[0] = 0;
    rescuelen = 0;
}

const char* sheetname() { return namedsheet[0] ? namedsheet : sheetfilename(sheetnumber); }

static void post(const char* text)
{
    settext(text);
    showmessage(MESSAGEFRAMES);
}

// Reads the whole sheet file into filebuf, and its rescue copy if there is
// one, and notes what file it was; returns its length, or -1.
static long readfile(const char* name, int* missing)
{
    int dir;
    const char* base;
    struct stat st;
    int fd = opensheet(name, O_RDONLY, &dir, &base, &st);
    *missing = fd < 0 && errno == ENOENT && dir >= 0;
    long n = fd >= 0 ? readall(fd, filebuf, FILEMAX) : -1;
    rescuelen = dir >= 0 ? readrescue(dir, base, fd >= 0 ? &st : NULL) : 0;
    sheetseen = n >= 0 ? idwith(&st, filebuf, (size_t)n) : idof(fd >= 0 ? &st : NULL);
    if (fd >= 0)
        close(fd);
    if (dir >= 0)
        close(dir);
    return n;
}

// Rows below sheetheight keep what they held: a shorter sheet only replaces its
// own rows.
void commitsheet(const sheetimage* s)
{
    for (int x = 0; x < SHEETW; x++)
        memcpy(sheetpixels + x * SHEETH, s->pix + x * SHEETH, (size_t)s->h);
    memcpy(palette, s->pal, sizeof palette);
    sheetheight = s->h;
    sheetrows = sheetheight / TILE;
}

// A working folder removed and made again (a sync tool, a checkout) is
// worked in again under its name: the old one is gone for good. Returns 0
// when there is no folder under that name either.
static int findworkfolder()
{
    struct stat here, there;
    if (workfolder[0] == 0 && getcwd(workfolder, sizeof workfolder) == NULL)
        workfolder[0] = 0;
    int moved = stat(".", &here) != 0 || stat(workfolder, &there) != 0
        || here.st_dev != there.st_dev || here.st_ino != there.st_ino;
    return workfolder[0] == 0 || !moved || chdir(workfolder) == 0;
}

// An existing file that fails to load stays locked against saving, so a
// save cannot overwrite a sheet this program did not understand (nor one
// reached through links it does not follow); an empty file holds nothing
// to lose. A sheet taller than the store loads its
// first 848 rows and stays locked, so a save cannot cut it down. A rescue
// copy beside the file holds the sheet a save was writing when it was cut
// short: that is the sheet shown, and F5 writes it.
void loadsheet()
{
    int missing;
    findworkfolder();
    long n = readfile(sheetname(), &missing);
    int rescued = rescuelen > 0 ? decodesheet(rescuebuf, (size_t)rescuelen, &scratch) : 0;
    if (rescued > 0 && rescued <= SHEETH) {
        commitsheet(&scratch);
        sheetprotected = 0;
        post(RESCUED);
        return;
    }
    int rows = n > 0 ? decodesheet(filebuf, (size_t)n, &scratch) : 0;
    if (rows == 0) {
        sheetprotected = !missing && n != 0;
        post(READFAILED);
        return;
    }
    commitsheet(&scratch);
    sheetprotected = rows > SHEETH;
    if (sheetprotected)
        post("sheet taller than 848 rows: read only.");
}

// The store's sheet in its file's bytes: its own rows, not those below.
static size_t encodestore(unsigned char* buf)
{
    memcpy(scratch.pix, sheetpixels, sizeof scratch.pix);
    memcpy(scratch.pal, palette, sizeof scratch.pal);
    scratch.h = sheetheight;
    return encodesheet(&scratch, buf);
}

void savesheet()
{
    findworkfolder();
    size_t len = encodestore(savebuf);
    int saved = sheetprotected ? SAVENOTMADE : savefile(sheetname(), savebuf, len, SAVESEEN);
    const char* said = saved == SAVEMADE ? "tile image saved."
        : saved == SAVECHANGED           ? "sheet changed on disk: F5 again saves over it."
        : saved == SAVECUTSHORT          ? CUTSHORT
                                         : SAVEFAILED;
    post(said);
}
