// Keys, mouse events and frame pacing; the settings file, the sheet chosen
// at start and the text guards.
#include "support.h"
#include <gtest/gtest.h>
#include <unistd.h>

static Uint8 keys[SDLK_LAST];

// Holds exactly these keys for the frames, then none for a frame; times over.
static void press(std::initializer_list<SDLKey> held, int times = 1, int frames = 1)
{
    for (int t = 0; t < times; t++) {
        for (SDLKey k : held)
            keys[k] = 1;
        for (int i = 0; i < frames; i++)
            handlekeys(keys);
        memset(keys, 0, sizeof keys);
        handlekeys(keys);
    }
}

// Mode, layout, magnification, undo entries, sheet height, first row in
// view, selection, and the message posted.
static std::string snapshot()
{
    char s[200];
    snprintf(s, sizeof s, "m%d v%d z%d u%d h%d t%d s%d,%d,%dx%d %s", mode, view, ezoom, pblen, imgh, tstop, tsselx,
             tssely, tsselw, tsselh, messagetime ? mesbuf : "");
    return s;
}

// Each command once per press, in its own mode, with its own qualifier.
TEST(Keys, CommandsFireOncePerPressInTheirModeAndWithinTheirLimits)
{
    freshstate();
    makeasymmetricsheet(200);
    savetiles();                                 // a 200-row sheet on disk
    makeasymmetricsheet(SHEETH);
    tstop = 30, tsselx = 1, tssely = 2, tsselw = tsselh = 2, messagetime = 0;
    const int x = 16 + 3, y = 32 + 4, was = asymmetricpixel(x, y);  // grid pixel (3, 4)
    press({ SDLK_UP }, 1, 13);                   // scrolls at once, then every sixth frame
    press({ SDLK_DOWN }, 1, 12);
    EXPECT_EQ(tstop, 25);
    keys[SDLK_4] = 1;                            // held from the browser: no layout change later
    handlekeys(keys);
    press({ SDLK_4, SDLK_RETURN }, 1, 4);        // opens once, however long held
    EXPECT_EQ(snapshot(), "m1 v1 z1 u0 h848 t25 s1,2,2x2 ");
    press({ SDLK_s }, 9);
    EXPECT_EQ(snapshot(), "m1 v1 z8 u0 h848 t25 s1,2,2x2 ");
    press({ SDLK_3 });
    press({ SDLK_a }, 9);
    EXPECT_TRUE(snapshot() == "m1 v3 z1 u0 h848 t25 s1,2,2x2 " && vieww == 32) << snapshot();
    curcol = (was + 1) % 16;
    editorpaint(PREVIEWX + 48 + 3, PREVIEWY + 4, 0), editorpaint(PREVIEWX + 48 + 5, PREVIEWY + 4, 0);
    press({ SDLK_z }), press({ SDLK_RCTRL, SDLK_z });
    press({ SDLK_F5 });                          // no saving from the editor
    EXPECT_EQ(snapshot(), "m1 v3 z1 u2 h848 t25 s1,2,2x2 ");
    press({ SDLK_LCTRL, SDLK_z });
    press({ SDLK_RETURN });                      // written back
    press({ SDLK_LCTRL, SDLK_z });               // no undo in the browser
    press({ SDLK_F4 }), press({ SDLK_RCTRL, SDLK_F4 });
    EXPECT_TRUE(snapshot() == "m0 v3 z1 u1 h848 t25 s1,2,2x2 " && img[x * SHEETH + y] == curcol) << snapshot();
    img[x * SHEETH + 150] ^= 8, img[x * SHEETH + 300] ^= 8;
    press({ SDLK_LCTRL, SDLK_F4 });              // reload: its rows only, the rest stays
    EXPECT_EQ(snapshot(), "m0 v3 z1 u1 h200 t25 s1,2,2x2 ");
    EXPECT_TRUE(img[x * SHEETH + y] == was && img[x * SHEETH + 150] == asymmetricpixel(x, 150));
    EXPECT_EQ(img[x * SHEETH + 300], asymmetricpixel(x, 300) ^ 8);
    press({ SDLK_RETURN });                      // a new visit: nothing to undo
    editorpaint(PREVIEWX + 48 + 3, PREVIEWY + 4, 0);
    press({ SDLK_ESCAPE });
    press({ SDLK_F5 });
    EXPECT_TRUE(snapshot() == "m0 v3 z1 u1 h200 t25 s1,2,2x2 tile image saved." && img[x * SHEETH + y] == was);
}

