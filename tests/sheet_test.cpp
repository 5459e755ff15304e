// The sheet file: the exact bytes a save writes, the layouts a load takes
// and refuses, and saves that fail without harming the file already there.
#include "support.h"
#include <csignal>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

typedef std::vector<unsigned char> bytes;
static const char *const NAME = "1TIL0000.bmp",
                         *const UNSAVED = "could not save tiles for some reason.",
                         *const CHANGED = "sheet changed on disk: F5 again saves over it.";
static unsigned char wantpal[16][3]; // the asymmetric sheet's palette

// The asymmetric sheet h rows high, put in the store and built here as a BMP,
// field by field: h < 0 top-down, an information header of the given size,
// the colours-used field, and extra rows of ff bytes, on top if bottom-up.
static bytes sheetfile(int h, uint32_t header = 40, uint32_t colours = 0, int extra = 0)
{
    int rows = abs(h);
    uint32_t at = 14 + header + 64, size = at + 104 * (rows + extra),
             words[] = { size, 0, at, header, 208, (uint32_t)(h + extra), 1 | 4 << 16, 0, size - at,
                 0, 0, colours }; // from offset 2, little-endian
    makeasymmetricsheet(rows);
    memcpy(wantpal, pal, sizeof pal);
    bytes f(at + 104 * rows);
    f[0] = 'B', f[1] = 'M';
    memcpy(&f[2], words, sizeof words);
    for (int i = 0; i < 48; i++) // B, G, R, unused
        f[14 + header + i / 3 * 4 + i % 3] = pal[i / 3][2 - i % 3];
    for (int y = 0; y < rows; y++) // two pixels a byte, the left one high
        for (int x = 0; x < 208; x++)
            f[at + 104 * (h < 0 ? y : rows - 1 - y) + x / 2] |= asymmetricpixel(x, y)
                << (x % 2 ? 0 : 4);
    f.resize(size, 0xff);
    return f;
}

// Loads each layout over a scrambled store, then saves: the store, and SDL's own reader on the
// saved file, show the sheet in its colours (black past the file's own); with 16 colours in its
// own order it saves as built here. A taller one is not saved, so as not to lose its top rows.
TEST(Sheet, LoadsLayoutsAndSavesExactlyWhatSDLReads)
{
    struct {
        const char* what;
        int h;
        unsigned header = 40, colours = 0, extra = 0;
        bool magick = 0;
    } cases[] = {
        { "848 high", 848 },
        { "200 high", 200 },
        { "849 high: the bottom 848 rows", 848, 40, 0, 1 },
        { "-848: top-down", -848 },
        { "124-byte header, top-down, 16 colours", -200, 124, 16 },
        { "12 colours, a gap before the rows", 200, 40, 12 },
        { "written by ImageMagick", 848, 40, 0, 0, true },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        int rows = abs(c.h), colours = c.colours ? c.colours : 16, wrong = 0;
        writebytes(NAME, sheetfile(c.h, c.header, c.colours, c.extra));
        ASSERT_TRUE(!c.magick
            || system("/usr/bin/convert 1TIL0000.bmp -depth 8 ppm:- | /usr/bin/convert ppm:- "
                      "-type Palette BMP3:1TIL0000.bmp")
                == 0)
            << "needs ImageMagick";
        memset(img, 9, sizeof img), memset(pal, 7, sizeof pal), imgh = tsrows = sheetlocked = 1;
        loadtiles(); // lifts the lock, but for a taller sheet
        EXPECT_TRUE(tsrows == rows / 16
            && !strcmp(mesbuf, c.extra ? "sheet taller than 848 rows: read only." : ""));
        savetiles();
        EXPECT_STREQ(mesbuf, c.extra ? UNSAVED : "tile image saved.");
        SDL_Surface* s
            = SDL_LoadBMP(NAME); // no flipped rows, swapped nibbles or swapped red and blue
        ASSERT_TRUE(
            s && s->w == 208 && s->h == rows + (int)c.extra && s->format->BitsPerPixel == 8);
        for (int x = 0; x < 208; x++)
            for (int y = 0; y < rows; y++) {
                int a = asymmetricpixel(x, y),
                    i = ((Uint8*)s->pixels)[(y + c.extra) * s->pitch + x];
                const unsigned char* rgb = a < colours ? wantpal[a] : (const unsigned char*)"\0\0";
                wrong += memcmp(pal[img[x * 848 + y]], rgb, 3)
                    || memcmp(&s->format->palette->colors[i], rgb, 3);
            }
        SDL_FreeSurface(s);
        EXPECT_TRUE(wrong == 0
            && (c.magick || colours < 16 || readbytes(NAME) == sheetfile(rows, 40, 0, c.extra)));
    }
}

