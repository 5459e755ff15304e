// The sheet store and its file: load on start-up and Ctrl+F4, save on F5.
// A save does not leave the user's file half-written: the new sheet goes to
// a temporary file beside it, which replaces the old one only when it is
// complete and on disk. Where a rename would change what the file is (its
// other names, its owner) or cannot be made, the file is written in place
// instead, its whole size reserved first, so that a full disk refuses the
// save before anything changes; only a crash in the middle of such a save
// can leave it half-written.
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
char namedsheet[NAME_MAX + 1];

// A new sheet's palette, eight two-step ramps: dark at i, light at i + 8,
// so that the editor's right button paints the other shade.
const unsigned char NEWPALETTE[16][3] = {
    { 0, 0, 0 },       { 52, 40, 84 },    { 124, 36, 44 },   { 136, 76, 36 },
    { 164, 132, 44 },  { 36, 96, 52 },    { 36, 64, 128 },   { 172, 172, 180 },
    { 96, 96, 108 },   { 124, 104, 184 }, { 224, 76, 68 },   { 232, 152, 76 },
    { 248, 224, 100 }, { 100, 192, 76 },  { 76, 148, 232 },  { 255, 255, 255 },
};

// Larger than any 208-pixel-wide 4-bit sheet a paint program would write;
// a bigger file is not taken for a sheet.
static const size_t FILEMAX = 4 << 20;
static unsigned char filebuf[FILEMAX + 1];
static sheetimage scratch;
static unsigned char savebuf[BMPMAX];

static const char *const READFAILED = "could not read tile image.";
static const char *const SAVEFAILED = "could not save tiles for some reason.";
static const int LINKHOPS = 40;   // links followed before a name counts as a loop

