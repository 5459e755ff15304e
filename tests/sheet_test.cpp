// The sheet file: the exact bytes a save writes, the layouts a load takes and refuses, and saves
// that fail without harming the file already there.
#include "support.h"
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

static const char* const NAME = SHEETNAME;

static void scramblestore()
{
    memset(img, 9, sizeof img);
    memset(pal, 7, sizeof pal);
    imgh = tsrows = 1;
}

// Pixels whose colour in the store is not the one the sheet gives them.
static int wrongpixels(const Sheet& s)
{
    int wrong = 0;
    for (int x = 0; x < 208; x++)
        for (int y = 0; y < s.h; y++)
            wrong += memcmp(pal[img[x * 848 + y]], s.pal[s.pix[x * 848 + y]], 3) != 0;
    return wrong;
}

// Loads each layout over a scrambled store, which then shows the sheet in its colours (black
// past the file's own), then saves: in this program's layout, but for a taller one, which is not
// saved so as not to lose its top rows.
TEST(Sheet, LoadsLayoutsAndSavesInItsOwnLayout)
{
    const struct {
        const char* what;
        int h;
        bool topdown;
        int header, colours, extra;
        bool magick;
    } cases[] = {
        { "848 high", 848, 0, 40, 0, 0, 0 },
        { "200 high", 200, 0, 40, 0, 0, 0 },
        { "849 high: the bottom 848 rows", 848, 0, 40, 0, 1, 0 },
        { "top-down", 848, 1, 40, 0, 0, 0 },
        { "124-byte header, top-down, 16 colours", 200, 1, 124, 16, 0, 0 },
        { "12 colours, a gap before the rows", 200, 0, 40, 12, 0, 0 },
        { "written by ImageMagick", 848, 0, 40, 0, 0, 1 },
    };
    const char* const MAGICK = "/usr/bin/convert 1TIL0000.bmp -depth 8 ppm:- | "
                               "/usr/bin/convert ppm:- -type Palette BMP3:1TIL0000.bmp";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        Sheet s = asymmetricsheet(c.h);
        bytes file = bmpfile(s, c.topdown, c.header, c.colours, c.extra);
        writebytes(NAME, file);
        if (c.magick) {
            ASSERT_EQ(system(MAGICK), 0) << "needs ImageMagick";
        }
        scramblestore();
        sheetlocked = 1;
        loadtiles(); // lifts the lock, but for a taller sheet
        for (int i = c.colours ? c.colours : 16; i < 16; i++)
            memset(s.pal[i], 0, 3);
        EXPECT_EQ(tsrows, c.h / 16);
        EXPECT_EQ(wrongpixels(s), 0);
        EXPECT_STREQ(mesbuf, c.extra ? "sheet taller than 848 rows: read only." : "");
        savetiles();
        EXPECT_STREQ(mesbuf, c.extra ? UNSAVED : SAVED);
        if (!c.magick) {
            EXPECT_TRUE(readbytes(NAME) == (c.extra ? file : bmpfile(s)));
        }
    }
}

