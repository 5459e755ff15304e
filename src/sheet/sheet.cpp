// The sheet store and its file: load on start-up and Ctrl+F4, save on F5.
// A save does not leave the user's file half-written: the new sheet goes to
// a temporary file beside it, which takes everything the old file is (owner,
// group, permissions, extended attributes and ACLs, file attributes) and
// replaces it only when it is complete and on disk. Where a rename would
// change what the file is (its other names, its owner, attributes the user
// cannot set) or cannot be made, the file is written in place instead: the
// new sheet first goes whole and on disk to a rescue copy beside it, which
// is removed once the file is whole again. A save cut short in place (a
// full disk, a crash) leaves the copy, and the next load shows the sheet
// from it and says so. A save never writes over a sheet someone else
// changed since it was loaded or saved, unless asked twice.
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
#include <sys/random.h>
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
// A rescue copy ends with this mark and the device and inode of the file
// it rescues: a sheet another program put in that file's place since is
// not covered by it.
static const char RESCUEMARK[16] = "vorludit rescue";
struct rescuetail {
    char mark[sizeof RESCUEMARK];
    uint64_t dev, ino;
};
static unsigned char rescuebuf[BMPMAX + sizeof(rescuetail) + 1];
static long rescuelen; // of the copy beside the sheet read last; 0: none
static sheetimage scratch;
static char workfolder[PATH_MAX]; // where the first load found the sheet
static unsigned char savebuf[BMPMAX];
static char xattrnames[XATTR_LIST_MAX]; // a file's extended attributes, one at a time
static char xattrvalue[XATTR_SIZE_MAX];
static unsigned char zeros[4096]; // what reserves room where fallocate cannot

static const char* const READFAILED = "could not read tile image.";
static const char* const SAVEFAILED = "could not save tiles for some reason.";
static const char* const RESCUED = "last save unfinished: copy loaded, F5 saves.";
static const char* const CUTSHORT = "sheet file incomplete: copy kept beside it.";
static const int LINKHOPS = 40; // links the kernel follows before a name counts as a loop
static const int TEMPNAMES = 10; // temporary names tried: the fixed one and nine random ones
static const int LOCKWAITS = 100; // 10 ms waits for another save of the sheet to end

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
    workfolder[0] = 0;
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
    }
    return id;
}

static uint64_t contenthash(const unsigned char* data, size_t len)
{
    uint64_t h = 14695981039346656037u; // 64-bit FNV-1a
    for (size_t i = 0; i < len; i++)
        h = (h ^ data[i]) * 1099511628211u;
    return h;
}

static fileid idwith(const struct stat* st, const unsigned char* data, size_t len)
{
    fileid id = idof(st);
    id.read = 1;
    id.hash = contenthash(data, len);
    return id;
}

