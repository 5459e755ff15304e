// The sheet store and its file: load on start-up and Ctrl+F4, save on F5.
// A save never leaves the user's file half-written: the new sheet goes to
// a temporary file beside it, which replaces the old one only when it is
// complete and on disk.
#include "vorludit.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

unsigned char img[SHEETW * SHEETH];
unsigned char pal[16][3];
int imgw = SHEETW, imgh = SHEETH;
int tsrows = SHEETH / TILE;
int sheetlocked;

// Larger than any 208-pixel-wide 4-bit sheet a paint program would write;
// a bigger file is not taken for a sheet.
static const size_t FILEMAX = 4 << 20;
static unsigned char filebuf[FILEMAX + 1];
static sheetimage scratch;
static unsigned char savebuf[BMPMAX];

static const char *const READFAILED = "could not read tile image.";
static const char *const SAVEFAILED = "could not save tiles for some reason.";

void resetsheet()
{
    memset(img, 0, sizeof img);
    memset(pal, 0, sizeof pal);
    imgw = SHEETW;
    imgh = SHEETH;
    tsrows = SHEETH / TILE;
    sheetlocked = 0;
}

const char *sheetfilename(int n)
{
    static const char *const names[SHEETFILES] = { "1TIL0000.bmp", "2TIL0000.bmp", "3TIL0000.bmp" };
    if (n < 1 || n > SHEETFILES)
        return names[0];
    return names[n - 1];
}

const char *sheetname()
{
    return sheetfilename(episode);
}

static void post(const char *text)
{
    initoutbuf(text);
    message(MESSAGEFRAMES);
}

// Reads the whole file into filebuf; returns its length, or -1.
static long readfile(const char *name, int *missing)
{
    *missing = 0;
    FILE *f = openregular(name);
    if (f == NULL) {
        *missing = errno == ENOENT;
        return -1;
    }
    size_t n = fread(filebuf, 1, sizeof filebuf, f);
    int failed = ferror(f) || n > FILEMAX;
    fclose(f);
    return failed ? -1 : (long)n;
}

// Rows below imgh keep what they held: a shorter sheet only replaces its
// own rows.
static void commitsheet(const sheetimage *s)
{
    for (int x = 0; x < SHEETW; x++)
        memcpy(img + x * SHEETH, s->pix + x * SHEETH, (size_t)s->h);
    memcpy(pal, s->pal, sizeof pal);
    imgh = s->h;
    tsrows = imgh / TILE;
}

// An existing file that fails to load stays locked against saving, so a
// save cannot overwrite a sheet this program did not understand.
void loadtiles()
{
    int missing;
    long n = readfile(sheetname(), &missing);
    if (n < 0 || !decodesheet(filebuf, (size_t)n, &scratch)) {
        sheetlocked = !missing;
        post(READFAILED);
        return;
    }
    commitsheet(&scratch);
    sheetlocked = 0;
}

// Where the sheet really lives: a symbolic link is written through to the
// file it points at, so the link itself stays.
static int targetpath(const char *name, char *path)
{
    struct stat st;
    if (lstat(name, &st) == 0 && S_ISLNK(st.st_mode))
        return realpath(name, path) != NULL;
    if (strlen(name) >= PATH_MAX)
        return 0;
    strcpy(path, name);
    return 1;
}

// The length of the folder part of a path, its last slash included; 0 for
// a name in the working folder.
static int folderlength(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? (int)(slash - path + 1) : 0;
}

// The temporary name: ".NAME.XXXXXX" in the target's own folder, so the
// final rename stays within one file system.
static int temppath(const char *target, char *tmp)
{
    int dirlen = folderlength(target);
    int n = snprintf(tmp, PATH_MAX, "%.*s.%s.XXXXXX", dirlen, target, target + dirlen);
    return n > 0 && n < PATH_MAX;
}

// New files get the usual permissions; a replaced file keeps its own.
static mode_t filemode(const char *target)
{
    struct stat st;
    if (stat(target, &st) == 0)
        return st.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

static int writeall(int fd, const unsigned char *data, size_t len)
{
    FILE *f = fdopen(fd, "wb");
    if (f == NULL) {
        close(fd);
        return 0;
    }
    int ok = fwrite(data, 1, len, f) == len;
    ok = fflush(f) == 0 && ok;
    ok = fsync(fileno(f)) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    return ok;
}

// The rename is only on disk once the folder is; a failure here is not
// worth reporting, the new file is complete either way.
static void syncfolder(const char *target)
{
    char dir[PATH_MAX];
    int dirlen = folderlength(target);
    snprintf(dir, sizeof dir, "%.*s", dirlen ? dirlen : 1, dirlen ? target : ".");
    int fd = open(dir, O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

static int replacefile(const char *target, const unsigned char *data, size_t len)
{
    char tmp[PATH_MAX];
    if (!temppath(target, tmp))
        return 0;
    mode_t perms = filemode(target);
    int fd = mkstemp(tmp);
    if (fd < 0)
        return 0;
    if (fchmod(fd, perms) != 0) {
        close(fd);
        unlink(tmp);
        return 0;
    }
    if (!writeall(fd, data, len) || rename(tmp, target) != 0) {
        unlink(tmp);
        return 0;
    }
    syncfolder(target);
    return 1;
}

void savetiles()
{
    char target[PATH_MAX];
    if (sheetlocked || !targetpath(sheetname(), target)) {
        post(SAVEFAILED);
        return;
    }
    size_t len = encodesheet(savebuf);
    if (!replacefile(target, savebuf, len)) {
        post(SAVEFAILED);
        return;
    }
    post("tile image saved.");
}
