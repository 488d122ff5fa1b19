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
    AsciiFramebuffer base = grid(3, 2);
    base.setCell(1, 1, 'x', Color{10, 20, 30, 255}, Color{40, 50, 60, 255});
    const uint64_t reference = cellHash(base);

    struct Change {
        const char* what;
        void (*apply)(AsciiFramebuffer&);
    };
    const Change changes[] = {
        {"codepoint", [](AsciiFramebuffer& fb) { fb.setCell(1, 1, 'y', Color{10, 20, 30, 255}, Color{40, 50, 60, 255}); }},
        {"fg red", [](AsciiFramebuffer& fb) { fb.setCell(1, 1, 'x', Color{11, 20, 30, 255}, Color{40, 50, 60, 255}); }},
        {"fg alpha", [](AsciiFramebuffer& fb) { fb.setCell(1, 1, 'x', Color{10, 20, 30, 254}, Color{40, 50, 60, 255}); }},
        {"bg blue", [](AsciiFramebuffer& fb) { fb.setCell(1, 1, 'x', Color{10, 20, 30, 255}, Color{40, 50, 61, 255}); }},
        {"bg alpha", [](AsciiFramebuffer& fb) { fb.setCell(1, 1, 'x', Color{10, 20, 30, 255}, Color{40, 50, 60, 0}); }},
        {"place", [](AsciiFramebuffer& fb) {
             fb.setCell(1, 1, ' ', kDefaultGlyphColor, kSceneBackground);
             fb.setCell(2, 1, 'x', Color{10, 20, 30, 255}, Color{40, 50, 60, 255});
         }},
    };
    for (const Change& change : changes) {
        AsciiFramebuffer fb = grid(3, 2);
        fb.cells = base.cells;
        change.apply(fb);
        EXPECT_NE(cellHash(fb), reference) << change.what;
    }

    AsciiFramebuffer same = grid(3, 2);
    same.cells = base.cells;
    EXPECT_EQ(cellHash(same), reference);
    // The same six cells as 2 x 3
    AsciiFramebuffer turned = grid(2, 3);
    turned.cells = base.cells;
    EXPECT_NE(cellHash(turned), reference);
}
