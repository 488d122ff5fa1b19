#include <gtest/gtest.h>

#include "framebuffer/ascii_framebuffer.h"

namespace {

constexpr Color kRed = {255, 0, 0, 255};
constexpr Color kBlue = {0, 0, 255, 255};

AsciiFramebuffer grid(int cols = 120, int rows = 42) {
    return AsciiFramebuffer(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
}

}  // namespace

TEST(GridSize, EveryZoomLevelAndBeyond) {
    const struct {
        int zoom, cols, rows;
    } cases[] = {{-30, 36, 14}, {-7, 36, 14},  {-6, 40, 14},   {-5, 48, 17},   {-4, 58, 20},   {-3, 69, 24},
                 {-2, 83, 29},  {-1, 100, 35}, {0, 120, 42},   {1, 144, 50},   {2, 173, 60},   {3, 207, 73},
                 {4, 249, 87},  {5, 299, 105}, {6, 358, 125},  {7, 430, 150},  {30, 520, 220}};
    for (const auto& c : cases) {
        const GridSize g = gridSizeForZoom(c.zoom);
        EXPECT_TRUE(g.cols == c.cols && g.rows == c.rows) << "zoom " << c.zoom << ": " << g.cols << " x " << g.rows;
    }
}

TEST(Grid, StartsClearedAndClearLeavesTheDrawnCopy) {
    AsciiFramebuffer fb = grid();
    ASSERT_EQ(fb.cells.size(), 120u * 42u);
    EXPECT_EQ(fb.cells, fb.drawn);
    EXPECT_EQ(fb.at(5, 5), (Cell{32, {190, 190, 190, 255}, {8, 10, 15, 255}}));
    EXPECT_STREQ(fb.fontName, "DEFAULT");
    fb.setCell(3, 4, 'Q', kRed, kRed);
    fb.drawn = fb.cells;
    fb.clear(kBlue);
    EXPECT_EQ(fb.background, kBlue);
    for (const Cell& c : fb.cells) EXPECT_EQ(c, (Cell{32, fb.defaultFg, kBlue}));
    EXPECT_EQ(fb.drawn[4 * 120 + 3].codepoint, (uint32_t)'Q');
}

TEST(Grid, WritesOutsideTheGridAreIgnoredAndTextClipsWithoutWrapping) {
    AsciiFramebuffer fb = grid(36, 14);
    const std::vector<Cell> before = fb.cells;
    for (const auto& [x, y] : {std::pair{-1, 0}, {36, 0}, {0, 14}, {0, -1}, {-2147483647 - 1, 3}, {36, 13}}) {
        fb.setCell(x, y, 'A', kRed, kBlue);
    }
    fb.putText(0, 3, nullptr, kRed, kBlue);
    fb.putText(0, 3, "", kRed, kBlue);
    fb.putText(0, 99, "off the grid", kRed, kBlue);
    EXPECT_EQ(fb.cells, before);
    fb.setCell(35, 13, 0xFFFFFFFFu, kRed, kBlue);  // Any codepoint value is stored
    EXPECT_EQ(fb.at(35, 13), (Cell{0xFFFFFFFFu, kRed, kBlue}));

    fb.putText(-3, 2, "HELLO", kRed, kBlue);
    fb.putText(30, 5, std::string(50, 'x').c_str(), kRed, kBlue);
    fb.putText(0, 7, "\xE9\n", kRed, kBlue);  // Bytes unsigned, control bytes as they are
    const struct {
        int x, y;
        uint32_t codepoint;
    } cells[] = {{0, 2, 'L'}, {1, 2, 'O'}, {2, 2, 32}, {30, 5, 'x'}, {35, 5, 'x'}, {0, 6, 32}, {0, 7, 233}, {1, 7, 10}};
    for (const auto& c : cells) EXPECT_EQ(fb.at(c.x, c.y).codepoint, c.codepoint) << c.x << ", " << c.y;

    Cell a{65, {1, 2, 3, 4}, {5, 6, 7, 8}}, b = a;  // Equality reads all eight colour bytes
    b.bg.a = 9;
    EXPECT_NE(a, b);
    b = a;
    b.fg.r = 0;
    EXPECT_NE(a, b);
}
