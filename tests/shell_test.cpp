// Start-up: the settings, which sheet is edited, the start colour, the command line; failures;
// frame pacing.
#include "support.h"
#include <gtest/gtest.h>
#include <unistd.h>

TEST(Frame, PacingHoldsAcrossTheTickWrap)
{
    const Uint32 cases[][3] = { // due, now, milliseconds to wait
        { 100, 70, 30 }, { 100, 100, 0 }, { 100, 130, 0 }, { 10, 0xfffffff0u, 26 },
        { 0xfffffff0u, 10, 0 }
    };
    for (const auto& c : cases) {
        Uint32 wait = ticksleft(c[0], c[1]);
        EXPECT_EQ(wait, c[2]) << c[0] << " " << c[1];
    }
}

// The settings file's first byte ("none": no file) and the sheets there, sheet n 16 n rows high.
// The first sheet there is edited, or sheet 1, made by the first F5 with a new sheet's palette.
TEST(Startup, ScaleFromTheSettingsAndTheFirstSheetThere)
{
    const struct {
        std::string settings;
        const char* there;
        int zoom, edited;
    } cases[] = {
        { "3", "23", 3, 2 },
        { "9junk", "3", 9, 3 },
        { "0", "12", 2, 1 },
        { "", "", 2, 1 },
        { "a", "2", 2, 2 },
        { ":", "123", 2, 1 },
        { std::string(1 << 20, 'x'), "13", 2, 1 },
        { "none", "", 2, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings.substr(0, 8) + " with sheets " + c.there);
        freshstate();
        for (const char* n = c.there; *n; n++)
            writebytes(*n + std::string("TIL0000.bmp"), bmpfile(asymmetricsheet(16 * (*n - '0'))));
        if (c.settings != "none")
            writebytes("vorludef.txt", bytes(c.settings.begin(), c.settings.end()));
        readsettings();
        initeditor();
        loadtiles();
        img[0] ^= 1; // pixel 0,0 is 0 in every test sheet
        savetiles();
        bytes saved = readbytes(std::to_string(c.edited) + "TIL0000.bmp");
        int h = *c.there ? 16 * c.edited : 848;
        EXPECT_EQ(zoom, c.zoom);
        EXPECT_EQ(imgh, h);
        EXPECT_STREQ(mesbuf, SAVED);
        ASSERT_EQ(saved.size(), 118 + 104u * h);
        int edited = saved[118 + 104 * (h - 1)] >> 4; // in the last row
        int light = saved[86] + saved[87] + saved[88]; // colours 8 and 0, where no sheet was
        int dark = *c.there ? -1 : saved[54] + saved[55] + saved[56];
        EXPECT_EQ(edited, 1);
        EXPECT_GT(light, dark) << "a new sheet's palette: colour 8 lighter than 0";
    }
}

// A sheet named on the command line, in another folder, is edited there whatever its name; one
// not there yet shows a new sheet's palette, not black.
TEST(Startup, ANamedSheetIsEditedInItsFolder)
{
    freshstate();
    writebytes("1TIL0000.bmp", bmpfile(asymmetricsheet(16)));
    int made = mkdir("sub", 0755);
    ASSERT_EQ(made, 0);
    writebytes("sub/Tiles.BMP", bmpfile(asymmetricsheet(32)));
    char* args[] = { (char*)"vorludit", (char*)"sub/Tiles.BMP" };
    readargs(2, args);
    initeditor();
    loadtiles();
    img[0] ^= 1;
    savetiles();
    bytes saved = readbytes("Tiles.BMP");
    int pixels = saved[118 + 104 * 31], sheet1 = readbytes("../1TIL0000.bmp").size();
    int another = access("1TIL0000.bmp", F_OK);
    EXPECT_EQ(imgh, 32);
    EXPECT_STREQ(mesbuf, SAVED);
    EXPECT_EQ(pixels, 0x13) << "pixels 0,0 and 1,0: 0 edited to 1, 3";
    EXPECT_EQ(sheet1, 118 + 104 * 16);
    EXPECT_EQ(another, -1);
    char* missing[] = { (char*)"vorludit", (char*)"new.bmp" };
    resetstate();
    readargs(2, missing);
    initeditor();
    loadtiles();
    int paint = pal[15][0] + pal[15][1] + pal[15][2];
    EXPECT_GT(paint, 0) << "a palette to paint with";
}

// The start colour is any but 0, which is usually the background.
TEST(Startup, TheStartColourIsOneToFifteen)
{
    freshstate();
    int seen = 0;
    for (unsigned seed = 0; seed < 1000; seed++) {
        srand(seed);
        initeditor();
        seen |= 1 << curcol;
    }
    EXPECT_EQ(seen, 0xfffe);
}

// Failures print one line on standard output (sent here where the death test looks) and end with
// status 1: a full text buffer, no video, no display.
#define EXPECT_FAILURE(statement, line)                                                            \
    EXPECT_EXIT(                                                                                   \
        {                                                                                          \
            dup2(2, 1);                                                                            \
            statement;                                                                             \
        },                                                                                         \
        testing::ExitedWithCode(1), "^" line "$")

TEST(FailureDeathTest, PrintTheirLineAndEndWithStatusOne)
{
    freshstate();
    initoutbuf(std::string(99, 'x').c_str());
    EXPECT_FAILURE(addoutbuf("y"), "addoutbuf error: full\\.\n");
    setenv("SDL_VIDEODRIVER", "nosuch", 1);
    EXPECT_FAILURE(startvideo(), "Could not initialize SDL: .*\\.\n");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_FAILURE(startvideo(),
        "Could not initialize SDL: no display: set DISPLAY to the X display to use\\.\n");
    setenv("DISPLAY", ":9999", 1);
    EXPECT_FAILURE(startvideo(), "Could not initialize SDL: .*\\.\n");
    char* menu[] = { (char*)"vorludit", (char*)"--menu" }; // nowhere to make ~/vorludit
    setenv("HOME", "/dev/null", 1);
    EXPECT_FAILURE(readargs(2, menu), "vorludit: cannot work in /dev/null/vorludit: .*\n");
    unsetenv("HOME");
    EXPECT_FAILURE(readargs(2, menu), "vorludit: no home folder to make vorludit in\n");
}
