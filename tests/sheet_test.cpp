// The sheet file: what other programs write, and saves that fail without harming the file already
// there, made through links, cut short, killed, racing another editor or as another user.
#include "support.h"
#include <csignal>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Loads the sheet as at start-up and again (Ctrl+F4) over a store filled with what no load
// leaves, locked against saving.
static void loadoverscramble()
{
    memset(img, 9, sizeof img);
    memset(pal, 7, sizeof pal);
    imgh = tsrows = sheetlocked = 1;
    readsettings();
    initeditor();
    loadtiles();
    loadtiles();
}

// A save as on a file system without what test names ("notmpfile", "nofallocate"), the file
// size limited to limit bytes when not 0; returns its message.
static std::string save(const char* test, rlim_t limit = 0)
{
    rlimit was, limited = { limit ? limit : RLIM_INFINITY, RLIM_INFINITY };
    getrlimit(RLIMIT_FSIZE, &was);
    setrlimit(RLIMIT_FSIZE, &limited);
    setenv("VORLUDIT_SAVETEST", test, 1);
    savetiles();
    setenv("VORLUDIT_SAVETEST", "", 1);
    setrlimit(RLIMIT_FSIZE, &was);
    return mesbuf;
}

// ImageMagick's 4-bit BMP of a sheet loads in the sheet's colours.
TEST(Sheet, LoadsImageMagicksBMP)
{
    freshstate();
    Sheet s = asymmetricsheet(848);
    writebytes(SHEETNAME, bmpfile(s));
    int converted = system("/usr/bin/convert 1TIL0000.bmp -depth 8 ppm:- | "
                           "/usr/bin/convert ppm:- -type Palette BMP3:1TIL0000.bmp");
    ASSERT_EQ(converted, 0) << "needs ImageMagick";
    loadoverscramble();
    int wrong = 0; // pixels not in the sheet's colour
    for (int p = 0; p < 208 * 848; p++)
        wrong += memcmp(pal[img[p]], s.pal[s.pix[p]], 3) != 0;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(imgh, 848);
}

// FIFOs in place of the sheet and the settings: nothing waits for a writer, loads, or is saved
// over.
TEST(Sheet, FIFOsNeitherBlockNorLoad)
{
    freshstate();
    int made = system("mkfifo 1TIL0000.bmp vorludef.txt");
    ASSERT_EQ(made, 0);
    alarm(10); // a read that waits for a writer ends the run here
    loadoverscramble();
    alarm(0);
    long kept = std::count(img, img + sizeof img, 9) + std::count(pal[0], pal[16], 7);
    std::string said = save("");
    EXPECT_EQ(kept, (long)(sizeof img + sizeof pal));
    EXPECT_EQ(imgh, 1);
    EXPECT_EQ(said, UNSAVED);
}

// One sheet's life, through 40 links (as many as Linux follows, one absolute) to no file yet.
// Each step sets up in the scratch folder ($F the sheet's name), saves the sheet h rows high, and
// leaves its message, the file new when saved or as it was, names in its folder, and check true.
TEST(Sheet, SavesReplaceTheFileWholeOrNotAtAll)
{
    const char* const CHAIN = "mkdir real chain && ln -s chain/1 $F && for i in $(seq 38); do "
                              "ln -s $((i + 1)) chain/$i; done && ln -sf \"$PWD/chain/21\" "
                              "chain/20 && ln -s ../real/sheet.bmp chain/39";
    // Another program's change of a byte in place, its time then put back within the second.
    const char* const REWRITE = "T=$(stat -Lc %Y $F) && printf x | dd of=$F bs=1 seek=200 "
                                "conv=notrunc status=none && touch -d @$T $F";
    const struct {
        const char *what, *setup, *test;
        int h, limit, names;
        const char *message, *check;
    } steps[] = {
        { "made through the links", CHAIN, "notmpfile", 848, 0, 1, SAVED,
            "test -L $F && stat -Lc %a $F | grep -qx 644" },
        { "over what a killed save left", "chmod 640 $F && cp $F real/.sheet.bmp.saving", "", 200,
            0, 1, SAVED, "stat -Lc %a $F | grep -qx 640" },
        { "over another's rewrite", REWRITE, "", 200, 0, 1, CHANGED, "" },
        { "its temporary name taken", "mkdir real/.sheet.bmp.saving && stat -Lc %i $F > was",
            "notmpfile", 200, 0, 2, SAVED,
            "! stat -Lc %i $F | cmp -s - was && rmdir real/.sheet.bmp.saving" },
        { "replaced, past the size limit", "", "", 848, 40000, 1, UNSAVED, "" },
        { "in place, past it", "ln real/sheet.bmp real/also", "", 848, 40000, 2, UNSAVED, "" },
        { "in place, past it, no fallocate", "", "nofallocate", 848, 40000, 2, UNSAVED, "" },
        { "in place", "", "", 848, 0, 2, SAVED, "cmp -s $F real/also && rm real/also" },
    };
    freshstate();
    setenv("F", SHEETNAME, 1);
    umask(022);
    signal(SIGXFSZ, SIG_IGN);
    loadtiles();
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        int ready = system(s.setup);
        ASSERT_EQ(ready, 0) << s.setup;
        bytes was = readbytes(SHEETNAME), now = bmpfile(asymmetricsheet(s.h));
        putinstore(asymmetricsheet(s.h));
        std::string said = save(s.test, s.limit);
        bool same = readbytes(SHEETNAME) == (s.message == SAVED ? now : was);
        int names = std::distance(std::filesystem::directory_iterator("real"), {});
        int checked = system(s.check);
        EXPECT_EQ(said, s.message);
        EXPECT_TRUE(same);
        EXPECT_EQ(names, s.names);
        EXPECT_EQ(checked, 0) << s.check;
    }
    // Saves killed at random points, named from the start or not: the old sheet or the new, and
    // after the next save no other name.
    bytes small = bmpfile(asymmetricsheet(200)), big = bmpfile(asymmetricsheet(848));
    for (int i = 0; i < 200; i++) {
        SCOPED_TRACE(i);
        const char* test = i % 2 ? "notmpfile" : "";
        writebytes(SHEETNAME, small);
        loadtiles();
        putinstore(asymmetricsheet(848));
        pid_t pid = fork();
        if (pid == 0)
            _exit(save(test) != SAVED);
        usleep(rand() % 4000);
        kill(pid, SIGKILL);
        waitpid(pid, NULL, 0);
        bytes left = readbytes(SHEETNAME);
        save(test);
        bool oldornew = left == small || left == big;
        int names = std::distance(std::filesystem::directory_iterator("real"), {});
        EXPECT_TRUE(oldornew);
        EXPECT_EQ(names, 1);
    }
}

