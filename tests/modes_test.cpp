// The browser's selection and scrolling, and the editor's layouts,
// painting and undo, as state.
#include "support.h"
#include <gtest/gtest.h>

static void select(int x, int y, int w, int h)
{
    tsselx = x, tssely = y, tsselw = w, tsselh = h;
}

TEST(Browser, ScrollStopsOnTheLastWholeTileRowAndAtTheTop)
{
    freshstate();
    const struct { int rows, from, direction, to; } cases[] = { { 848, 30, 2, 31 }, { 848, 3, 0, 0 }, { 200, 0, 2, 0 } };
    for (const auto &c : cases) {
        makeasymmetricsheet(c.rows);
        tstop = c.from;
        scrolltiles(c.direction);
        EXPECT_EQ(tstop, c.to) << c.rows << " rows from " << c.from;
    }
}

TEST(Browser, LeftSelectsRightStretchesUpToEightByEight)
{
    freshstate();
    browserclick(200, 10, 1);                       // no selection yet
    EXPECT_EQ(tsselw, 0);
    tstop = 10;
    browserclick(4 * 16 + 3, 2 * 16 + 5, 0);
    EXPECT_TRUE(tsselx == 4 && tssely == 12 && tsselw == 1 && tsselh == 1);
    const struct { int x, y, w, h; } stretches[] = {  // unchanged but the first and last:
        { 11 * 16, 9 * 16 + 15, 8, 8 }, { 12 * 16, 4 * 16, 8, 8 }, { 5 * 16, 10 * 16, 8, 8 },  // 7 away; 8 right, 8 down
        { 3 * 16, 5 * 16, 8, 8 }, { 5 * 16, 1 * 16, 8, 8 }, { 300, 5 * 16, 8, 8 },  // left, above, in the info panel
        { 5 * 16 + 15, 3 * 16, 2, 2 },
    };
    for (const auto &s : stretches) {
        browserclick(s.x, s.y, 1);
        EXPECT_TRUE(tsselw == s.w && tsselh == s.h) << s.x << "," << s.y;
    }
    browserclick(208, 5, 0);
    EXPECT_EQ(tsselw + tsselh, 0);
}

TEST(Browser, PointerLine)
{
    startwindow(1);
    tstop = 10, pointery = 2 * 16 + 5;
    for (int x : { 4 * 16 + 3, 208 }) {
        pointerx = x;
        drawtileset();
        EXPECT_STREQ(outbuf, x < 208 ? "X:4, Y:12, tile:160" : "X:-, Y:-, tile:-");
    }
}

// Each layout's area, and the grid pixel a paint at (dx, dy) into it
// changes (the right button paints 8 colours further, wrapping); one base
// pixel left of the area paints nothing. Then the strip's edges.
TEST(Editor, LayoutsTheirCapsWhereTheyPaintAndTheStrip)
{
    freshstate();
    const struct { int w, h, ezoom, view, x, y, vw, vh, dx, dy, gx, gy, button; } cases[] = {
        { 8, 8, 3, 4, 48, 32, 336, 288, 40, 61, 13, 20, 0 }, { 2, 1, 2, 2, 0, 32, 384, 32, 70, 31, 3, 15, 1 },
        { 1, 1, 8, 1, 0, 0, 384, 320, 300, 200, 5, 9, 1 },   { 3, 8, 2, 3, 48, 0, 96, 320, 95, 300, 47, 22, 0 },
        { 8, 2, 1, 4, 48, 32, 128, 32, 127, 20, 127, 20, 0 },
    };
    for (const auto &c : cases) {
        select(0, 0, c.w, c.h);
        ezoom = c.ezoom;
        view = c.view;
        openeditor();
        EXPECT_TRUE(viewx == c.x && viewy == c.y && vieww == c.vw && viewh == c.vh) << c.view;
        curcol = 12;
        editorpaint(PREVIEWX + c.x - 1, PREVIEWY + c.y + c.dy, c.button);
        editorpaint(PREVIEWX + c.x + c.dx, PREVIEWY + c.y + c.dy, c.button);
        EXPECT_TRUE(pblen == 1 && grid[c.gx * GRIDSIZE + c.gy] == (c.button ? 4 : 12)) << c.view;
    }
    setview(5);
    EXPECT_TRUE(view == 4 && vieww == 128);
    for (int x : { 392, 391, 8 }) {                  // 392 is past the strip
        editorclick(x, 15, 0);
        EXPECT_EQ(curcol, x == 391 ? 15 : x == 8 ? 0 : 12);
    }
}

TEST(Editor, UndoOrderNoOpPaintsAndAFullStack)
{
    freshstate();
    select(0, 0, 8, 8);
    openeditor();
    for (int c : { 3, 7, 7 }) {                      // the same colour again is not recorded
        curcol = c;
        editorpaint(8, 24, 0);
    }
    EXPECT_EQ(pblen, 2);
    undopixbuf();
    EXPECT_EQ(grid[0], 3);
    undopixbuf(), undopixbuf();
    EXPECT_TRUE(grid[0] == 0 && pblen == 0 && pbpos == -1);
    for (int i = 0; i < UNDOMAX; i++)
        editorpaint(8 + i % 128, 24 + i / 128, i % 2);   // 10000 changes
    editorpaint(8 + 20, 24 + 100, 0);                    // dropped, still painted
    EXPECT_TRUE(pblen == UNDOMAX && grid[20 * GRIDSIZE + 100] == 7);
    for (int i = 0; i < UNDOMAX; i++)
        undopixbuf();
    EXPECT_EQ(grid[(UNDOMAX - 1) % 128 * GRIDSIZE + (UNDOMAX - 1) / 128], 0);
    EXPECT_EQ(grid[20 * GRIDSIZE + 100], 7);
}
