// The editor's layouts, painting and undo, as state.
#include "support.h"
#include <gtest/gtest.h>

// Each layout's area over the selection from tile (1, 2), and the grid pixel a paint at (dx, dy)
// changes (the right button: 8 colours further, wrapping), though not one pixel left of the area;
// the grid as opened and the sheet as written back. Then the strip's edges, and just below it.
TEST(Editor, LayoutsTheirCapsWhereTheyPaintAndTheStrip)
{
    freshstate();
    makeasymmetricsheet(848);
    auto unlike = [] { // grid pixels unlike their sheet pixel
        int n = 0;
        for (int x = 0; x < tsselw * 16; x++)
            for (int y = 0; y < tsselh * 16; y++)
                n += grid[x * 128 + y] != img[(16 + x) * 848 + 32 + y];
        return n;
    };
    const struct {
        int w, h, ezoom, view, x, y, vw, vh, dx, dy, gx, gy, button;
    } cases[] = {
        { 8, 8, 3, 4, 48, 32, 336, 288, 40, 61, 13, 20, 0 },
        { 2, 1, 2, 2, 0, 32, 384, 32, 70, 31, 3, 15, 1 },
        { 1, 1, 8, 1, 0, 0, 384, 320, 300, 200, 5, 9, 1 },
        { 3, 8, 2, 3, 48, 0, 96, 320, 95, 300, 47, 22, 0 },
        { 8, 2, 1, 4, 48, 32, 128, 32, 127, 20, 127, 20, 0 },
        { 8, 1, 3, 3, 48, 0, 336, 320, 335, 319, 111, 10, 1 },
    };
    for (const auto& c : cases) {
        tsselx = 1, tssely = 2, tsselw = c.w, tsselh = c.h, ezoom = c.ezoom, view = c.view,
        openeditor();
        EXPECT_TRUE(viewx == c.x && viewy == c.y && vieww == c.vw && viewh == c.vh && unlike() == 0)
            << c.view;
        curcol = 12, grid[c.gx * 128 + c.gy] = 0;
        editorpaint(8 + c.x - 1, 24 + c.y + c.dy, c.button),
            editorpaint(8 + c.x + c.dx, 24 + c.y + c.dy, c.button);
        EXPECT_TRUE(pblen == 1 && grid[c.gx * 128 + c.gy] == (c.button ? 4 : 12)) << c.view;
        EXPECT_TRUE((savegrid(), mode) == 0 && unlike() == 0) << c.view;
    }
    EXPECT_TRUE((setview(5), view) == 3 && vieww == 336);
    for (int x : { 392, 391, 100, 8 }) { // 392 is past the strip; 100 at y 16, below it
        editorclick(x, x == 100 ? 16 : 15, 0);
        EXPECT_EQ(curcol, x == 8 ? 0 : x == 392 ? 12 : 15);
    }
}

TEST(Editor, UndoOrderNoOpPaintsAndAFullStack)
{
    freshstate();
    tsselw = tsselh = 8;
    openeditor();
    for (int c : { 3, 7, 7 }) // the same colour again is not recorded
        curcol = c, editorpaint(8, 24, 0);
    EXPECT_TRUE(pblen == 2 && (undopixbuf(), grid[0]) == 3);
    undopixbuf(), undopixbuf();
    EXPECT_TRUE(grid[0] == 0 && pblen == 0 && pbpos == -1);
    for (int i = 0; i < 10000; i++)
        editorpaint(8 + i % 128, 24 + i / 128, i % 2); // 10000 changes
    editorpaint(8 + 20, 24 + 100, 0); // dropped, still painted
    EXPECT_TRUE(pblen == 10000 && grid[20 * 128 + 100] == 7);
    for (int i = 0; i < 10000; i++)
        undopixbuf();
    EXPECT_TRUE(grid[9999 % 128 * 128 + 9999 / 128] == 0 && grid[20 * 128 + 100] == 7);
}
