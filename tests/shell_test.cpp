// Start-up: the settings, which sheet is edited, the command line; failures.
#include "support.h"
#include <cstring>
#include <gtest/gtest.h>

// The settings' first byte ("none": no file), the sheets there (n: 16 n rows) and one named (in
// sub/, 32 rows): that or the first there is edited, else one the first F5 makes, newly coloured.
TEST(Startup, ScaleFromTheSettingsAndTheSheetEdited)
{
    const struct {
        const char *settings, *there, *named, *edited;
        int zoom, h;
    } cases[] = {
        { "3", "23", NULL, "2TIL0000.bmp", 3, 32 },
        { "a", "2", NULL, "2TIL0000.bmp", 2, 32 },
        { "none", "", NULL, "1TIL0000.bmp", 2, 848 },
        { "none", "1", "sub/Tiles.BMP", "Tiles.BMP", 2, 32 },
        { "none", "1", "sub/new.bmp", "new.bmp", 2, 848 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + " with sheets " + c.there + " edits " + c.edited);
        freshstate();
        for (const char* n = c.there; *n; n++)
            writebytes(*n + std::string("TIL0000.bmp"), bmpfile(asymmetricsheet(16 * (*n - '0'))));
        if (strcmp(c.settings, "none") != 0)
            writebytes("vorludef.txt", bytes(c.settings, c.settings + 1));
        mkdir("sub", 0755);
        writebytes("sub/Tiles.BMP", bmpfile(asymmetricsheet(32)));
        char* args[] = { (char*)"vorludit", (char*)c.named };
        readargs(c.named ? 2 : 1, args);
        readsettings();
        initeditor();
        loadsheet();
        sheetpixels[0] ^= 1; // pixel 0,0 is 0 in every test sheet
        savesheet();
        bytes saved = readbytes(c.edited);
        EXPECT_EQ(zoom, c.zoom);
        ASSERT_EQ(saved.size(), 118 + 104u * c.h);
        int edited = saved[118 + 104 * (c.h - 1)] >> 4; // in the last row
        int light = saved[86] + saved[87] + saved[88]; // colours 8 and 0 of a new sheet
        int dark = c.h < 848 ? -1 : saved[54] + saved[55] + saved[56];
        EXPECT_EQ(edited, 1);
        EXPECT_GT(light, dark) << "a new sheet's palette: colour 8 lighter than 0";
    }
}

TEST(Startup, TheStartColourIsOneToFifteen) // not 0, usually the background
{
    int seen = 0;
    for (unsigned seed = 0; seed < 1000; seed++) {
        srand(seed);
        initeditor();
        seen |= 1 << currentcolour;
    }
    EXPECT_EQ(seen, 0xfffe);
}

// Failures print one line on standard output (sent where the death test reads), exit status 1.
#define FAILS(call, line) EXPECT_EXIT((dup2(2, 1), call), testing::ExitedWithCode(1), "^" line "$")

TEST(FailureDeathTest, PrintTheirLineAndEndWithStatusOne)
{
    settext(std::string(99, 'x').c_str());
    FAILS(addtext("y"), "addtext error: full\\.\n");
    clearenv(); // no video driver named, no display, no home
    FAILS(startvideo(),
        "Could not initialize SDL: no display: set DISPLAY to the X display to use\\.\n");
    char* menu[] = { (char*)"vorludit", (char*)"--menu" };
    FAILS(readargs(2, menu), "vorludit: no home folder to make vorludit in\n");
    setenv("HOME", "/dev/null", 1); // nowhere to make ~/vorludit
    FAILS(readargs(2, menu), "vorludit: cannot work in /dev/null/vorludit: .*\n");
    setenv("SDL_VIDEODRIVER", "nosuch", 1);
    FAILS(startvideo(), "Could not initialize SDL: .*\\.\n");
    std::string deep = std::string(2100 * 2, 'a') + "/new.bmp"; // no folder of its own to cut to
    for (size_t i = 1; i < 4200; i += 2)
        deep[i] = '/';
    char* named[] = { (char*)"vorludit", deep.data() };
    EXPECT_EXIT((dup2(2, 1), readargs(2, named)), testing::ExitedWithCode(2), "File name too long");
}

// Settings through a link another user planted in a shared folder are not read.
TEST(Startup, SettingsThroughAPlantedLinkAreNotRead)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to plant a link as another user";
    freshstate();
    int planted
        = system("echo 7 > real && ln -s real vorludef.txt && chown -h nobody: vorludef.txt "
                 "&& chmod 1777 .");
    readsettings();
    int back = system("chmod 755 .");
    EXPECT_EQ(planted + back, 0);
    EXPECT_EQ(zoom, 2);
}
