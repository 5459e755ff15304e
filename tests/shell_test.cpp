// The frame's input handling, the settings file, start-up state and the
// text guards.
#include "support.h"
#include <gtest/gtest.h>
#include <unistd.h>

static Uint8 keys[SDLK_LAST];

// Holds the key for this many frames, then releases it for one.
static void hold(SDLKey sym, int frames = 1)
{
    keys[sym] = 1;
    for (int i = 0; i < frames; i++)
        handlekeys(keys);
    keys[sym] = 0;
    handlekeys(keys);
}

TEST(Keys, HeldUpScrollsOnFramesOneSevenAndThirteen)
{
    freshstate();
    tstop = 30;
    keys[SDLK_UP] = 1;
    std::vector<int> seen;
    for (int i = 0; i < 13; i++, seen.push_back(tstop))
        handlekeys(keys);
    EXPECT_EQ(seen, std::vector<int>({ 25, 25, 25, 25, 25, 25, 20, 20, 20, 20, 20, 20, 15 }));
}

TEST(Keys, EdgeLatchesFireOncePerPressAndNotAfterAModeChange)
{
    freshstate();
    tsselw = tsselh = 1;
    hold(SDLK_RETURN, 5);                  // opens once, does not toggle back
    EXPECT_EQ(mode, 1);
    hold(SDLK_RETURN);
    EXPECT_EQ(mode, 0);
    keys[SDLK_4] = 1;                      // held in the browser: latched, no effect
    handlekeys(keys);
    hold(SDLK_RETURN, 2);                  // opens the editor while 4 stays held
    EXPECT_TRUE(mode == 1 && view == 1);
    keys[SDLK_4] = 0;
    handlekeys(keys);
    hold(SDLK_4);
    EXPECT_EQ(view, 4);
    hold(SDLK_F5);                         // no saving from the editor
    EXPECT_EQ(messagetime, 0);
    hold(SDLK_ESCAPE);
    EXPECT_EQ(mode, 0);
}

TEST(Keys, OnlyLeftCtrlQualifiesZ)
{
    freshstate();
    tsselw = tsselh = 1;
    openeditor();
    curcol = 5;
    editorpaint(PREVIEWX, PREVIEWY, 0);
    for (SDLKey ctrl : { SDLK_RCTRL, SDLK_UNKNOWN, SDLK_LCTRL }) {
        keys[ctrl] = 1;
        hold(SDLK_z);
        keys[ctrl] = 0;
        EXPECT_EQ(pblen, ctrl == SDLK_LCTRL ? 0 : 1);
    }
    EXPECT_EQ(grid[0], 0);
}

// button: the button pressed or released, or the buttons a motion holds.
static void push(Uint8 type, int x, int y, Uint8 button = 0)
{
    SDL_Event e = SDL_Event();
    e.type = type;
    e.motion.x = (Uint16)x;  // read only from motion events
    e.motion.y = (Uint16)y;
    if (type != SDL_MOUSEMOTION)
        e.button.button = button;
    else
        e.motion.state = button;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

TEST(Events, ClicksActAtTheLastMotionAndAnyReleaseEndsADrag)
{
    startwindow(2);
    push(SDL_MOUSEBUTTONDOWN, 0, 0, SDL_BUTTON_LEFT);      // before any motion: (0, 0)
    handleevents();
    EXPECT_TRUE(tsselw == 1 && tssely == 0);
    push(SDL_MOUSEMOTION, 101, 65, SDL_BUTTON_LMASK);      // base (50, 32): tile (3, 2)
    push(SDL_MOUSEBUTTONDOWN, 0, 0, SDL_BUTTON_RIGHT);     // both held: left wins
    push(SDL_MOUSEMOTION, 170, 140, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK);  // base (85, 70): tile (5, 4)
    handleevents();
    EXPECT_TRUE(pointerx == 85 && pointery == 70 && tsselx == 5 && tsselw == 1);
    push(SDL_MOUSEBUTTONUP, 0, 0, SDL_BUTTON_MIDDLE);
    push(SDL_MOUSEMOTION, 65000, 300);                     // a drag out past the edge
    push(SDL_QUIT, 0, 0);
    handleevents();
    EXPECT_TRUE(leftbuttondown + rightbuttondown == 0 && tsselx == 5 && quitting == 1);
    EXPECT_TRUE(pointerx == 399 && pointery == 150);
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