// Each made from a good 200-high file: one or two fields changed (a byte at offset 1, else four),
// then given a length; then FIFOs. None may block or touch the store.
TEST(Sheet, RefusesBadFilesAndLeavesTheStore)
{
    const size_t GOOD = 118 + 104 * 200;
    const struct {
        const char* what;
        int at;
        uint32_t v;
        size_t len;
        int at2;
        uint32_t v2;
    } cases[] = {
        { "BN", 1, 'N', GOOD, 0, 0 },
        { "cut at 53", 0, 0, 53, 0, 0 },
        { "one byte short", 0, 0, GOOD - 1, 0, 0 },
        { "width 207", 18, 207, GOOD, 0, 0 },
        { "width 209", 18, 209, GOOD, 0, 0 },
        { "depth 8", 28, 8, GOOD, 0, 0 },
        { "RLE4", 30, 2, GOOD, 0, 0 },
        { "data inside the palette", 10, 117, GOOD, 0, 0 },
        { "17 colours and room for them", 46, 17, GOOD + 4, 10, 122 },
        { "height 0", 22, 0, GOOD, 0, 0 },
        { "OS/2 header", 14, 12, GOOD, 0, 0 },
        { "height -2^31", 22, 0x80000000u, GOOD, 0, 0 },
        { "header past end", 14, 0xfffffff0u, GOOD, 0, 0 },
        { "empty", 0, 0, 0, 0, 0 },
        { "FIFOs", 0, 0, 1, 0, 0 },
    };
    alarm(10); // a FIFO read that waits for a writer ends the run here
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        bytes f = bmpfile(asymmetricsheet(200));
        memcpy(&f[c.at], &c.v, c.at == 1 ? 1 : c.at ? 4 : 0);
        memcpy(&f[c.at2], &c.v2, c.at2 ? 4 : 0);
        f.resize(c.len);
        writebytes(NAME, f);
        if (c.len == 1) {
            ASSERT_EQ(remove(NAME), 0);
            ASSERT_EQ(mkfifo(NAME, 0600), 0);
            ASSERT_EQ(mkfifo("vorludef.txt", 0600), 0);
        }
        scramblestore();
        readsettings(); // start-up, then Ctrl+F4
        initeditor();
        loadtiles();
        loadtiles();
        EXPECT_STREQ(mesbuf, "could not read tile image.");
        EXPECT_EQ(sheetlocked, c.len > 0);
        EXPECT_EQ(imgh, 1);
        EXPECT_TRUE(bytes(img, img + sizeof img) == bytes(sizeof img, 9));
        EXPECT_TRUE(bytes(pal[0], pal[16]) == bytes(48, 7));
        remove(NAME); // gone, reloaded: saved
        loadtiles();
        savetiles();
        EXPECT_STREQ(mesbuf, SAVED);
    }
    alarm(0);
}