// Each made from a good 200-high file: one or two fields changed (a byte at offset
// 1, else four), then given a length; then FIFOs. None may block or touch the store.
TEST(Sheet, RefusesBadFilesAndLeavesTheStore)
{
    struct {
        const char* what;
        int at;
        uint32_t v;
        size_t len = 20918;
        int at2 = 0;
        uint32_t v2 = 0;
    } cases[] = {
        { "BN", 1, 'N' },
        { "cut at 53", 0, 0, 53 },
        { "one byte short", 0, 0, 20917 },
        { "width 207", 18, 207 },
        { "width 209", 18, 209 },
        { "depth 8", 28, 8 },
        { "RLE4", 30, 2 },
        { "data inside the palette", 10, 117 },
        { "17 colours and room for them", 46, 17, 20918 + 4, 10, 122 },
        { "height 0", 22, 0 },
        { "OS/2 header", 14, 12 },
        { "height -2^31", 22, 0x80000000u },
        { "header past end", 14, 0xfffffff0u },
        { "empty", 0, 0, 0 },
        { "FIFOs", 0, 0, 1 },
    };
    alarm(10); // a FIFO read that waits for a writer ends the run here
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        bytes f = sheetfile(200);
        memcpy(&f[c.at], &c.v,
            c.at == 1  ? 1
                : c.at ? 4
                       : 0),
            memcpy(&f[c.at2], &c.v2, c.at2 ? 4 : 0);
        f.resize(c.len);
        writebytes(NAME, f);
        ASSERT_TRUE(c.len != 1
            || (remove(NAME) == 0 && mkfifo(NAME, 0600) == 0 && mkfifo("vorludef.txt", 0600) == 0));
        memset(img, 9, sizeof img), memset(pal, 7, sizeof pal), imgh = tsrows = 1;
        readsettings(), initeditor(), loadtiles(), loadtiles(); // start-up, then Ctrl+F4
        EXPECT_TRUE(strcmp(mesbuf, "could not read tile image.") == 0 && sheetlocked == (c.len > 0)
            && imgh == 1);
        EXPECT_TRUE(bytes(img, img + sizeof img) == bytes(sizeof img, 9)
            && bytes(pal[0], pal[16]) == bytes(48, 7));
        EXPECT_STREQ((remove(NAME), loadtiles(), savetiles(), mesbuf),
            "tile image saved."); // gone, reloaded: saved
    }
    alarm(0);
}

// One sheet's life, through a link: no file is no reason to refuse a save;
// each failed save leaves the file as it was and no temporary file behind.
TEST(Sheet, SavesReplaceTheFileWholeOrNotAtAll)
{
    auto entries
        = [](const char* d) { return std::distance(std::filesystem::directory_iterator(d), {}); };
    freshstate();
    ASSERT_TRUE(
        mkdir("real", 0755) == 0 && mkdir("chain", 0755) == 0 && symlink("chain/1", NAME) == 0);
    for (int i = 1; i < 40; i++) // 40 links in all, as many as Linux follows, to no file yet
        ASSERT_EQ(symlink(i < 39 ? std::to_string(i + 1).c_str() : "../real/sheet.bmp",
                      ("chain/" + std::to_string(i)).c_str()),
            0);
    umask(022), loadtiles(), savetiles(); // the save makes the file, the links stay
    EXPECT_TRUE(readbytes("real/sheet.bmp").size() == 88310 && std::filesystem::is_symlink(NAME)
        && std::filesystem::status(NAME).permissions() == std::filesystem::perms(0644));

    ASSERT_EQ(chmod(NAME, 0640), 0); // a file with its own permissions
    bytes big = sheetfile(848), want = sheetfile(200), now;
    writebytes("real/.sheet.bmp.saving", big), savetiles(); // over what a killed save left
    EXPECT_TRUE(readbytes("real/sheet.bmp") == want && entries("real") == 1
        && std::filesystem::status(NAME).permissions() == std::filesystem::perms(0640));
    writebytes(NAME, big), savetiles(); // changed by another program since: kept, until F5 again
    EXPECT_TRUE(strcmp(mesbuf, CHANGED) == 0 && readbytes(NAME) == big);
    ASSERT_EQ(mkdir("real/.sheet.bmp.saving", 0755), 0); // a name taken for good: another is used
    setenv("VORLUDIT_SAVETEST", "notmpfile", 1), savetiles(), setenv("VORLUDIT_SAVETEST", "", 1);
    EXPECT_TRUE(
        readbytes(NAME) == want && entries("real") == 2 && rmdir("real/.sheet.bmp.saving") == 0)
        << mesbuf;

    rlimit lim, small = { 40000, RLIM_INFINITY };
    sheetfile(848), signal(SIGXFSZ, SIG_IGN); // a write cut short by the file size limit
    ASSERT_TRUE(getrlimit(RLIMIT_FSIZE, &lim) == 0 && setrlimit(RLIMIT_FSIZE, &small) == 0);
    savetiles();
    EXPECT_TRUE(strcmp(mesbuf, UNSAVED) == 0 && readbytes(NAME) == want && entries("real") == 1)
        << mesbuf;
    ASSERT_EQ(
        link("real/sheet.bmp", "real/also"), 0); // in place, the whole size reserved first, also
    for (const char* test : { "", "nofallocate" }) { // where the file system has no fallocate
        setenv("VORLUDIT_SAVETEST", test, 1), savetiles();
        EXPECT_TRUE(strcmp(mesbuf, UNSAVED) == 0 && readbytes(NAME) == want) << test;
    }
    setrlimit(RLIMIT_FSIZE, &lim), savetiles();
    EXPECT_TRUE(readbytes("real/also") == big && unlink("real/also") == 0) << mesbuf;

    // Saves killed at random points, named from the start or not: the old sheet or the new, and
    // after the next save no other file.
    for (int i = 0; i < 200; i++) {
        pid_t pid = (setenv("VORLUDIT_SAVETEST", i % 2 ? "notmpfile" : "", 1),
            writebytes(NAME, want), loadtiles(), sheetfile(848), fork());
        if (pid == 0)
            savetiles(), _exit(0);
        usleep(rand() % 4000), kill(pid, SIGKILL), waitpid(pid, NULL, 0), now = readbytes(NAME),
                                                                          savetiles();
        EXPECT_TRUE((now == want || now == big) && entries("real") == 1) << i;
    }
    // Two editors that loaded one sheet save at once: they take turns, and the second is told of
    // the first.
    for (int i = 0; i < 20; i++) {
        pid_t pids[2] = { (writebytes(NAME, want), loadtiles(), fork()), pids[0] ? fork() : 0 };
        int k = pids[0] == 0 ? 1 : pids[1] == 0 ? 2 : 0, status[2], saved = 0;
        if (k > 0) // the exit status: the saver's colour, 0 when told of the other's save
            memset(img, k, sizeof img), savetiles(),
                _exit(!strcmp(mesbuf, CHANGED)    ? 0
                        : strcmp(mesbuf, UNSAVED) ? k
                                                  : 9);
        for (int j = 0; j < 2; j++)
            waitpid(pids[j], &status[j], 0), saved += WEXITSTATUS(status[j]);
        EXPECT_TRUE((saved == 1 || saved == 2) && WEXITSTATUS(status[2 - saved]) == 0) << i;
        EXPECT_EQ(readbytes(NAME)[118], saved * 17) << i; // two pixels of the saver's colour
    }
}

