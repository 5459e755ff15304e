// The frame's input handling, the settings file, start-up state and the
// text guards.
#include "support.h"
#include <gtest/gtest.h>
#include <unistd.h>

static keyboard kb;

static void hold(SDLKey sym, int frames)
{
    press(&kb, sym, true);
    for (int i = 0; i < frames; i++)
        handlekeys(kb.held);
    press(&kb, sym, false);
    handlekeys(kb.held);
}

TEST(Keys, HeldUpScrollsOnFramesOneSevenAndThirteen)
{
    freshstate();
    tstop = 30;
    press(&kb, SDLK_UP, true);
    int seen[13];
    for (int i = 0; i < 13; i++) {
        handlekeys(kb.held);
        seen[i] = tstop;
    }
    EXPECT_EQ(seen[0], 25);
    EXPECT_EQ(seen[5], 25);
    EXPECT_EQ(seen[6], 20);
    EXPECT_EQ(seen[11], 20);
    EXPECT_EQ(seen[12], 15);
}

TEST(Keys, EdgeLatchesFireOncePerPressAndNotAfterAModeChange)
{
    freshstate();
    tsselw = tsselh = 1;
    hold(SDLK_RETURN, 5);                  // opens once, does not toggle back
    EXPECT_EQ(mode, 1);
    hold(SDLK_RETURN, 1);
    EXPECT_EQ(mode, 0);
    press(&kb, SDLK_4, true);              // held in the browser: latched, no effect
    handlekeys(kb.held);
    hold(SDLK_RETURN, 2);                  // opens the editor while 4 stays held
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(view, 1);
    press(&kb, SDLK_4, false);
    handlekeys(kb.held);
    hold(SDLK_4, 1);
    EXPECT_EQ(view, 4);
    hold(SDLK_F5, 1);                      // no saving from the editor
    EXPECT_EQ(messagetime, 0);
    hold(SDLK_ESCAPE, 1);
    EXPECT_EQ(mode, 0);
}

TEST(Keys, OnlyLeftCtrlQualifiesZ)
{
    freshstate();
    tsselw = tsselh = 1;
    openeditor();
    curcol = 5;
    editorpaint(PREVIEWX, PREVIEWY, 0);
    press(&kb, SDLK_RCTRL, true);
    hold(SDLK_z, 1);
    EXPECT_EQ(pblen, 1);
    press(&kb, SDLK_RCTRL, false);
    hold(SDLK_z, 1);
    EXPECT_EQ(pblen, 1);
    press(&kb, SDLK_LCTRL, true);
    hold(SDLK_z, 1);
    EXPECT_EQ(pblen, 0);
    EXPECT_EQ(grid[0], 0);
}

static void push(Uint8 type, int x, int y, Uint8 button)
{
    SDL_Event e = SDL_Event();
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = (Uint16)x;
        e.motion.y = (Uint16)y;
    } else {
        e.button.button = button;
    }
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

TEST(Events, ClicksActAtTheLastMotionAndAnyReleaseEndsADrag)
{
    startwindow(2);
    push(SDL_MOUSEBUTTONDOWN, 0, 0, SDL_BUTTON_LEFT);      // before any motion: (0, 0)
    handleevents();
    EXPECT_EQ(tsselw, 1);
    EXPECT_EQ(tssely, 0);
    push(SDL_MOUSEMOTION, 101, 65, 0);                     // base (50, 32): tile (3, 2)
    push(SDL_MOUSEBUTTONDOWN, 0, 0, SDL_BUTTON_RIGHT);     // both held: left wins
    push(SDL_MOUSEMOTION, 170, 140, 0);                    // base (85, 70): tile (5, 4)
    handleevents();
    EXPECT_EQ(pointerx, 85);
    EXPECT_EQ(pointery, 70);
    EXPECT_EQ(tsselx, 5);
    EXPECT_EQ(tsselw, 1);
    push(SDL_MOUSEBUTTONUP, 0, 0, SDL_BUTTON_MIDDLE);
    push(SDL_MOUSEMOTION, 300, 300, 0);
    push(SDL_QUIT, 0, 0, 0);
    handleevents();
    EXPECT_EQ(leftbuttondown + rightbuttondown, 0);
    EXPECT_EQ(tsselx, 5);
    EXPECT_EQ(quitting, 1);
}

TEST(Startup, SettingsFileSetsOnlyAValidScale)
{
    const struct { const char *bytes; size_t len; int zoom; } cases[] = {
        { "3", 1, 3 }, { "9junk", 5, 9 }, { "0", 1, 2 }, { "", 0, 2 }, { "a", 1, 2 }, { ":", 1, 2 },
    };
    for (const auto &c : cases) {
        freshstate();
        writebytes("vorludef.txt", std::vector<unsigned char>(c.bytes, c.bytes + c.len));
        readsettings();
        EXPECT_EQ(zoom, c.zoom) << c.bytes;
    }
    freshstate();
    readsettings();
    EXPECT_EQ(zoom, 2);
}

TEST(Startup, FirstExistingSheetAndAColourThatIsNeverZero)
{
    freshstate();
    writebytes("2TIL0000.bmp", { 1 });
    writebytes("3TIL0000.bmp", { 1 });
    for (int i = 0; i < 500; i++) {
        initeditor();
        ASSERT_GE(curcol, 1);
        ASSERT_LE(curcol, 15);
    }
    EXPECT_EQ(episode, 2);
    EXPECT_STREQ(sheetname(), "2TIL0000.bmp");
}

// The guards print on standard output; send it where the death test looks.
#define EXPECT_GUARD(statement, line) \
    EXPECT_EXIT({ dup2(2, 1); statement; }, testing::ExitedWithCode(1), "^" line "$")

TEST(TextDeathTest, GuardsPrintTheirLineAndEndWithStatusOne)
{
    static char unterminated[300];
    memset(unterminated, 'a', sizeof unterminated);
    freshstate();
    initoutbuf(std::string(99, 'x').c_str());
    EXPECT_EQ(outbuflen, 99);
    EXPECT_GUARD(addoutbuf("y"), "addoutbuf error: full\\.\n");
    EXPECT_GUARD(initoutbuf(unterminated), "initoutbuf error: probably missing a 0 somewhere\\.\n");
    EXPECT_GUARD({ startwindow(1); drawstring(0, 0, unterminated); },
                 "drawstring error: probably missing a 0 somewhere\\.\n");
}
