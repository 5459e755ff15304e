// What a replacing save carries over from the old sheet file to the new
// one besides its content.
#include "savefile.h"
#include <cerrno>
#include <climits>
#include <cstring>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

static char xattrnames[XATTR_LIST_MAX]; // a file's extended attributes, one at a time
static char xattrvalue[XATTR_SIZE_MAX];

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
int takeover(int old, const struct stat* st, int fd)
{
    return fchown(fd, st->st_uid, st->st_gid) == 0 && copyxattrs(old, fd)
        && fchmod(fd, st->st_mode & 07777) == 0 && copyflags(old, fd);
}
