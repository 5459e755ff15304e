// File names, the rules for following links, and opening, reading and
// writing whole files as the editor and vorludit-sheet both do.
#include "savefile.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

unsigned char filebuf[FILEMAX + 1];

static const int LINKHOPS = 40; // links the kernel follows before a name counts as a loop

const char* sheetfilename(int n)
{
    static const char* const names[SHEETFILES] = { "1TIL0000.bmp", "2TIL0000.bmp", "3TIL0000.bmp" };
    if (n < 1 || n > SHEETFILES)
        return names[0];
    return names[n - 1];
}

fileid idof(const struct stat* st)
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

fileid idwith(const struct stat* st, const unsigned char* data, size_t len)
{
    fileid id = idof(st);
    id.read = 1;
    id.hash = contenthash(data, len);
    return id;
}

int sameid(const fileid* a, const fileid* b)
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

// A FIFO or a device under one of our names must not hang the editor
// or be read or written: files are opened without blocking (and never as
// a terminal), and only a regular file (or a link to one) is taken, its
// status left in st. Links are followed only as for the sheet: not one
// another user planted in a shared folder. Returns the descriptor, or -1
// with errno ENOENT for a missing file, EINVAL for one that is not regular
// and EACCES for a link not followed.
int openregularfd(const char* path, int flags, struct stat* st)
{
    if (!followable(path))
        return -1;
    int fd = open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// The same, for reading through a stream.
FILE* openregular(const char* path)
{
    struct stat st;
    int fd = openregularfd(path, O_RDONLY, &st);
    if (fd < 0)
        return NULL;
    FILE* f = fdopen(fd, "rb");
    if (f == NULL)
        close(fd);
    return f;
}

// Opening without blocking says whether the name can be opened at all;
// whether it holds a sheet is for the load to find out.
int fileexists(const char* path)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    close(fd);
    return 1;
}

// Both descriptors name the file that is under name in dir now.
int isnamed(int dir, const char* name, int fd)
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
int opensheet(const char* name, int flags, int* dir, const char** base, struct stat* st)
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
long readall(int fd, unsigned char* buf, size_t max)
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

int writeall(int fd, const unsigned char* data, size_t len, off_t at)
{
    for (size_t done = 0; done < len;) {
        ssize_t n = pwrite(fd, data + done, len - done, at + (off_t)done);
        if (n <= 0)
            return 0;
        done += (size_t)n;
    }
    return 1;
}
