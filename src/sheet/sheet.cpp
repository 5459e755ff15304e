// The sheet store and its file: load on start-up and Ctrl+F4, save on F5.
// A save does not leave the user's file half-written: the new sheet goes to
// a temporary file beside it, which takes everything the old file is (owner,
// group, permissions, extended attributes and ACLs, file attributes) and
// replaces it only when it is complete and on disk. Where a rename would
// change what the file is (its other names, its owner, attributes the user
// cannot set) or cannot be made, the file is written in place instead, its
// whole size reserved first, so that a full disk refuses the save before
// anything changes; only a crash in the middle of such a save can leave it
// half-written. A save never writes over a sheet someone else changed since
// it was loaded or saved, unless asked twice.
#include "vorludit.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

unsigned char img[SHEETW * SHEETH];
unsigned char pal[16][3];
int imgw = SHEETW, imgh = SHEETH;
int tsrows = SHEETH / TILE;
int sheetlocked;
fileid sheetseen;
char namedsheet[NAME_MAX + 1];

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

// Larger than any 208-pixel-wide 4-bit sheet a paint program would write;
// a bigger file is not taken for a sheet.
static const size_t FILEMAX = 4 << 20;
static unsigned char filebuf[FILEMAX + 1];
static sheetimage scratch;
static unsigned char savebuf[BMPMAX];
static char xattrnames[XATTR_LIST_MAX]; // a file's extended attributes, one at a time
static char xattrvalue[XATTR_SIZE_MAX];
static unsigned char zeros[4096]; // what reserves room where fallocate cannot

static const char* const READFAILED = "could not read tile image.";
static const char* const SAVEFAILED = "could not save tiles for some reason.";
static const int LINKHOPS = 40; // links the kernel follows before a name counts as a loop
static const int TEMPNAMES = 10; // temporary names tried: the fixed one and nine more
static const int LOCKWAITS = 500; // 10 ms waits for another save of the sheet to end

void resetsheet()
{
    memset(img, 0, sizeof img);
    memset(pal, 0, sizeof pal);
    imgw = SHEETW;
    imgh = SHEETH;
    tsrows = SHEETH / TILE;
    sheetlocked = 0;
    memset(&sheetseen, 0, sizeof sheetseen);
    namedsheet[0] = 0;
}

const char* sheetfilename(int n)
{
    static const char* const names[SHEETFILES] = { "1TIL0000.bmp", "2TIL0000.bmp", "3TIL0000.bmp" };
    if (n < 1 || n > SHEETFILES)
        return names[0];
    return names[n - 1];
}

const char* sheetname() { return namedsheet[0] ? namedsheet : sheetfilename(episode); }

static void post(const char* text)
{
    initoutbuf(text);
    message(MESSAGEFRAMES);
}

// Test hook: VORLUDIT_SAVETEST holding "notmpfile" or "nofallocate" makes a
// save act as on a file system without unnamed files or without fallocate.
static int savetest(const char* what)
{
    const char* t = getenv("VORLUDIT_SAVETEST");
    return t != NULL && strstr(t, what) != NULL;
}

static fileid idof(const struct stat* st)
{
    fileid id;
    memset(&id, 0, sizeof id);
    id.known = 1;
    if (st != NULL) {
        id.there = 1;
        id.dev = st->st_dev;
        id.ino = st->st_ino;
        id.size = st->st_size;
        id.mtime = st->st_mtim.tv_sec;
        id.mtimens = st->st_mtim.tv_nsec;
    }
    return id;
}

static int sameid(const fileid* a, const fileid* b)
{
    return a->there == b->there && a->dev == b->dev && a->ino == b->ino && a->size == b->size
        && a->mtime == b->mtime && a->mtimens == b->mtimens;
}

// The length of the folder part of a path, its last slash included; 0 for
// a name in the working folder.
static int folderlength(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash ? (int)(slash - path + 1) : 0;
}

// The folder a path names a file in: "." for a bare name.
static void folderof(const char* path, char* dir)
{
    int dirlen = folderlength(path);
    snprintf(dir, PATH_MAX, "%.*s", dirlen ? dirlen : 1, dirlen ? path : ".");
}

