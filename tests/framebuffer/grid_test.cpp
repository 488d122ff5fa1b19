#include <gtest/gtest.h>

#include "framebuffer/ascii_framebuffer.h"

namespace {

constexpr Color kRed = {255, 0, 0, 255};
constexpr Color kBlue = {0, 0, 255, 255};

AsciiFramebuffer grid(int cols = 120, int rows = 42) {
    return AsciiFramebuffer(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
}

}  // namespace

TEST(GridSize, EveryZoomLevel) {
    const GridSize expected[] = {{36, 14},  {40, 14},  {48, 17},  {58, 20},  {69, 24},
                                 {83, 29},  {100, 35}, {120, 42}, {144, 50}, {173, 60},
                                 {207, 73}, {249, 87}, {299, 105}, {358, 125}, {430, 150}};
    for (int zoom = -7; zoom <= 7; ++zoom) {
        const GridSize g = gridSizeForZoom(zoom);
        EXPECT_EQ(g.cols, expected[zoom + 7].cols) << "zoom " << zoom;
        EXPECT_EQ(g.rows, expected[zoom + 7].rows) << "zoom " << zoom;
    }
}

TEST(GridSize, ClampsBeyondTheLevelRange) {
    const GridSize small = gridSizeForZoom(-30);
    EXPECT_EQ(small.cols, 36);
    EXPECT_EQ(small.rows, 14);
    const GridSize large = gridSizeForZoom(30);
    EXPECT_EQ(large.cols, 520);
    EXPECT_EQ(large.rows, 220);
}

TEST(Grid, StartsClearedWithDrawnMatchingCells) {
    AsciiFramebuffer fb = grid();
    ASSERT_EQ(fb.cells.size(), 120u * 42u);
    ASSERT_EQ(fb.drawn.size(), fb.cells.size());
    EXPECT_EQ(fb.cells, fb.drawn);
    const Cell& c = fb.at(5, 5);
    EXPECT_EQ(c.codepoint, 32u);
    EXPECT_EQ(c.fg, (Color{190, 190, 190, 255}));
    EXPECT_EQ(c.bg, (Color{8, 10, 15, 255}));
    EXPECT_STREQ(fb.fontName, "DEFAULT");
    EXPECT_FALSE(fb.blockGlyphs);
    EXPECT_FALSE(fb.colorBoost);
}

TEST(Grid, SetCellIgnoresWritesOutsideTheGrid) {
    AsciiFramebuffer fb = grid();
    const std::vector<Cell> before = fb.cells;
    fb.setCell(-1, 0, 'A', kRed, kBlue);
    fb.setCell(fb.cols, 0, 'A', kRed, kBlue);
    fb.setCell(0, fb.rows, 'A', kRed, kBlue);
    fb.setCell(0, -1, 'A', kRed, kBlue);
    fb.setCell(-2147483647 - 1, 3, 'A', kRed, kBlue);
    EXPECT_EQ(fb.cells, before);

    fb.setCell(fb.cols - 1, fb.rows - 1, 0x2588, kRed, kBlue);
    EXPECT_EQ(fb.at(fb.cols - 1, fb.rows - 1), (Cell{0x2588, kRed, kBlue}));
    fb.setCell(0, 0, 0xFFFFFFFFu, kRed, kBlue);  // Any codepoint value is stored
    EXPECT_EQ(fb.at(0, 0).codepoint, 0xFFFFFFFFu);
}

TEST(Grid, PutTextClipsAtBothEdgesWithoutWrapping) {
    AsciiFramebuffer fb = grid(36, 14);
    fb.putText(-3, 2, "HELLO", kRed, kBlue);
    EXPECT_EQ(fb.at(0, 2).codepoint, (uint32_t)'L');
    EXPECT_EQ(fb.at(1, 2).codepoint, (uint32_t)'O');
    EXPECT_EQ(fb.at(2, 2).codepoint, 32u);

    const std::string longLine(50, 'x');
    fb.putText(30, 5, longLine.c_str(), kRed, kBlue);
    for (int x = 30; x < 36; ++x) EXPECT_EQ(fb.at(x, 5).codepoint, (uint32_t)'x');
    for (int x = 0; x < 36; ++x) EXPECT_EQ(fb.at(x, 6).codepoint, 32u) << "no wrap into the next row";
}

TEST(Grid, PutTextStoresBytesUnsignedAndControlBytesAsIs) {
    AsciiFramebuffer fb = grid();
    fb.putText(0, 0, "\xE9\n", kRed, kBlue);
    EXPECT_EQ(fb.at(0, 0).codepoint, 233u);
    EXPECT_EQ(fb.at(1, 0).codepoint, 10u);
    EXPECT_EQ(fb.at(0, 1).codepoint, 32u);

    const std::vector<Cell> before = fb.cells;
    fb.putText(0, 3, nullptr, kRed, kBlue);
    fb.putText(0, 3, "", kRed, kBlue);
    fb.putText(0, 99, "off the grid", kRed, kBlue);
    EXPECT_EQ(fb.cells, before);
}

TEST(Grid, ClearResetsCellsButNotTheDrawnCopy) {
    AsciiFramebuffer fb = grid();
    fb.setCell(3, 4, 'Q', kRed, kRed);
    fb.drawn = fb.cells;
    fb.clear(kBlue);
    EXPECT_EQ(fb.background, kBlue);
    for (const Cell& c : fb.cells) EXPECT_EQ(c, (Cell{32, fb.defaultFg, kBlue}));
    EXPECT_EQ(fb.drawn[4 * 120 + 3].codepoint, (uint32_t)'Q');
}

TEST(Grid, CellEqualityComparesAllEightColourBytes) {
    const Cell a{65, {1, 2, 3, 4}, {5, 6, 7, 8}};
    Cell b = a;
    EXPECT_EQ(a, b);
    b.bg.a = 9;
    EXPECT_NE(a, b);
    b = a;
    b.fg.r = 0;
    EXPECT_NE(a, b);
    b = a;
    b.codepoint = 66;
    EXPECT_NE(a, b);
}
