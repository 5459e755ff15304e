// Keys, mouse events and frame pacing; start-up: settings, sheet, colour, failures.
#include "support.h"
#include <gtest/gtest.h>
#include <unistd.h>

static Uint8 keys[SDLK_LAST];

// Holds exactly these keys for the frames, then (unless kept) none for a frame; times over.
static void press(
    std::initializer_list<SDLKey> held, int times = 1, int frames = 1, bool kept = false)
{
    for (int t = 0; t < times; t++, kept || (memset(keys, 0, sizeof keys), handlekeys(keys), 0))
        for (int i = 0; i < frames; i++, handlekeys(keys))
            for (SDLKey k : held)
                keys[k] = 1;
}

// Mode, layout, magnification, undo entries, height, first row in view, selection, message.
static std::string snapshot()
{
    char s[200];
    snprintf(s, sizeof s, "m%d v%d z%d u%d h%d t%d s%d,%d,%dx%d %s", mode, view, ezoom, pblen, imgh,
        tstop, tsselx, tssely, tsselw, tsselh, messagetime ? mesbuf : "");
    return s;
}

// Each command once per press, in its own mode, with its own qualifier.
TEST(Keys, CommandsFireOncePerPressInTheirModeAndWithinTheirLimits)
{
    freshstate();
    makeasymmetricsheet(200);
    savetiles(); // a 200-row sheet on disk
    makeasymmetricsheet(848);
    tstop = 28, tsselx = 1, tssely = 2, tsselw = tsselh = 2, messagetime = 0;
    const int x = 16 + 3, y = 32 + 4, was = asymmetricpixel(x, y); // grid pixel (3, 4)
    press({ SDLK_DOWN }); // stops on the last whole tile row: 31
    press({ SDLK_UP }, 1, 13); // scrolls at once, then every sixth frame
    press({ SDLK_DOWN }, 1, 12);
    EXPECT_EQ(tstop, 26);
    press({ SDLK_4, SDLK_ESCAPE }, 1, 1,
        true); // held from the browser: nothing when the editor opens
    press({ SDLK_4, SDLK_ESCAPE, SDLK_RETURN }, 1, 4); // opens once, however long held
    press({ SDLK_UP }); // no scrolling in the editor
    EXPECT_EQ(snapshot(), "m1 v1 z1 u0 h848 t26 s1,2,2x2 ");
    press({ SDLK_s }, 9);
    EXPECT_EQ(snapshot(), "m1 v1 z8 u0 h848 t26 s1,2,2x2 ");
    press({ SDLK_3 }), press({ SDLK_a }, 9);
    EXPECT_TRUE(snapshot() == "m1 v3 z1 u0 h848 t26 s1,2,2x2 " && vieww == 32) << snapshot();
    curcol = (was + 1) % 16;
    editorpaint(56 + 3, 24 + 4, 0), editorpaint(56 + 5, 24 + 4, 0);
    press({ SDLK_z }), press({ SDLK_RCTRL, SDLK_z });
    EXPECT_EQ(snapshot(), "m1 v3 z1 u2 h848 t26 s1,2,2x2 ");
    press({ SDLK_LCTRL, SDLK_z });
    press({ SDLK_F5 }, 1, 1, true); // no saving from the editor, nor once back
    press({ SDLK_F5, SDLK_RETURN }); // written back
    press({ SDLK_LCTRL, SDLK_z }); // no undo in the browser
    press({ SDLK_F4 }), press({ SDLK_RCTRL, SDLK_F4 });
    EXPECT_TRUE(snapshot() == "m0 v3 z1 u1 h848 t26 s1,2,2x2 " && img[x * 848 + y] == curcol)
        << snapshot();
    img[x * 848 + 150] ^= 8, img[x * 848 + 300] ^= 8,
        press({ SDLK_LCTRL, SDLK_F4 }); // reload: its rows only
    EXPECT_EQ(snapshot(), "m0 v3 z1 u1 h200 t26 s1,2,2x2 ");
    EXPECT_TRUE(img[x * 848 + y] == was && img[x * 848 + 150] == asymmetricpixel(x, 150)
        && img[x * 848 + 300] == (asymmetricpixel(x, 300) ^ 8));
    press({ SDLK_RETURN, SDLK_ESCAPE }); // opened, undo emptied, left: Return goes first
    editorpaint(56 + 3, 24 + 4, 0);
    EXPECT_EQ(
        (press({ SDLK_DOWN }), tstop), 0); // a sheet shorter than the view stays on top, as does Up
    press({ SDLK_UP }), press({ SDLK_F5 });
    EXPECT_TRUE(snapshot() == "m0 v3 z1 u1 h200 t0 s1,2,2x2 tile image saved."
        && img[x * 848 + y] == was && messagetime == 30);
}