void resetsheet()
{
    memset(img, 0, sizeof img);
    memset(pal, 0, sizeof pal);
    imgw = SHEETW;
    imgh = SHEETH;
    tsrows = SHEETH / TILE;
    sheetlocked = 0;
    namedsheet[0] = 0;
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
    return namedsheet[0] ? namedsheet : sheetfilename(episode);
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
void commitsheet(const sheetimage *s)
{
    for (int x = 0; x < SHEETW; x++)
        memcpy(img + x * SHEETH, s->pix + x * SHEETH, (size_t)s->h);
    memcpy(pal, s->pal, sizeof pal);
    imgh = s->h;
    tsrows = imgh / TILE;
}

// An existing file that fails to load stays locked against saving, so a
// save cannot overwrite a sheet this program did not understand; an empty
// file holds nothing to lose. A sheet taller than the store loads its
// first 848 rows and stays locked, so a save cannot cut it down.
void loadtiles()
{
    int missing;
    long n = readfile(sheetname(), &missing);
    int rows = n > 0 ? decodesheet(filebuf, (size_t)n, &scratch) : 0;
    if (rows == 0) {
        sheetlocked = !missing && n != 0;
        post(READFAILED);
        return;
    }
    commitsheet(&scratch);
    sheetlocked = rows > SHEETH;
    if (sheetlocked)
        post("sheet taller than 848 rows: read only.");
}

// The length of the folder part of a path, its last slash included; 0 for
// a name in the working folder.
static int folderlength(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? (int)(slash - path + 1) : 0;
}

// The folder a path names a file in: "." for a bare name.
static void folderof(const char *path, char *dir)
{
    int dirlen = folderlength(path);
    snprintf(dir, PATH_MAX, "%.*s", dirlen ? dirlen : 1, dirlen ? path : ".");
}

// Where the sheet really lives: links are followed one at a time, each
// relative to its own folder, so that the link itself stays and a link to
// a file not made yet still names where the first save creates it.
static int targetpath(const char *name, char *path)
{
    if (strlen(name) >= PATH_MAX)
        return 0;
    strcpy(path, name);
    for (int hops = 0; hops < LINKHOPS; hops++) {
        char link[PATH_MAX], next[PATH_MAX];
        ssize_t n = readlink(path, link, sizeof link - 1);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT;  // not a link, or nothing there yet
        link[n] = 0;
        int dirlen = link[0] == '/' ? 0 : folderlength(path);
        if (snprintf(next, sizeof next, "%.*s%s", dirlen, path, link) >= PATH_MAX)
            return 0;
        strcpy(path, next);
    }
    return 0;
}

// The temporary's one fixed name, ".NAME.saving" in the target's own
// folder: the rename stays within one file system, and a save removes what
// a killed one left.
static int temppath(const char *target, char *tmp)
{
    int dirlen = folderlength(target);
    int n = snprintf(tmp, PATH_MAX, "%.*s.%s.saving", dirlen, target, target + dirlen);
    return n > 0 && n < PATH_MAX;
}

static int writeall(int fd, const unsigned char *data, size_t len)
{
    for (size_t done = 0; done < len;) {
        ssize_t n = pwrite(fd, data + done, len - done, (off_t)done);
        if (n <= 0)
            return 0;
        done += (size_t)n;
    }
    return 1;
}

// The rename is only on disk once the folder is; a failure here is not
// worth reporting, the new file is complete either way.
static void syncfolder(const char *target)
{
    char dir[PATH_MAX];
    folderof(target, dir);
    int fd = open(dir, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// An unnamed file in the target's folder: a save killed before it has a
// name leaves nothing. Where the file system cannot make one, the
// temporary has its name from the start.
static int opentemp(const char *target, const char *tmp, mode_t mode, int *named)
{
    char dir[PATH_MAX];
    folderof(target, dir);
    *named = 0;
    int fd = open(dir, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR))
        return fd;
    *named = 1;
    return open(tmp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}

// Names a finished unnamed file. AT_EMPTY_PATH, where the user is
// privileged, is the quicker; through /proc anyone may.
static int givename(int fd, const char *name)
{
    char proc[32];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    return linkat(fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0
        || linkat(AT_FDCWD, proc, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0;
}

// A new sheet takes its name as soon as it is complete. A replacement
// takes the old file's owner, group and permissions, then the temporary
// name for as short a time as it can, and the old file's name by a
// rename. Returns 1 when saved, 0 when not, and -1 when the replacement
// cannot be the file the old one was (another owner or group, or a folder
// the user may not write): the caller then writes the old file in place.
static int replacefile(const char *target, const struct stat *old, const unsigned char *data, size_t len)
{
    char tmp[PATH_MAX];
    int named;
    if (!temppath(target, tmp))
        return 0;
    unlink(tmp);
    int fd = opentemp(target, tmp, old ? 0600 : 0666, &named);
    if (fd < 0)
        return old && (errno == EACCES || errno == EPERM) ? -1 : 0;
    if (old && fchown(fd, old->st_uid, old->st_gid) != 0) {
        close(fd);
        unlink(tmp);
        return -1;
    }
    int ok = (!old || fchmod(fd, old->st_mode & 07777) == 0) && writeall(fd, data, len) && fsync(fd) == 0;
    if (ok && !named)
        ok = givename(fd, old ? tmp : target);
    if (ok && (named || old))
        ok = rename(tmp, target) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok)
        unlink(tmp);
    else
        syncfolder(target);
    return ok;
}

// Keeps the file's names, links, owner and permissions. Reserving the
// whole new size first makes a full disk refuse the save before a byte of
// the old sheet changes.
static int writeinplace(int fd, const unsigned char *data, size_t len)
{
    return posix_fallocate(fd, 0, (off_t)len) == 0 && writeall(fd, data, len)
        && ftruncate(fd, (off_t)len) == 0 && fsync(fd) == 0;
}

// A sheet that failed to load is not overwritten, nor one the user may not
// write. One with other hard links is written in place: a rename would
// leave the other names with the old sheet.
static int writesheet(const unsigned char *data, size_t len)
{
    char target[PATH_MAX];
    struct stat st;
    if (sheetlocked || !targetpath(sheetname(), target))
        return 0;
    int fd = openregularfd(target, O_WRONLY, &st);  // refused unless the user may write it
    if (fd < 0)
        return errno == ENOENT && replacefile(target, NULL, data, len) == 1;
    int saved = st.st_nlink > 1 ? -1 : replacefile(target, &st, data, len);
    if (saved < 0)
        saved = writeinplace(fd, data, len);
    return close(fd) == 0 && saved;
}

void savetiles()
{
    size_t len = encodesheet(savebuf);
    post(writesheet(savebuf, len) ? "tile image saved." : SAVEFAILED);
}