// Two editors that loaded one sheet save at once: they take turns, and the second is told of the
// first. Each child exits with its colour when it saved, 0 when told of the other's save.
TEST(Sheet, TwoEditorsSavingAtOnceTakeTurns)
{
    freshstate();
    for (int i = 0; i < 20; i++) {
        SCOPED_TRACE(i);
        writebytes(SHEETNAME, bmpfile(asymmetricsheet(848)));
        loadtiles();
        pid_t pids[2];
        for (int k = 0; k < 2; k++) {
            memset(img, k + 1, sizeof img);
            pids[k] = fork();
            if (pids[k] == 0)
                _exit(save("") == SAVED ? k + 1 : strcmp(mesbuf, CHANGED) ? 9 : 0);
        }
        int a, b;
        waitpid(pids[0], &a, 0);
        waitpid(pids[1], &b, 0);
        int told = std::min(a, b), saver = WEXITSTATUS(std::max(a, b));
        int pixels = readbytes(SHEETNAME)[118]; // two of the saver's colour
        EXPECT_EQ(told, 0);
        EXPECT_EQ(pixels, saver * 17);
    }
}

// As another user, or root: a sheet the saver may not write, or reached through a link another
// user planted in a shared folder, is left as it was; one that a rename would break or give away
// is written in place. Each is set up from a folder holding the old sheet as $F, and checked there.
#define LINKED "mv $F target.bmp && ln -s target.bmp $F && chown -h nobody: $F"
#define XATTR "python3 -c \"import os; os.setxattr('$F', 'user.kept', b'1')\""
#define XATTRKEPT "python3 -c \"import os; assert os.getxattr('$F', 'user.kept') == b'1'\""
TEST(Sheet, SavesAsAnotherUserKeepWhatTheFileIs)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    const struct {
        const char *what, *setup;
        int as;
        const char *message, *check;
    } cases[] = {
        { "read-only", "chown -R nobody: . && chmod 444 $F", 65534, UNSAVED,
            "stat -c %U%a $F | grep -qx nobody444" },
        { "in a read-only folder", "chown nobody: $F", 65534, SAVED,
            "stat -c %U%a $F | grep -qx nobody644" },
        { "hard-linked", "chown -R nobody: . && ln $F also.bmp", 65534, SAVED,
            "cmp -s $F also.bmp" },
        { "another's, writable", "chown nobody: . && chmod 666 $F", 65534, SAVED,
            "stat -c %U%a $F | grep -qx root666" },
        { "with an ACL entry, an extended attribute and a file attribute",
            "chown -R nobody: . && chmod 660 $F && setfacl -m u:root:rw $F && chattr +d $F "
            "&& " XATTR,
            65534, SAVED,
            "getfacl -cp $F | grep -qx user:root:rw- && lsattr $F | grep -q '^------d' "
            "&& " XATTRKEPT },
        { "in a folder with a default ACL, replaced",
            "chown -R nobody: . && setfacl -d -m u:root:r . && stat -c %i $F > was", 65534, SAVED,
            "! getfacl -c $F | grep -q user:root && ! stat -c %i $F | cmp -s - was" },
        { "through the user's own link in a sticky folder", LINKED " target.bmp && chmod 1777 .",
            65534, SAVED, "test -L $F" },
        { "no write bit, by root", "chmod 444 $F", 0, UNSAVED, "stat -c %a $F | grep -qx 444" },
        { "through a link another user planted in a sticky folder, by root",
            LINKED " && chmod 1777 .", 0, UNSAVED, "test -L $F" },
    };
    setenv("F", SHEETNAME, 1);
    bytes old = bmpfile(asymmetricsheet(848)), want = bmpfile(asymmetricsheet(200));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshstate();
        putinstore(asymmetricsheet(200));
        writebytes(SHEETNAME, old);
        int ready = system("chown root: . && chmod 755 . && setfacl -b .") + system(c.setup);
        ASSERT_EQ(ready, 0) << c.setup;
        int became = c.as && (setgroups(0, NULL) || setegid(c.as) || seteuid(c.as));
        std::string said = save("nofallocate"); // in place where there is no fallocate
        int back = seteuid(0) || setegid(0);
        bool same = readbytes(SHEETNAME) == (c.message == SAVED ? want : old);
        int kept = system(c.check);
        EXPECT_EQ(became + back, 0);
        EXPECT_EQ(said, c.message);
        EXPECT_TRUE(same);
        EXPECT_EQ(kept, 0) << c.check;
    }
}