// Pointer, selection and the two button latches after each event (button: the
// one pressed or released, or those a motion holds), with tile row 10 on top.
TEST(Events, ClicksActAtTheLastMotionSelectAndStretchAndAnyReleaseEndsADrag)
{
    const Uint8 L = SDL_BUTTON_LMASK, R = SDL_BUTTON_RMASK, DOWN = SDL_MOUSEBUTTONDOWN,
                UP = SDL_MOUSEBUTTONUP, MOVE = SDL_MOUSEMOTION;
    const struct {
        Uint8 type, button;
        Uint16 x, y;
        const char* after;
    } events[] = {
        { DOWN, SDL_BUTTON_RIGHT, 0, 0, "0,0 0,0,0x0 01" }, // nothing to stretch yet
        { DOWN, SDL_BUTTON_LEFT, 0, 0, "0,0 0,10,1x1 11" }, // before any motion: (0, 0)
        { MOVE, L | R, 101, 65, "50,32 3,12,1x1 11" },
        { MOVE, L | R, 138, 140, "69,70 4,14,1x1 11" }, // left wins
        { UP, SDL_BUTTON_MIDDLE, 0, 0, "69,70 4,14,1x1 00" }, // any release ends the drag
        { DOWN, SDL_BUTTON_MIDDLE, 0, 0,
            "69,70 4,14,1x1 00" }, // nor does any other button start one
        { DOWN, SDL_BUTTON_WHEELDOWN, 0, 0, "69,70 4,14,1x1 00" },
        { MOVE, L | R, 65000, 300, "399,150 4,14,1x1 00" }, // past the window's edge
        { DOWN, SDL_BUTTON_RIGHT, 0, 0, "399,150 4,14,1x1 01" }, // in the info panel
        { MOVE, 0, 200, 168, "100,84 4,14,1x1 00" }, // its release lost from the queue
        { MOVE, L, 40, 40, "20,20 4,14,1x1 00" }, // a press lost
        { MOVE, 0, 330, 318, "165,159 4,14,1x1 00" },
        { DOWN, SDL_BUTTON_RIGHT, 0, 0, "165,159 4,14,7x6 01" }, // 6 right, 5 down
        { MOVE, R, 380, 380, "190,190 4,14,8x8 01" }, // 7 and 7: unchanged by 8 right, 8 down,
        { MOVE, R, 400, 352, "200,176 4,14,8x8 01" },
        { MOVE, R, 380, 384, "190,192 4,14,8x8 01" },
        { MOVE, R, 126, 160, "63,80 4,14,8x8 01" },
        { MOVE, R, 140, 64, "70,32 4,14,8x8 01" }, // left, above
        { MOVE, R, 200, 170, "100,85 4,14,3x2 01" },
        { UP, SDL_BUTTON_RIGHT, 0, 0, "100,85 4,14,3x2 00" },
        { MOVE, 0, 416, 9, "208,4 4,14,3x2 00" },
        { DOWN, SDL_BUTTON_LEFT, 0, 0, "208,4 4,14,0x0 10" }, // right of it
        { SDL_QUIT, 0, 0, 0, "208,4 4,14,0x0 10 quit" },
    };
    freshstate(), tstop = 10;
    for (const auto& e : events) {
        SDL_Event ev = SDL_Event();
        ev.type = e.type, ev.motion.x = e.x, ev.motion.y = e.y;
        (e.type == MOVE ? ev.motion.state : ev.button.button) = e.button;
        handleevent(&ev);
        char got[60];
        snprintf(got, sizeof got, "%d,%d %d,%d,%dx%d %d%d%s", pointerx, pointery, tsselx, tssely,
            tsselw, tsselh, leftbuttondown, rightbuttondown, quitting ? " quit" : "");
        EXPECT_STREQ(got, e.after);
    }
}

