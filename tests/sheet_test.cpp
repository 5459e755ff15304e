// The sheet file: what other programs write, and saves that fail without harming the file already
// there, made through links, cut short, killed or as another user.
#include "support.h"
#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Loads as at start-up and on Ctrl+F4 over a store no load leaves, locked against saving.
static void loadoverscramble()
{
    memset(sheetpixels, 9, sizeof sheetpixels);
    memset(palette, 7, sizeof palette);
    sheetheight = sheetrows = sheetprotected = 1;
    readsettings();
    initeditor();
    loadsheet();
    loadsheet();
}

// A save as on a file system without what test names, the file size limited when limit is not 0.
static std::string save(const char* test, rlim_t limit = 0)
{
    rlimit was, limited = { limit ? limit : RLIM_INFINITY, RLIM_INFINITY };
    getrlimit(RLIMIT_FSIZE, &was);
    setrlimit(RLIMIT_FSIZE, &limited);
    setenv("VORLUDIT_SAVETEST", test, 1);
    savesheet();
    setrlimit(RLIMIT_FSIZE, &was);
    return messagetext;
}

// Another program changes a byte of the sheet ($F) in place and puts its time back.
static const char* const REWRITE = "T=$(stat -Lc %Y $F) && printf x | dd of=$F bs=1 seek=200 "
                                   "conv=notrunc status=none && touch -d @$T $F";