// Linux's rule for links in shared folders, kept whatever the machine's
// setting: in a sticky folder anyone may write (/tmp), a link is followed
// only when it belongs to the user or to the folder's owner, so another
// user cannot plant a sheet name that leads to a file of the user's.
static int mayfollow(const char* link)
{
    char dir[PATH_MAX];
    struct stat ls, ds;
    folderof(link, dir);
    if (lstat(link, &ls) != 0 || stat(dir, &ds) != 0)
        return 0;
    int shared = (ds.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || ls.st_uid == geteuid() || ls.st_uid == ds.st_uid;
}

// Where the sheet really lives: links are followed one at a time, each
// relative to its own folder, so that the link itself stays and a link to
// a file not made yet still names where the first save creates it. As many
// links are followed as the kernel would follow.
static int targetpath(const char* name, char* path)
{
    if (strlen(name) >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return 0;
    }
    strcpy(path, name);
    for (int hops = 0;; hops++) {
        char link[PATH_MAX], next[PATH_MAX];
        ssize_t n = readlink(path, link, sizeof link - 1);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT; // not a link, or nothing there yet
        errno = hops == LINKHOPS ? ELOOP : EACCES;
        if (hops == LINKHOPS || !mayfollow(path))
            return 0;
        link[n] = 0;
        int dirlen = link[0] == '/' ? 0 : folderlength(path);
        errno = ENAMETOOLONG;
        if (snprintf(next, sizeof next, "%.*s%s", dirlen, path, link) >= PATH_MAX)
            return 0;
        strcpy(path, next);
    }
}

// Both descriptors name the file that is under name in dir now.
static int isnamed(int dir, const char* name, int fd)
{
    struct stat a, b;
    return fstatat(dir, name, &a, AT_SYMLINK_NOFOLLOW) == 0 && fstat(fd, &b) == 0
        && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the file a sheet's name leads to, as the kernel finds it through
// that name, provided the links on the way are ones this program follows
// and lead to that very file (a save replacing it meanwhile makes the two
// differ for a moment: that is tried again). *dir is then the file's
// folder and *base its name there. Returns the descriptor; -1 with errno
// ENOENT and *dir open when there is no file yet; else -1 with *dir closed.
static int opensheet(const char* name, int flags, int* dir, const char** base, struct stat* st)
{
    static char path[PATH_MAX];
    char folder[PATH_MAX];
    *dir = -1;
    for (int tries = 0; tries < 3; tries++) {
        if (!targetpath(name, path))
            return -1;
        folderof(path, folder);
        *base = path + folderlength(path);
        *dir = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (*dir < 0)
            return -1;
        int fd = openregularfd(name, flags, st);
        if (fd < 0 && errno == ENOENT)
            return -1;
        if (fd >= 0 && isnamed(*dir, *base, fd))
            return fd;
        int why = errno;
        if (fd >= 0)
            close(fd);
        close(*dir);
        *dir = -1;
        errno = why;
        if (fd < 0)
            return -1;
    }
    errno = EACCES; // the name leads elsewhere than the links do
    return -1;
}

// Reads the whole sheet file into filebuf and notes what file it was;
// returns its length, or -1.
static long readfile(const char* name, int* missing)
{
    int dir;
    const char* base;
    struct stat st;
    int fd = opensheet(name, O_RDONLY, &dir, &base, &st);
    *missing = fd < 0 && errno == ENOENT && dir >= 0;
    if (dir >= 0)
        close(dir);
    sheetseen = idof(fd >= 0 ? &st : NULL);
    FILE* f = fd >= 0 ? fdopen(fd, "rb") : NULL;
    if (f == NULL) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    size_t n = fread(filebuf, 1, sizeof filebuf, f);
    int failed = ferror(f) || n > FILEMAX;
    fclose(f);
    return failed ? -1 : (long)n;
}

// Rows below imgh keep what they held: a shorter sheet only replaces its
// own rows.
void commitsheet(const sheetimage* s)
{
    for (int x = 0; x < SHEETW; x++)
        memcpy(img + x * SHEETH, s->pix + x * SHEETH, (size_t)s->h);
    memcpy(pal, s->pal, sizeof pal);
    imgh = s->h;
    tsrows = imgh / TILE;
}

// An existing file that fails to load stays locked against saving, so a
// save cannot overwrite a sheet this program did not understand (nor one
// reached through links it does not follow); an empty file holds nothing
// to lose. A sheet taller than the store loads its
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

static int writeall(int fd, const unsigned char* data, size_t len, off_t at)
{
    for (size_t done = 0; done < len;) {
        ssize_t n = pwrite(fd, data + done, len - done, at + (off_t)done);
        if (n <= 0)
            return 0;
        done += (size_t)n;
    }
    return 1;
}

// Another save of the sheet (this program's, or vorludit-sheet's) holds
// the lock for its whole length; the two take turns. A file system without
// locks saves as if unlocked.
static int lockfile(int fd)
{
    for (int i = 0; i < LOCKWAITS; i++) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
            return 1;
        usleep(10000);
    }
    return 0;
}

// The rename is only on disk once the folder is; a failure here is not
// worth reporting, the new file is complete either way.
static void syncfolder(int dir)
{
    int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Gives an open file a name in dir. AT_EMPTY_PATH, where the user is
// privileged, is the quicker; through /proc anyone may.
static int namefile(int fd, int dir, const char* name)
{
    char proc[32];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    return linkat(fd, "", dir, name, AT_EMPTY_PATH) == 0
        || linkat(AT_FDCWD, proc, dir, name, AT_SYMLINK_FOLLOW) == 0;
}

// The temporary's names beside the target: ".NAME.saving" first, so that
// a save removes what a killed one left; ".NAME.saving1" to 9 when that
// name is taken by something this user cannot remove (a folder, another
// user's file in a shared folder). NAME is cut to fit a file name's limit.
static void tempname(const char* base, int k, char* tmp)
{
    char suffix[24] = ".saving";
    if (k > 0)
        snprintf(suffix, sizeof suffix, ".saving%d", k);
    snprintf(tmp, NAME_MAX + 1, ".%.*s%s", NAME_MAX - 1 - (int)strlen(suffix), base, suffix);
}

// Gives fd the first temporary name that is free or can be freed; with fd
// -1, creates a new file under it. Returns the descriptor, or -1.
static int claimtemp(int dir, const char* base, int fd, mode_t mode, char* tmp)
{
    for (int k = 0; k < TEMPNAMES; k++) {
        tempname(base, k, tmp);
        for (int again = 0; again < 2; again++) {
            int made = fd >= 0 ? namefile(fd, dir, tmp)
                               : (fd = openat(dir, tmp,
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode))
                    >= 0;
            if (made)
                return fd;
            if (errno != EEXIST)
                return -1;
            if (unlinkat(dir, tmp, 0) != 0)
                break;
        }
    }
    errno = EEXIST;
    return -1;
}

// A file's extended attributes (ACLs among them) onto another file, which
// first loses its own (a folder's default ACL, say). A file system without
// them has none to copy.
static int copyxattrs(int from, int to)
{
    ssize_t n = flistxattr(to, xattrnames, sizeof xattrnames);
    for (char* p = xattrnames; n > 0 && p < xattrnames + n; p += strlen(p) + 1)
        if (fremovexattr(to, p) != 0)
            return 0;
    n = flistxattr(from, xattrnames, sizeof xattrnames);
    if (n < 0)
        return errno == ENOTSUP;
    for (char* p = xattrnames; p < xattrnames + n; p += strlen(p) + 1) {
        ssize_t v = fgetxattr(from, p, xattrvalue, sizeof xattrvalue);
        if (v < 0 || fsetxattr(to, p, xattrvalue, (size_t)v, 0) != 0)
            return 0;
    }
    return 1;
}

// The file attributes chattr sets (no dump, no atime updates, ...).
static int copyflags(int from, int to)
{
    int old, now;
    if (ioctl(from, FS_IOC_GETFLAGS, &old) != 0)
        return errno == ENOTTY || errno == EOPNOTSUPP;
    if (ioctl(to, FS_IOC_GETFLAGS, &now) != 0)
        return 0;
    int want = (now & ~FS_FL_USER_MODIFIABLE) | (old & FS_FL_USER_MODIFIABLE);
    return want == now || ioctl(to, FS_IOC_SETFLAGS, &want) == 0;
}

// Makes the new file, once written (a write would drop set-id bits and
// capabilities), what the old one is but for its content and names. The
// mode goes last: the owner change clears set-id bits, and it matches the
// ACL's mask either way.
static int takeover(int old, const struct stat* st, int fd)
{
    return fchown(fd, st->st_uid, st->st_gid) == 0 && copyxattrs(old, fd)
        && fchmod(fd, st->st_mode & 07777) == 0 && copyflags(old, fd);
}

// Removes a temporary name, provided it is still this save's file.
static void dropname(int dir, const char* tmp, int fd)
{
    if (isnamed(dir, tmp, fd))
        unlinkat(dir, tmp, 0);
}

// Writes a new file beside the old one (old -1 when there is none) and puts
// it in place: a new sheet takes its name by a link, which fails rather
// than replace a file that appeared meanwhile; a replacement takes what the
// old file is, then a temporary name and the old file's by a rename.
// Returns 1 when saved, 0 when not, and -1 when the replacement cannot be
// what the old file was (another owner or group, attributes the user
// cannot set) or cannot be made (a folder the user may not write, every
// temporary name taken): the caller then writes the old file in place.
static int replacefile(int dir, const char* base, int old, const struct stat* st,
    const unsigned char* data, size_t len)
{
    char tmp[NAME_MAX + 1];
    mode_t mode = old >= 0 ? 0600 : 0666;
    int fd = savetest("notmpfile") ? -1 : openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    int named = fd < 0 && (savetest("notmpfile") || errno == EOPNOTSUPP || errno == EISDIR);
    if (named)
        fd = claimtemp(dir, base, -1, mode, tmp);
    if (fd < 0)
        return old >= 0 && (errno == EACCES || errno == EPERM || errno == EEXIST) ? -1 : 0;
    int written = writeall(fd, data, len, 0);
    int same = !written || old < 0 || takeover(old, st, fd);
    int ok = written && same && fsync(fd) == 0;
    if (old < 0)
        ok = ok && namefile(fd, dir, base);
    else if (ok) {
        named = named || claimtemp(dir, base, fd, 0, tmp) >= 0;
        ok = named && isnamed(dir, tmp, fd) && renameat(dir, tmp, dir, base) == 0;
    }
    struct stat now;
    if (ok && fstat(fd, &now) == 0)
        sheetseen = idof(&now);
    if (named && (!ok || old < 0))
        dropname(dir, tmp, fd);
    if (ok)
        syncfolder(dir);
    int why = errno;
    ok = close(fd) == 0 && ok;
    errno = why;
    return same ? ok : -1;
}

// Reserves the new size before a byte changes, so that a full disk refuses
// the save. Where the file system has no fallocate, zeros past the old end
// take the room, and are cut off again when it is not there.
static int reserve(int fd, off_t old, size_t len)
{
    if (!savetest("nofallocate") && fallocate(fd, 0, 0, (off_t)len) == 0)
        return 1;
    if (!savetest("nofallocate") && errno != EOPNOTSUPP)
        return 0;
    for (off_t at = old; at < (off_t)len; at += (off_t)sizeof zeros) {
        size_t n = (off_t)len - at < (off_t)sizeof zeros ? (size_t)((off_t)len - at) : sizeof zeros;
        if (!writeall(fd, zeros, n, at)) {
            int why = errno;
            if (ftruncate(fd, old) == 0)
                errno = why;
            return 0;
        }
    }
    return 1;
}

// Keeps the file's names, links, owner, permissions and attributes. The
// file is this save's to note as seen whatever came of it: a failed
// reservation leaves the old sheet with only a new time.
static int writeinplace(int fd, const struct stat* st, const unsigned char* data, size_t len)
{
    struct stat now;
    int ok = reserve(fd, st->st_size, len) && writeall(fd, data, len, 0)
        && ftruncate(fd, (off_t)len) == 0 && fsync(fd) == 0;
    if (fstat(fd, &now) == 0)
        sheetseen = idof(&now);
    return ok;
}

// Opens and locks the sheet file for a save; a file replaced while this
// save waited for the lock is opened again. Returns as opensheet does.
static int locksheet(const char* name, int* dir, const char** base, struct stat* st)
{
    for (int tries = 0; tries < 3; tries++) {
        int fd = opensheet(name, O_WRONLY, dir, base, st);
        if (fd < 0)
            return -1;
        int locked = lockfile(fd);
        if (locked && isnamed(*dir, *base, fd) && fstat(fd, st) == 0)
            return fd;
        close(fd);
        close(*dir);
        if (!locked)
            break;
    }
    *dir = -1;
    errno = EAGAIN;
    return -1;
}

// The one save of a sheet file, for the editor and for vorludit-sheet.
// Returns 1 when saved, 0 when not (errno says why) and, with SAVESEEN,
// -1 when the file is not the one last loaded or saved: it is then taken
// as seen, so that the next save writes over it. A file nobody may write
// is never replaced, also by root; one with other hard links is written in
// place, since a rename would leave the other names with the old sheet.
int savefile(const char* name, const unsigned char* data, size_t len, int replace)
{
    int dir;
    const char* base;
    struct stat st;
    int fd = locksheet(name, &dir, &base, &st);
    if (fd < 0 && dir < 0)
        return 0;
    fileid now = idof(fd >= 0 ? &st : NULL);
    int saved;
    if (replace == SAVESEEN && fd >= 0 && sheetseen.known && !sameid(&now, &sheetseen)) {
        sheetseen = now;
        saved = -1;
    } else if (fd < 0)
        saved = replacefile(dir, base, -1, NULL, data, len) == 1;
    else if (replace == SAVENEW || (st.st_mode & 0222) == 0) {
        errno = replace == SAVENEW ? EEXIST : EACCES;
        saved = 0;
    } else {
        saved = st.st_nlink > 1 ? -1 : replacefile(dir, base, fd, &st, data, len);
        if (saved < 0)
            saved = writeinplace(fd, &st, data, len);
    }
    int why = errno;
    if (fd >= 0 && close(fd) != 0)
        saved = 0;
    close(dir);
    errno = why;
    return saved;
}

void savetiles()
{
    size_t len = encodesheet(savebuf);
    int saved = sheetlocked ? 0 : savefile(sheetname(), savebuf, len, SAVESEEN);
    post(saved > 0      ? "tile image saved."
            : saved < 0 ? "sheet changed on disk: F5 again saves over it."
                        : SAVEFAILED);
}