static int sameid(const fileid* a, const fileid* b)
{
    int samecontent = !a->read || !b->read || a->hash == b->hash;
    return a->there == b->there && a->dev == b->dev && a->ino == b->ino && a->size == b->size
        && samecontent;
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

int followable(const char* path)
{
    char target[PATH_MAX];
    return targetpath(path, target);
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

// Reads a whole open file into buf, which holds max bytes and one more to
// tell a larger file; returns its length, or -1.
static long readall(int fd, unsigned char* buf, size_t max)
{
    size_t n = 0;
    while (n <= max) {
        ssize_t got = pread(fd, buf + n, max + 1 - n, (off_t)n);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        n += (size_t)got;
    }
    return n > max ? -1 : (long)n;
}

// The rescue copy's name beside a sheet's: ".NAME.rescue", NAME cut to fit.
static void rescuename(const char* base, char* name)
{
    snprintf(name, NAME_MAX + 1, ".%.*s.rescue", NAME_MAX - 8, base);
}

// A rescue copy counts only as this program leaves it: a file of one name,
// not a link, owned by the user or by the sheet's owner, so that nobody
// else can slip a sheet in through it, and made for the file now there.
// Returns the length of its sheet in rescuebuf, or 0 for none.
static long readrescue(int dir, const char* base, const struct stat* sheet)
{
    char name[NAME_MAX + 1];
    struct stat st;
    rescuename(base, name);
    int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int owner
        = fstat(fd, &st) == 0 && (st.st_uid == geteuid() || (sheet && st.st_uid == sheet->st_uid));
    long n = owner && S_ISREG(st.st_mode) && st.st_nlink == 1
        ? readall(fd, rescuebuf, sizeof rescuebuf - 1)
        : 0;
    close(fd);
    rescuetail tail;
    if (n < (long)sizeof tail)
        return 0;
    n -= (long)sizeof tail;
    memcpy(&tail, rescuebuf + n, sizeof tail);
    int forthis
        = sheet == NULL || (tail.dev == (uint64_t)sheet->st_dev && tail.ino == sheet->st_ino);
    return memcmp(tail.mark, RESCUEMARK, sizeof RESCUEMARK) == 0 && forthis ? n : 0;
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
void loadtiles()
{
    int missing;
    findworkfolder();
    long n = readfile(sheetname(), &missing);
    int rescued = rescuelen > 0 ? decodesheet(rescuebuf, (size_t)rescuelen, &scratch) : 0;
    if (rescued > 0 && rescued <= SHEETH) {
        commitsheet(&scratch);
        sheetlocked = 0;
        post(RESCUED);
        return;
    }
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
    errno = EPERM; // as FAT and exFAT refuse links
    if (savetest("nolink"))
        return 0;
    return linkat(fd, "", dir, name, AT_EMPTY_PATH) == 0
        || linkat(AT_FDCWD, proc, dir, name, AT_SYMLINK_FOLLOW) == 0;
}

// The temporary's names beside the target: ".NAME.saving" first, so that
// a save removes what a killed one left; when that name is taken by
// something this user cannot remove (a folder, another user's file in a
// shared folder), ".NAME.saving-" and six random letters, which nobody can
// take in advance. NAME is cut to fit a file name's limit.
static void tempname(const char* base, int k, char* tmp)
{
    char suffix[24] = ".saving";
    unsigned char r[6] = { 0 };
    if (k > 0 && getrandom(r, sizeof r, 0) != (ssize_t)sizeof r)
        r[0] = (unsigned char)k; // no randomness: at least a name of its own for each try
    if (k > 0)
        snprintf(suffix, sizeof suffix, ".saving-%c%c%c%c%c%c", 'a' + r[0] % 26, 'a' + r[1] % 26,
            'a' + r[2] % 26, 'a' + r[3] % 26, 'a' + r[4] % 26, 'a' + r[5] % 26);
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

// The file attributes chattr sets (no dump, no atime updates, ..., and
// btrfs's no copy-on-write and no compression, which the kernel's own list
// of them leaves out). No copy-on-write can only be set on an empty file:
// a sheet that has it is written in place.
static int copyflags(int from, int to)
{
    const int kept = FS_FL_USER_MODIFIABLE | FS_NOCOW_FL | FS_NOCOMP_FL;
    int old, now;
    if (ioctl(from, FS_IOC_GETFLAGS, &old) != 0)
        return errno == ENOTTY || errno == EOPNOTSUPP;
    if (ioctl(to, FS_IOC_GETFLAGS, &now) != 0)
        return 0;
    int want = (now & ~kept) | (old & kept);
    if (want == now)
        return 1;
    // btrfs takes no copy-on-write on a file with data without a word
    return ioctl(to, FS_IOC_SETFLAGS, &want) == 0 && ioctl(to, FS_IOC_GETFLAGS, &now) == 0
        && now == want;
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

// What replacefile returns when the file itself must be written instead: in
// place, or a new one under its own name.
static const int WRITEDIRECT = 2;

// The file under base in dir, whose status st a save has, with its content:
// read through the name, since the save's descriptor is open for writing
// only.
static fileid currentid(int dir, const char* base, const struct stat* st)
{
    struct stat rs;
    int rd = openat(dir, base, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    int same = rd >= 0 && fstat(rd, &rs) == 0 && rs.st_dev == st->st_dev && rs.st_ino == st->st_ino;
    long n = same ? readall(rd, filebuf, FILEMAX) : -1;
    if (rd >= 0)
        close(rd);
    return n >= 0 ? idwith(st, filebuf, (size_t)n) : idof(st);
}

// Whether another program (one that does not take the lock) changed the
// file since the save found it as expect says (NULL: not asked). If so,
// the file as it is now counts as seen, so that F5 again writes over it.
static int changedmeanwhile(int dir, const char* base, int fd, const fileid* expect)
{
    struct stat st;
    if (expect == NULL || fstat(fd, &st) != 0)
        return 0;
    fileid now = currentid(dir, base, &st);
    if (sameid(&now, expect))
        return 0;
    sheetseen = now;
    return 1;
}

// A new sheet takes its name without replacing a file that appeared
// meanwhile: by a link, or where the file system has none (FAT, exFAT) by
// renaming its temporary name (tmp, NULL when it has none) without
// replacing.
static int namenew(int fd, int dir, const char* tmp, const char* base)
{
    if (namefile(fd, dir, base))
        return 1;
    if (errno == EEXIST || tmp == NULL)
        return 0;
    return renameat2(dir, tmp, dir, base, RENAME_NOREPLACE) == 0;
}

// Writes a new file beside the old one (old -1 when there is none) and puts
// it in place: a new sheet takes its name as namenew gives it; a
// replacement takes what the old file is, then a temporary name and the
// old file's by a rename, provided the old file is still as expect says.
// Returns SAVEMADE, SAVENOTMADE, SAVECHANGED, or WRITEDIRECT when the
// replacement cannot be what the old file was (another owner or group,
// attributes the user cannot set) or cannot be made (a folder the user may
// not write, a file mounted over its name, a new file no name can be given
// to): the caller then writes the file itself.
static int replacefile(int dir, const char* base, int old, const struct stat* st,
    const unsigned char* data, size_t len, const fileid* expect)
{
    char tmp[NAME_MAX + 1];
    mode_t mode = old >= 0 ? 0600 : 0666;
    int fd = savetest("notmpfile") ? -1 : openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    int named = fd < 0 && (savetest("notmpfile") || errno == EOPNOTSUPP || errno == EISDIR);
    if (named)
        fd = claimtemp(dir, base, -1, mode, tmp);
    if (fd < 0)
        return old >= 0 && (errno == EACCES || errno == EPERM || errno == EEXIST) ? WRITEDIRECT
                                                                                  : SAVENOTMADE;
    int written = writeall(fd, data, len, 0);
    int same = !written || old < 0 || takeover(old, st, fd);
    int ok = written && same && fsync(fd) == 0;
    int changed = 0, direct = !same;
    if (old < 0 && ok) {
        ok = namenew(fd, dir, named ? tmp : NULL, base);
        direct = !ok && errno != EEXIST;
    } else if (ok) {
        named = named || claimtemp(dir, base, fd, 0, tmp) >= 0;
        changed = named && changedmeanwhile(dir, base, old, expect);
        ok = named && !changed && isnamed(dir, tmp, fd) && renameat(dir, tmp, dir, base) == 0;
        direct = named && !changed && !ok && errno == EBUSY; // a file mounted over the name
    }
    struct stat now;
    if (ok && fstat(fd, &now) == 0)
        sheetseen = idwith(&now, data, len);
    if (named && (!ok || old < 0))
        dropname(dir, tmp, fd);
    if (ok)
        syncfolder(dir);
    int why = errno;
    ok = close(fd) == 0 && ok;
    errno = why;
    if (changed)
        return SAVECHANGED;
    return direct ? WRITEDIRECT : ok ? SAVEMADE : SAVENOTMADE;
}

// A new file made under its own name, where no finished file can be given
// one: a crash while it is written leaves a short new file, no lost one.
static int writenew(int dir, const char* base, const unsigned char* data, size_t len)
{
    struct stat st;
    int fd = openat(dir, base, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return SAVENOTMADE;
    int ok = writeall(fd, data, len, 0) && fsync(fd) == 0 && fstat(fd, &st) == 0;
    if (ok)
        sheetseen = idwith(&st, data, len);
    else
        unlinkat(dir, base, 0);
    ok = close(fd) == 0 && ok;
    if (ok)
        syncfolder(dir);
    return ok ? SAVEMADE : SAVENOTMADE;
}

// The new sheet, whole and on disk, under the rescue copy's name beside
// the file: given that name by a rename, so that a copy an earlier cut
// save left stays whole until this one is.
static int writerescue(
    int dir, const char* base, const struct stat* st, const unsigned char* data, size_t len)
{
    char name[NAME_MAX + 1], tmp[NAME_MAX + 1];
    rescuetail tail;
    memcpy(tail.mark, RESCUEMARK, sizeof RESCUEMARK);
    tail.dev = st->st_dev;
    tail.ino = st->st_ino;
    rescuename(base, name);
    int fd = claimtemp(dir, name, -1, 0600, tmp);
    if (fd < 0)
        return 0;
    int ok = writeall(fd, data, len, 0)
        && writeall(fd, (const unsigned char*)&tail, sizeof tail, (off_t)len) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok && renameat(dir, tmp, dir, name) == 0;
    if (!ok)
        unlinkat(dir, tmp, 0);
    if (ok)
        syncfolder(dir);
    return ok;
}

static void droprescue(int dir, const char* base)
{
    char name[NAME_MAX + 1];
    rescuename(base, name);
    if (unlinkat(dir, name, 0) == 0)
        syncfolder(dir);
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

// Test hook: VORLUDIT_SAVETEST holding "cutshort" makes a write in place
// stop after 32768 bytes for want of room, as on a full copy-on-write disk.
static int writeplace(int fd, const unsigned char* data, size_t len)
{
    if (!savetest("cutshort"))
        return writeall(fd, data, len, 0);
    writeall(fd, data, len < 32768 ? len : 32768, 0);
    errno = ENOSPC;
    return 0;
}

// Keeps the file's names, links, owner, permissions and attributes. The
// new sheet goes whole to the rescue copy first, and the copy goes once the
// file is whole and on disk; a save cut short meanwhile leaves the copy
// (SAVECUTSHORT). One that fails with the file still as it was (before
// says what it held), or finds it changed meanwhile, removes it again. The
// file is this save's to note as seen whatever came of it.
static int writeinplace(int fd, int dir, const char* base, const struct stat* st,
    const unsigned char* data, size_t len, const fileid* before, const fileid* expect)
{
    if (!writerescue(dir, base, st, data, len))
        return SAVENOTMADE;
    int changed = changedmeanwhile(dir, base, fd, expect);
    int reserved = !changed && reserve(fd, st->st_size, len);
    int ok = reserved && writeplace(fd, data, len)
        && (st->st_size <= (off_t)len || ftruncate(fd, (off_t)len) == 0) && fsync(fd) == 0;
    int why = errno;
    struct stat now;
    fileid after = *before;
    if (!changed && fstat(fd, &now) == 0) // read back only when the write failed
        after = ok ? idwith(&now, data, len) : currentid(dir, base, &now);
    int untouched = !ok && before->read && after.read && after.hash == before->hash;
    if (!changed)
        sheetseen = after;
    if (ok || !reserved || untouched)
        droprescue(dir, base);
    errno = why;
    if (changed)
        return SAVECHANGED;
    return ok ? SAVEMADE : reserved && !untouched ? SAVECUTSHORT : SAVENOTMADE;
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
// Returns SAVEMADE, SAVENOTMADE (errno says why), SAVECUTSHORT, or, with
// SAVESEEN, SAVECHANGED when the file is not the one last loaded or saved:
// it is then taken as seen, so that the next save writes over it. A file
// nobody may write is never replaced, also by root; one with other hard
// links is written in place, since a rename would leave the other names
// with the old sheet. A save that is made removes a rescue copy.
int savefile(const char* name, const unsigned char* data, size_t len, int replace)
{
    int dir;
    const char* base;
    struct stat st;
    int fd = locksheet(name, &dir, &base, &st);
    if (fd < 0 && dir < 0)
        return SAVENOTMADE;
    fileid now = fd >= 0 ? currentid(dir, base, &st) : idof(NULL);
    const fileid* expect = replace == SAVESEEN && sheetseen.known ? &now : NULL;
    int saved;
    if (expect != NULL && fd >= 0 && !sameid(&now, &sheetseen)) {
        sheetseen = now;
        saved = SAVECHANGED;
    } else if (fd < 0) {
        saved = replacefile(dir, base, -1, NULL, data, len, NULL);
        if (saved == WRITEDIRECT)
            saved = writenew(dir, base, data, len);
    } else if (replace == SAVENEW || (st.st_mode & 0222) == 0) {
        errno = replace == SAVENEW ? EEXIST : EACCES;
        saved = SAVENOTMADE;
    } else {
        saved = st.st_nlink > 1 ? WRITEDIRECT : replacefile(dir, base, fd, &st, data, len, expect);
        if (saved == WRITEDIRECT)
            saved = writeinplace(fd, dir, base, &st, data, len, &now, expect);
    }
    int why = errno;
    if (fd >= 0 && close(fd) != 0 && saved == SAVEMADE)
        saved = SAVENOTMADE;
    if (saved == SAVEMADE)
        droprescue(dir, base);
    close(dir);
    errno = why;
    return saved;
}

void savetiles()
{
    findworkfolder();
    size_t len = encodesheet(savebuf);
    int saved = sheetlocked ? SAVENOTMADE : savefile(sheetname(), savebuf, len, SAVESEEN);
    const char* said = saved == SAVEMADE ? "tile image saved."
        : saved == SAVECHANGED           ? "sheet changed on disk: F5 again saves over it."
        : saved == SAVECUTSHORT          ? CUTSHORT
                                         : SAVEFAILED;
    post(said);
}
