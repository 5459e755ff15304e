// The rescue copy beside a sheet that a save writes in place: the new sheet
// whole and on disk before the file's first byte changes, so that a save
// cut short leaves a whole sheet to load.
#include "savefile.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A rescue copy ends with this mark and the device and inode of the file
// it rescues: a sheet another program put in that file's place since is
// not covered by it.
static const char RESCUEMARK[16] = "vorludit rescue";
struct rescuetail {
    char mark[sizeof RESCUEMARK];
    uint64_t dev, ino;
};
unsigned char rescuebuf[BMPMAX + sizeof(rescuetail) + 1];
static unsigned char zeros[4096]; // what reserves room where fallocate cannot

// The rescue copy's name beside a sheet's: ".NAME.rescue", NAME cut to fit.
static void rescuename(const char* base, char* name)
{
    snprintf(name, NAME_MAX + 1, ".%.*s.rescue", NAME_MAX - 8, base);
}

// A rescue copy counts only as this program leaves it: a file of one name,
// not a link, owned by the user or by the sheet's owner, so that nobody
// else can slip a sheet in through it, and made for the file now there.
// Returns the length of its sheet in rescuebuf, or 0 for none.
long readrescue(int dir, const char* base, const struct stat* sheet)
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

void droprescue(int dir, const char* base)
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
int writeinplace(int fd, int dir, const char* base, const struct stat* st,
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