static int entries(const char* folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

static void savewith(const char* test)
{
    setenv("VORLUDIT_SAVETEST", test, 1);
    savetiles();
    setenv("VORLUDIT_SAVETEST", "", 1);
}

// One sheet's life, through a link: no file is no reason to refuse a save; each failed save
// leaves the file as it was and no temporary file behind.
TEST(Sheet, SavesReplaceTheFileWholeOrNotAtAll)
{
    freshstate();
    ASSERT_EQ(mkdir("real", 0755), 0);
    ASSERT_EQ(mkdir("chain", 0755), 0);
    ASSERT_EQ(symlink("chain/1", NAME), 0);
    std::string middle = std::filesystem::absolute("chain/21"); // one link in the chain absolute
    for (int i = 1; i < 40; i++) { // 40 links in all, as many as Linux follows, to no file yet
        std::string next = i == 20 ? middle : i < 39 ? std::to_string(i + 1) : "../real/sheet.bmp";
        ASSERT_EQ(symlink(next.c_str(), ("chain/" + std::to_string(i)).c_str()), 0);
    }
    umask(022);
    loadtiles();
    savewith("notmpfile"); // the save makes the file, the links stay, and no other name
    EXPECT_EQ(readbytes("real/sheet.bmp").size(), 88310u);
    EXPECT_TRUE(std::filesystem::is_symlink(NAME));
    EXPECT_EQ(entries("real"), 1);
    EXPECT_EQ(std::filesystem::status(NAME).permissions(), std::filesystem::perms(0644));

    ASSERT_EQ(chmod(NAME, 0640), 0); // a file with its own permissions
    Sheet big = asymmetricsheet(848), small = asymmetricsheet(200);
    putinstore(small);
    writebytes("real/.sheet.bmp.saving", bmpfile(big)); // what a killed save left
    savetiles();
    EXPECT_TRUE(readbytes("real/sheet.bmp") == bmpfile(small));
    EXPECT_EQ(entries("real"), 1);
    EXPECT_EQ(std::filesystem::status(NAME).permissions(), std::filesystem::perms(0640));
    struct stat st; // rewritten in place by another program within the second: kept, until F5 again
    ASSERT_EQ(stat(NAME, &st), 0);
    bytes other = bmpfile(small);
    other[200] ^= 1;
    writebytes(NAME, other);
    timespec times[2]
        = { st.st_atim, { st.st_mtim.tv_sec, (st.st_mtim.tv_nsec + 1) % 1000000000 } };
    ASSERT_EQ(utimensat(AT_FDCWD, NAME, times, 0), 0);
    savetiles();
    EXPECT_STREQ(mesbuf, CHANGED);
    EXPECT_TRUE(readbytes(NAME) == other);
    ASSERT_EQ(mkdir("real/.sheet.bmp.saving", 0755), 0); // a name taken for good: another is used
    ASSERT_EQ(stat(NAME, &st), 0);
    savewith("notmpfile");
    struct stat now;
    ASSERT_EQ(stat(NAME, &now), 0);
    EXPECT_NE(now.st_ino, st.st_ino) << "replaced, not written over in place";
    EXPECT_TRUE(readbytes(NAME) == bmpfile(small)) << mesbuf;
    EXPECT_EQ(entries("real"), 2);
    EXPECT_EQ(rmdir("real/.sheet.bmp.saving"), 0);

    rlimit was, limited = { 40000, RLIM_INFINITY }; // a write cut short by the file size limit
    putinstore(big);
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    savetiles();
    EXPECT_STREQ(mesbuf, UNSAVED);
    EXPECT_TRUE(readbytes(NAME) == bmpfile(small));
    EXPECT_EQ(entries("real"), 1);
    ASSERT_EQ(link("real/sheet.bmp", "real/also"), 0); // in place, the whole size reserved first,
    for (const char* test : { "", "nofallocate" }) { // also without fallocate
        savewith(test);
        EXPECT_STREQ(mesbuf, UNSAVED) << test;
        EXPECT_TRUE(readbytes(NAME) == bmpfile(small)) << test;
    }
    setrlimit(RLIMIT_FSIZE, &was);
    savetiles();
    EXPECT_TRUE(readbytes("real/also") == bmpfile(big)) << mesbuf;
    EXPECT_EQ(unlink("real/also"), 0);

    // Saves killed at random points, named from the start or not: the old sheet or the new, and
    // after the next save no other file.
    for (int i = 0; i < 200; i++) {
        SCOPED_TRACE(i);
        setenv("VORLUDIT_SAVETEST", i % 2 ? "notmpfile" : "", 1);
        writebytes(NAME, bmpfile(small));
        loadtiles();
        putinstore(big);
        pid_t pid = fork();
        if (pid == 0) {
            savetiles();
            _exit(0);
        }
        usleep(rand() % 4000);
        kill(pid, SIGKILL);
        waitpid(pid, NULL, 0);
        bytes now = readbytes(NAME);
        savetiles();
        EXPECT_TRUE(now == bmpfile(small) || now == bmpfile(big));
        EXPECT_EQ(entries("real"), 1);
    }
    setenv("VORLUDIT_SAVETEST", "", 1);
}

// Two editors that loaded one sheet save at once: they take turns, and the second is told of
// the first. Each child exits with its colour when it saved, 0 when told of the other's save.
TEST(Sheet, TwoEditorsSavingAtOnceTakeTurns)
{
    freshstate();
    for (int i = 0; i < 20; i++) {
        SCOPED_TRACE(i);
        writebytes(NAME, bmpfile(asymmetricsheet(848)));
        loadtiles();
        pid_t pids[2];
        for (int k = 0; k < 2; k++) {
            pids[k] = fork();
            if (pids[k] != 0)
                continue;
            memset(img, k + 1, sizeof img);
            savetiles();
            _exit(strcmp(mesbuf, CHANGED) == 0 ? 0 : strcmp(mesbuf, SAVED) == 0 ? k + 1 : 9);
        }
        int status[2];
        waitpid(pids[0], &status[0], 0);
        waitpid(pids[1], &status[1], 0);
        int saver = WEXITSTATUS(status[0]) + WEXITSTATUS(status[1]);
        EXPECT_TRUE(saver == 1 || saver == 2);
        EXPECT_EQ(WEXITSTATUS(status[2 - saver]), 0);
        EXPECT_EQ(readbytes(NAME)[118], saver * 17); // two pixels of the saver's colour
    }
}

// As another user, or root: a sheet the saver may not write, or reached through a link another
// user planted in a shared folder, is left as it was; one that a rename would break or give away
// is written in place. Each situation is made by a shell command from a folder holding the old
// sheet as $F; the check then runs there too.
TEST(Sheet, SavesAsAnotherUserKeepWhatTheFileIs)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    const char* const LINKED = "mv $F target.bmp && ln -s target.bmp $F && chown -h nobody: $F";
    const char* const XATTR = "python3 -c \"import os; os.setxattr('$F', 'user.kept', b'1')\"";
    const char* const XATTRKEPT
        = "python3 -c \"import os; assert os.getxattr('$F', 'user.kept') == b'1'\"";
    const struct {
        const char* what;
        std::string setup;
        uid_t as;
        bool saved;
        std::string keeps;
    } cases[] = {
        { "read-only", "chown -R nobody: . && chmod 444 $F", 65534, 0,
            "stat -c %U%a $F | grep -qx nobody444" },
        { "in a read-only folder", "chown nobody: $F", 65534, 1,
            "stat -c %U%a $F | grep -qx nobody644" },
        { "hard-linked", "chown -R nobody: . && ln $F also.bmp", 65534, 1, "cmp -s $F also.bmp" },
        { "another's, writable", "chown nobody: . && chmod 666 $F", 65534, 1,
            "stat -c %U%a $F | grep -qx root666" },
        { "with an ACL entry, an extended attribute and a file attribute",
            std::string(
                "chown -R nobody: . && chmod 660 $F && setfacl -m u:root:rw $F && chattr +d $F && ")
                + XATTR,
            65534, 1,
            std::string(
                "getfacl -cp $F | grep -qx user:root:rw- && lsattr $F | grep -q '^------d' && ")
                + XATTRKEPT },
        { "in a folder with a default ACL, replaced",
            "chown -R nobody: . && setfacl -d -m u:root:r . && stat -c %i $F > was", 65534, 1,
            "! getfacl -c $F | grep -q user:root && ! stat -c %i $F | cmp -s - was" },
        { "through the user's own link in a sticky folder",
            std::string(LINKED) + " target.bmp && chmod 1777 .", 65534, 1, "test -L $F" },
        { "no write bit, by root", "chmod 444 $F", 0, 0, "stat -c %a $F | grep -qx 444" },
        { "through a link another user planted in a sticky folder, by root",
            std::string(LINKED) + " && chmod 1777 .", 0, 0, "test -L $F" },
    };
    setenv("VORLUDIT_SAVETEST", "nofallocate", 1); // in place where there is no fallocate
    setenv("F", NAME, 1);
    bytes old = bmpfile(asymmetricsheet(848)), want = bmpfile(asymmetricsheet(200));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        putinstore(asymmetricsheet(200));
        writebytes(NAME, old);
        std::string setup = "chown root: . && chmod 755 . && setfacl -b . && " + c.setup;
        ASSERT_EQ(system(setup.c_str()), 0) << c.setup;
        pid_t pid = fork();
        if (pid == 0) { // the exit status: 0 when the save was reported as made
            if (c.as != 0 && (setgroups(0, NULL) || setgid(c.as) || setuid(c.as)))
                _exit(2);
            savetiles();
            _exit(strcmp(mesbuf, SAVED) != 0);
        }
        int status;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WEXITSTATUS(status), c.saved ? 0 : 1);
        EXPECT_TRUE(readbytes(NAME) == (c.saved ? want : old));
        EXPECT_EQ(system(c.keeps.c_str()), 0) << c.keeps;
    }
    setenv("VORLUDIT_SAVETEST", "", 1);
}