// Pointer, selection and the two button latches after each event; button
// is the one pressed or released, or those a motion holds.
TEST(Events, ClicksActAtTheLastMotionAndAnyReleaseEndsADrag)
{
    const Uint8 L = SDL_BUTTON_LMASK, R = SDL_BUTTON_RMASK, DOWN = SDL_MOUSEBUTTONDOWN, MOVE = SDL_MOUSEMOTION;
    const struct { Uint8 type, button; Uint16 x, y; const char *after; } events[] = {
        { DOWN, SDL_BUTTON_LEFT, 0, 0, "0,0 0,0,1 10" },            // before any motion: (0, 0)
        { MOVE, L, 101, 65, "50,32 3,2,1 10" },
        { DOWN, SDL_BUTTON_RIGHT, 0, 0, "50,32 3,2,1 11" },
        { MOVE, L | R, 170, 140, "85,70 5,4,1 11" },                 // both held: left wins
        { SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 0, 0, "85,70 5,4,1 00" },  // any release ends the drag
        { MOVE, L | R, 65000, 300, "399,150 5,4,1 00" },             // past the window's edge
        { DOWN, SDL_BUTTON_RIGHT, 0, 0, "399,150 5,4,1 01" },
        { MOVE, 0, 200, 168, "100,84 5,4,1 00" },                    // its release lost from the queue
        { MOVE, L, 40, 40, "20,20 5,4,1 00" },                       // a press lost
        { SDL_QUIT, 0, 0, 0, "20,20 5,4,1 00 quit" },
    };
    freshstate();
    for (const auto &e : events) {
        SDL_Event ev = SDL_Event();
        ev.type = e.type, ev.motion.x = e.x, ev.motion.y = e.y;
        (e.type == MOVE ? ev.motion.state : ev.button.button) = e.button;
        handleevent(&ev);
        char got[60];
        snprintf(got, sizeof got, "%d,%d %d,%d,%d %d%d%s", pointerx, pointery, tsselx, tssely, tsselw,
                 leftbuttondown, rightbuttondown, quitting ? " quit" : "");
        EXPECT_STREQ(got, e.after);
    }
}

TEST(Frame, PacingHoldsAcrossTheTickWrap)
{
    const Uint32 cases[][3] = {  // due, now, milliseconds to wait
        { 100, 70, 30 }, { 100, 100, 0 }, { 100, 130, 0 }, { 10, 0xfffffff0u, 26 }, { 0xfffffff0u, 10, 0 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ticksleft(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(Startup, SettingsFileSetsOnlyAValidScale)
{
    const struct { std::string bytes; int zoom; } cases[] = {
        { "3", 3 }, { "9junk", 9 }, { "0", 2 }, { "", 2 }, { "a", 2 }, { ":", 2 }, { std::string(1 << 20, 'x'), 2 },
    };
    for (const auto &c : cases) {
        freshstate();
        writebytes("vorludef.txt", std::vector<unsigned char>(c.bytes.begin(), c.bytes.end()));
        readsettings();
        EXPECT_EQ(zoom, c.zoom) << c.bytes.substr(0, 8);
    }
}

TEST(Startup, TheFirstSheetThereIsEditedAndSaved)
{
    freshstate();
    makeasymmetricsheet(80);
    for (episode = 3; episode >= 2; episode--)
        savetiles();
    std::vector<unsigned char> three = readbytes("3TIL0000.bmp");
    resetstate();
    initeditor(), loadtiles();
    img[0] ^= 1, savetiles();
    EXPECT_TRUE(episode == 2 && imgh == 80 && curcol >= 1 && curcol <= 15);
    EXPECT_TRUE(readbytes("2TIL0000.bmp") != three && readbytes("3TIL0000.bmp") == three);
}

// The guards print on standard output; send it where the death test looks.
#define EXPECT_GUARD(statement, line) \
    EXPECT_EXIT({ dup2(2, 1); statement; }, testing::ExitedWithCode(1), "^" line "$")

TEST(TextDeathTest, GuardsPrintTheirLineAndEndWithStatusOne)
{
    const std::string toolong(300, 'a');  // its terminator past both limits
    freshstate();
    initoutbuf(std::string(99, 'x').c_str());
    EXPECT_EQ(outbuflen, 99);
    EXPECT_GUARD(addoutbuf("y"), "addoutbuf error: full\\.\n");
    EXPECT_GUARD(initoutbuf(toolong.c_str()), "initoutbuf error: probably missing a 0 somewhere\\.\n");
    EXPECT_GUARD({ startwindow(1); drawstring(0, 0, toolong.c_str()); },
                 "drawstring error: probably missing a 0 somewhere\\.\n");
    EXPECT_GUARD({ remove("vorlugfx.bmp"); loadgui(); },
                 "Can't load editor graphics: Couldn't open vorlugfx\\.bmp or /.*/share/vorludit/vorlugfx\\.bmp\n");
}