static int entries(const char* folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

// The sheet as the editor holds it, in its file's bytes.
static bytes storedsheet()
{
    Sheet s = { sheetheight, {}, bytes(sheetpixels, sheetpixels + sizeof sheetpixels) };
    memcpy(s.pal, palette, sizeof palette);
    return bmpfile(s);
}

// Mounts made after this are this test process's own and go with it, also when it dies.
static bool ownmounts()
{
    return unshare(CLONE_NEWNS) == 0 && mount(NULL, "/", NULL, MS_REC | MS_PRIVATE, NULL) == 0;
}

// FIFOs as the sheet and the settings: nothing waits for a writer, loads, or is saved over.
TEST(Sheet, FIFOsNeitherBlockNorLoad)
{
    freshstate();
    int made = system("mkfifo 1TIL0000.bmp vorludef.txt");
    ASSERT_EQ(made, 0);
    alarm(10); // a read that waits for a writer ends the run here
    loadoverscramble();
    alarm(0);
    long kept = std::count(sheetpixels, sheetpixels + sizeof sheetpixels, 9)
        + std::count(palette[0], palette[16], 7);
    std::string said = save("");
    EXPECT_EQ(kept, (long)(sizeof sheetpixels + sizeof palette));
    EXPECT_EQ(said, UNSAVED);
}

// One sheet's life, through 40 links (as many as Linux follows, one absolute) to real/sheet.bmp
// ($R). Each step sets up ($F the sheet's name), saves h rows as the tester (-1), root or another
// user, and leaves its message, the file new when saved or as it was, names in real/, check true.
#define XATTR "python3 -c \"import os; os.setxattr('$F', 'user.kept', b'1')\""
#define XATTRKEPT "python3 -c \"import os; assert os.getxattr('$F', 'user.kept') == b'1'\""
TEST(Sheet, SavesReplaceTheFileWholeOrNotAtAll)
{
    const char* const CHAIN = "mkdir real chain && ln -s chain/1 $F && for i in $(seq 38); do "
                              "ln -s $((i + 1)) chain/$i; done && ln -sf \"$PWD/chain/21\" "
                              "chain/20 && ln -s ../real/sheet.bmp chain/39";
    const struct {
        const char *what, *setup, *test;
        int h, limit, as, names;
        const char *message, *check;
    } steps[] = {
        { "made through the links", CHAIN, "notmpfile", 848, 0, -1, 1, SAVED,
            "test -L $F && stat -Lc %a $F | grep -qx 644" },
        { "made anew where links are refused (FAT)", "rm $R", "nolink notmpfile", 200, 0, -1, 1,
            SAVED, "stat -Lc %a $F | grep -qx 644" },
        { "and without an unnamed file to rename", "rm $R", "nolink", 848, 0, -1, 1, SAVED, "" },
        { "over what a killed save left", "chmod 640 $F && cp $R real/.sheet.bmp.saving", "", 200,
            0, -1, 1, SAVED, "stat -Lc %a $F | grep -qx 640" },
        { "over a rewrite, its time put back", REWRITE, "", 200, 0, -1, 1, CHANGED, "" },
        { "temporary names taken, and the next nine one might guess",
            "for n in '' 1 2 3 4 5 6 7 8 9; do mkdir real/.sheet.bmp.saving$n; done && stat -Lc %i "
            "$F "
            "> was",
            "notmpfile", 200, 0, -1, 11, SAVED,
            "! stat -Lc %i $F | cmp -s - was && rmdir real/.sheet.bmp.saving*" },
        { "replaced, past the size limit", "", "", 848, 40000, -1, 1, UNSAVED, "" },
        { "in place, past it", "ln $R real/also", "", 848, 40000, -1, 2, UNSAVED, "" },
        { "in place, past it, no fallocate", "", "nofallocate", 848, 40000, -1, 2, UNSAVED, "" },
        { "in place", "", "", 848, 0, -1, 2, SAVED, "cmp -s $F real/also" },
        { "read-only", "chmod 755 . && chown -R nobody: real && chmod 444 $F", "", 200, 0, 65534, 2,
            UNSAVED, "stat -Lc %U%a $F | grep -qx nobody444" },
        { "in place, no fallocate", "chmod 644 $F", "nofallocate", 200, 0, 65534, 2, SAVED,
            "cmp -s $F real/also && rm real/also" },
        { "ACL entry, xattr, chattr +d", "setfacl -m u:root:rw $F && chattr +d $R && " XATTR, "",
            848, 0, 65534, 1, SAVED,
            "getfacl $F | grep -qx user:root:rw- && lsattr $R | grep -q ^------d && " XATTRKEPT },
        { "default ACL", "setfacl -b $F && setfacl -dm u:root:r real && stat -Lc %i $F > was", "",
            200, 0, 65534, 1, SAVED,
            "! getfacl -c $F | grep -q user:root && ! stat -Lc %i $F | cmp -s - was" },
        { "own link in a sticky folder", "chown -h nobody: $F && chmod 1777 .", "", 848, 0, 65534,
            1, SAVED, "test -L $F" },
        { "planted by another user", "", "", 200, 0, 0, 1, UNSAVED, "test -L $F && chmod 755 ." },
    };
    freshstate();
    setenv("F", SHEETNAME, 1);
    setenv("R", "real/sheet.bmp", 1);
    umask(022);
    signal(SIGXFSZ, SIG_IGN);
    loadsheet();
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.as >= 0 && geteuid() != 0)
            break; // the rest need root
        int ready = system(s.setup);
        ASSERT_EQ(ready, 0) << s.setup;
        bytes was = readbytes(SHEETNAME), now = bmpfile(asymmetricsheet(s.h));
        putinstore(asymmetricsheet(s.h));
        int became = s.as > 0 && (setgroups(0, NULL) || setegid(s.as) || seteuid(s.as));
        std::string said = save(s.test, s.limit);
        int back = s.as > 0 && (seteuid(0) || setegid(0));
        bool same = readbytes(SHEETNAME) == (s.message == SAVED ? now : was);
        int names = entries("real");
        int checked = system(s.check);
        EXPECT_EQ(became + back, 0);
        EXPECT_EQ(said, s.message);
        EXPECT_TRUE(same);
        EXPECT_EQ(names, s.names);
        EXPECT_EQ(checked, 0) << s.check;
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
        loadsheet();
        pid_t pids[2];
        for (int k = 0; k < 2; k++) {
            memset(sheetpixels, k + 1, sizeof sheetpixels);
            pids[k] = fork();
            if (pids[k] == 0)
                _exit(save("") == SAVED ? k + 1 : strcmp(messagetext, CHANGED) ? 9 : 0);
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

// A sheet with a file mounted over its name cannot be replaced by a rename: it is written in place.
TEST(Sheet, MountedOverItsNameWrittenInPlace)
{
    freshstate();
    writebytes("under", bmpfile(asymmetricsheet(848)));
    writebytes(SHEETNAME, bmpfile(asymmetricsheet(848)));
    if (!ownmounts() || system("mount --bind under 1TIL0000.bmp 2>/dev/null") != 0)
        GTEST_SKIP() << "cannot bind-mount a file here (needs root and mount rights)";
    loadsheet();
    putinstore(asymmetricsheet(200));
    std::string said = save("");
    bytes under = readbytes("under");
    int unmounted = system("umount 1TIL0000.bmp");
    EXPECT_EQ(said, SAVED);
    EXPECT_TRUE(under == bmpfile(asymmetricsheet(200)));
    EXPECT_EQ(unmounted, 0);
}

// A working folder removed and made again under its name is saved into.
TEST(Sheet, SavesIntoItsFolderMadeAgain)
{
    freshstate();
    std::string work = std::filesystem::current_path() / "work";
    int made = mkdir(work.c_str(), 0755) + chdir(work.c_str());
    ASSERT_EQ(made, 0);
    loadsheet();
    std::filesystem::remove_all(work);
    made = mkdir(work.c_str(), 0755);
    ASSERT_EQ(made, 0);
    std::string said = save("");
    size_t saved = readbytes(work + "/" + SHEETNAME).size();
    EXPECT_EQ(said, SAVED);
    EXPECT_EQ(saved, 118 + 104 * 848u);
}

// On this folder's file system and on those the test can mount (btrfs; FAT and exFAT through their
// FUSE drivers, which have no links and keep times to the second or two), one sheet's saves: made
// anew; another program's same-size rewrite with its time put back seen, then saved over; file
// attributes (chattr +C where there is) kept; then, where there are links, saves cut short or
// killed at random, replacing the sheet, making it anew or, once it has a second name, writing it
// in place (as root, another user's). The next load shows the old sheet or the new one, or the new
// one from the rescue copy and says so; the next save writes it and leaves no other name. A
// sheet another program puts in the file's place after a cut save is loaded as it is.
TEST(Sheet, OnEveryFileSystemNothingTornLoadsSilently)
{
    const char* const DISKS[][2] = {
        { "mkdir m", "true" },
        { "truncate -s 120M disk && mkfs.btrfs -q disk 2>/dev/null && mkdir m && mount -o loop "
          "disk m 2>/dev/null",
            "umount m" },
        { "truncate -s 8M disk && mkfs.vfat disk >/dev/null && mkdir m && fusefat -o rw+ disk m "
          ">/dev/null",
            "umount m" },
        { "truncate -s 8M disk && mkfs.exfat disk >/dev/null && mkdir m && losetup -f --show disk "
          ">dev && "
          "mount.exfat-fuse $(cat dev) m >/dev/null 2>&1",
            "umount m && losetup -d $(cat dev)" },
    };
    const char* const MODES[] = { "", "notmpfile", "nolink notmpfile" };
    bool own = ownmounts();
    setenv("F", SHEETNAME, 1);
    bytes small = bmpfile(asymmetricsheet(200)), big = bmpfile(asymmetricsheet(848));
    for (int d = 0; d < 4; d++) {
        const char* const* disk = DISKS[d];
        SCOPED_TRACE(disk[0]);
        freshstate();
        if ((d > 0 && !own) || system(disk[0]) != 0) {
            printf("skipped: cannot mount it here (needs root, its tools, /dev/fuse)\n");
            continue;
        }
        int ready = chdir("m");
        loadsheet();
        putinstore(asymmetricsheet(848));
        std::string made = save("");
        bytes first = readbytes(SHEETNAME);
        ready += system(REWRITE);
        putinstore(asymmetricsheet(200));
        std::string seen = save(""), over = save("");
        bytes second = readbytes(SHEETNAME);
        ready += system("rm $F && touch $F && (chattr +C $F; lsattr $F >../flags) 2>/dev/null; :");
        loadsheet();
        std::string flagged = save("");
        int flagskept = system("lsattr $F 2>/dev/null | cmp -s - ../flags");
        EXPECT_EQ(made, SAVED);
        EXPECT_TRUE(first == big);
        EXPECT_EQ(seen, CHANGED);
        EXPECT_EQ(over, SAVED);
        EXPECT_TRUE(second == small);
        EXPECT_EQ(flagged, SAVED);
        EXPECT_EQ(flagskept, 0);
        bool linked = false;
        for (int i = 0; i < (d < 2 ? 30 : 0); i++) { // where there are links
            SCOPED_TRACE(i);
            bool cut = i == 20 || i == 0;
            if (i == 20)
                linked = link(SHEETNAME, "also") == 0
                    && (geteuid() != 0 || chown(SHEETNAME, 65534, 65534) == 0);
            bool anew = !linked && i % 3 == 2;
            writebytes(SHEETNAME, small);
            loadsheet();
            if (anew)
                unlink(SHEETNAME);
            putinstore(asymmetricsheet(848));
            pid_t pid = fork();
            if (pid == 0) {
                std::string got = save(cut ? "cutshort" : MODES[i % 3]);
                _exit(got == SAVED ? 0 : got == CUTSHORT ? 1 : 2);
            }
            usleep(cut ? 0 : rand() % 4000);
            kill(pid, cut ? 0 : SIGKILL);
            int status;
            waitpid(pid, &status, 0);
            bytes left = readbytes(SHEETNAME);
            loadsheet();
            bytes loaded = storedsheet();
            bool whole = left == small || left == big || (anew && access(SHEETNAME, F_OK) != 0);
            std::string said = messagetext, next = save(MODES[i % 3]);
            bytes saved = readbytes(SHEETNAME);
            int names = entries(".");
            int told = WIFEXITED(status) ? WEXITSTATUS(status) : -1; // 0 saved, 1 cut short
            EXPECT_TRUE(!cut || told == 1 || (told == 0 && !linked)) << told;
            EXPECT_TRUE(loaded == small || loaded == big);
            EXPECT_TRUE(whole || (loaded == big && said == RESCUED));
            EXPECT_EQ(next, SAVED);
            EXPECT_TRUE(saved == loaded);
            EXPECT_EQ(names, 1 + linked) << "the sheet and its other name: no copy left";
        }
        if (!linked) {
            ready += chdir("..") + system(disk[1]);
            EXPECT_EQ(ready, 0);
            continue;
        }
        std::mt19937 rng(3);
        putinstore(randomsheet(rng, 848));
        std::string cut = save("cutshort"); // then another program puts a sheet in the file's place
        writebytes("other", small);
        ready += rename("other", SHEETNAME);
        loadsheet();
        bytes loaded = storedsheet();
        EXPECT_EQ(cut, CUTSHORT);
        EXPECT_STRNE(messagetext, RESCUED);
        EXPECT_TRUE(loaded == small);
        ready += chdir("..") + system(disk[1]);
        EXPECT_EQ(ready, 0);
    }
}