// As a user who is not root: a sheet that user may not write is left as it was; one that a
// rename would break or give away is written in place.
TEST(Sheet, SavesAsAnotherUserKeepWhatTheFileIs)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    struct {
        const char* what;
        uid_t folder, owner;
        mode_t mode;
        bool link, saved;
        char extra = 0;
        uid_t as = 65534;
    } cases[] = {
        { "read-only", 65534, 65534, 0444, 0, 0 },
        { "in a read-only folder", 0, 65534, 0644, 0, 1 },
        { "hard-linked", 65534, 65534, 0644, 1, 1 },
        { "another's, writable", 65534, 0, 0666, 0, 1 },
        { "with an ACL entry and an attribute", 65534, 65534, 0660, 0, 1, 'a' },
        { "no write bit, by root", 0, 0, 0444, 0, 0, 0, 0 },
        { "through a link another user planted in a sticky folder, by root", 0, 0, 0644, 0, 0, 'p',
            0 },
    };
    setenv(
        "VORLUDIT_SAVETEST", "nofallocate", 1); // in place where the file system has no fallocate
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        bytes old = sheetfile(848), want = sheetfile(200);
        const char* file = c.extra == 'p' ? "victim.bmp" : NAME;
        writebytes(file, old);
        ASSERT_TRUE(
            chown(".", c.folder, c.folder) == 0 && chmod(".", c.extra == 'p' ? 01777 : 0755) == 0);
        ASSERT_TRUE(chmod(file, c.mode) == 0 && chown(file, c.owner, c.owner) == 0);
        ASSERT_TRUE(!c.link || link(NAME, "also.bmp") == 0);
        ASSERT_TRUE(
            c.extra != 'p' || (symlink(file, NAME) == 0 && lchown(NAME, 65534, 65534) == 0));
        if (c.extra == 'a'
            && (setxattr(NAME, "user.kept", "1", 1, 0)
                || system("setfacl -m u:root:rw 1TIL0000.bmp")))
            continue; // a file system without them
        pid_t pid = fork();
        if (pid == 0) // the exit status: 0 when the save was reported as made
            _exit(c.as && (setgroups(0, NULL) || setgid(c.as) || setuid(c.as))
                    ? 2
                    : (savetiles(), !strcmp(mesbuf, UNSAVED)));
        int status;
        struct stat st;
        char kept[2];
        ASSERT_TRUE(waitpid(pid, &status, 0) == pid && WIFEXITED(status) && stat(file, &st) == 0);
        EXPECT_TRUE(WEXITSTATUS(status) == !c.saved && readbytes(file) == (c.saved ? want : old));
        EXPECT_TRUE(st.st_uid == c.owner && (st.st_mode & 07777) == c.mode
            && (!c.link || readbytes("also.bmp") == want));
        EXPECT_TRUE(c.extra != 'a'
            || (getxattr(NAME, "user.kept", kept, 2) == 1
                && !system("getfacl -cp 1TIL0000.bmp 2>&1 | grep -qx user:root:rw-")));
    }
}
