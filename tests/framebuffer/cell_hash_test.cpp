#include <gtest/gtest.h>

#include "framebuffer/cell_hash.h"

namespace {

AsciiFramebuffer grid(int cols, int rows) { return AsciiFramebuffer(cols, rows, 10, 18, FramebufferBacking::CellsOnly); }

}  // namespace

// FNV-1a of (2, 1, 'A', fg, bg, U+2588, fg, bg), worked out independently of this code.
TEST(CellHash, WorkedValue) {
    AsciiFramebuffer fb = grid(2, 1);
    fb.setCell(0, 0, 'A', Color{190, 190, 190, 255}, Color{8, 10, 15, 255});
    fb.setCell(1, 0, 0x2588, Color{255, 0, 128, 255}, Color{1, 2, 3, 4});
    EXPECT_EQ(cellHash(fb), 0x3e85c8d381a3e513ull);
}

// Every part of a cell, its place and the grid's shape reach the hash.
TEST(CellHash, EveryByteCounts) {
    const Color fg = {10, 20, 30, 255}, bg = {40, 50, 60, 255};
    AsciiFramebuffer base = grid(3, 2);
    base.setCell(1, 1, 'x', fg, bg);
    const uint64_t reference = cellHash(base);
    const struct {
        int x;
        uint32_t codepoint;
        Color fg, bg;
    } changes[] = {{1, 'y', fg, bg}, {1, 'x', {11, 20, 30, 255}, bg}, {1, 'x', {10, 20, 30, 254}, bg},
                   {1, 'x', fg, {40, 50, 61, 255}}, {1, 'x', fg, {40, 50, 60, 0}}, {2, 'x', fg, bg}};
    for (const auto& c : changes) {
        AsciiFramebuffer fb = grid(3, 2);
        fb.setCell(c.x, 1, c.codepoint, c.fg, c.bg);
        EXPECT_NE(cellHash(fb), reference) << c.x << " " << c.codepoint;
    }
    AsciiFramebuffer turned = grid(2, 3);  // The same six cells as 2 x 3
    turned.cells = base.cells;
    EXPECT_NE(cellHash(turned), reference);
}
