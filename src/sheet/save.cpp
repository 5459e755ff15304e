// The one save of a sheet file, for the editor and for vorludit-sheet.
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
#include "savefile.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

fileid sheetseen;

static const int TEMPNAMES = 10; // temporary names tried: the fixed one and nine random ones
static const int LOCKWAITS = 100; // 10 ms waits for another save of the sheet to end

// Test hook: VORLUDIT_SAVETEST holding "notmpfile" or "nofallocate" makes a
// save act as on a file system without unnamed files or without fallocate.
int savetest(const char* what)
{
    const char* t = getenv("VORLUDIT_SAVETEST");
    return t != NULL && strstr(t, what) != NULL;
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
void syncfolder(int dir)
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
int claimtemp(int dir, const char* base, int fd, mode_t mode, char* tmp)
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
fileid currentid(int dir, const char* base, const struct stat* st)
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
int changedmeanwhile(int dir, const char* base, int fd, const fileid* expect)
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