TEST(Frame, PacingHoldsAcrossTheTickWrap)
{
    const Uint32 cases[][3] = { { 100, 70, 30 }, { 100, 100, 0 }, { 100, 130, 0 },
        { 10, 0xfffffff0u, 26 }, { 0xfffffff0u, 10, 0 } }; // due, now, milliseconds to wait
    for (const auto& c : cases)
        EXPECT_EQ(ticksleft(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

// The settings file's first byte ("none": no file) and the sheets there, sheet n 16 n rows high
// to tell which was loaded and saved (with none, F5 makes sheet 1). The start colour: 1 to 15.
TEST(Startup, ScaleFromTheSettingsTheFirstSheetThereAndAColourNotZero)
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
        freshstate();
        for (const char* n = c.there; *n; n++)
            makeasymmetricsheet(16 * (*n - '0')), episode = *n - '0', savetiles();
        if (c.settings != "none")
            writebytes(
                "vorludef.txt", std::vector<unsigned char>(c.settings.begin(), c.settings.end()));
        resetstate();
        readsettings(), initeditor(), loadtiles(), savetiles();
        int h = *c.there ? 16 * c.edited : 848;
        EXPECT_TRUE(zoom == c.zoom && episode == c.edited && imgh == h)
            << c.settings.substr(0, 8) << " " << c.there;
        EXPECT_EQ(readbytes(std::to_string(c.edited) + "TIL0000.bmp").size(), 118 + 104u * h);
    }
    // A sheet named on the command line, in another folder: edited there, whatever its name.
    freshstate();
    ASSERT_EQ(mkdir("sub", 0755), 0);
    makeasymmetricsheet(32), savetiles(), rename("1TIL0000.bmp", "sub/Tiles.BMP");
    makeasymmetricsheet(16), savetiles();
    char* args[] = { (char*)"vorludit", (char*)"sub/Tiles.BMP" };
    resetstate();
    readargs(2, args), initeditor(), loadtiles(), img[0] ^= 1, savetiles();
    EXPECT_TRUE(imgh == 32 && strcmp(mesbuf, "tile image saved.") == 0
        && access("1TIL0000.bmp", F_OK) != 0);
    EXPECT_TRUE(readbytes("../1TIL0000.bmp").size() == 118 + 104 * 16u);
    int seen = 0;
    for (unsigned seed = 0; seed < 1000; seed++)
        srand(seed), initeditor(), seen |= 1 << curcol;
    EXPECT_EQ(seen, 0xfffe);
}

// Failures print one line on standard output (sent here where the death test
// looks) and end with status 1: a full text buffer, no video, no display.
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
    EXPECT_FAILURE(
        {
            setenv("SDL_VIDEODRIVER", "nosuch", 1);
            startvideo();
        },
        "Could not initialize SDL: .*\\.\n");
    EXPECT_FAILURE(
        {
            unsetenv("SDL_VIDEODRIVER");
            unsetenv("DISPLAY");
            startvideo();
        },
        "(error: [^\n]*\n)?Could not initialize SDL: No available video device\\.\n");
}
