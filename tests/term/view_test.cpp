// How the grid lands on the terminal: the grid size for a zoom level, the magnification around the
// centre, the colour boost, the flight into the anchor cell and the darkening overlay.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "framebuffer/font_redraw.h"
#include "frontends/terminal/term_view.h"

namespace {

constexpr Color kRed = {255, 0, 0, 255};
constexpr Color kTeal = {0, 128, 127, 255};

// Composes a 40 x 20 grid whose cell (x, y) holds the letter 'A' + (x + y) % 26 in red on teal.
TermCanvas compose(const Presentation& how, int termCols, int termRows, bool boost = false) {
    AsciiFramebuffer fb(40, 20, 10, 18, FramebufferBacking::CellsOnly);
    fb.colorBoost = boost;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) fb.setCell(x, y, (uint32_t)('A' + (x + y) % 26), kRed, kTeal);
    }
    fb.setCell(1, 0, ' ', kDefaultGlyphColor, Color{8, 10, 15, 255});  // As a cleared cell
    TermCanvas canvas;
    composeScreen(fb, how, termCols, termRows, canvas);
    return canvas;
}

Presentation flight(int fx, int fy, float progress) {
    Presentation how;
    how.kind = Presentation::Focused;
    how.focusX = fx;
    how.focusY = fy;
    how.progress = progress;
    return how;
}

}  // namespace

TEST(TermView, ZoomLevelsBelowTheNativeOneMagnifyAndTheGridStaysWithinItsLimits) {
    const std::tuple<int, int, int, int, int, float> cases[] = {  // Terminal, level: grid, magnification
        {120, 42, 2, 120, 42, 1.0f},     // Quiet: one for one
        {120, 42, 7, 120, 42, 1.0f},     // Cells never get smaller than the terminal's
        {120, 42, 0, 83, 29, 1.44f},     // 120 / 1.44 = 83.3, 42 / 1.44 = 29.2
        {200, 60, 1, 167, 50, 1.2f},     // 166.7 rounds up
        {120, 42, -7, 36, 14, 5.1598f},  // 1.2^9: 23 x 8 would be below the grid's smallest
        {10, 5, 2, 36, 14, 1.0f},        // A tiny terminal still gets a grid the scenes know
        {600, 300, 5, 520, 220, 1.0f},   // ...and a huge one the largest
    };
    for (const auto& c : cases) {
        const GridSize g = termGridSize(std::get<0>(c), std::get<1>(c), std::get<2>(c));
        EXPECT_EQ(std::make_pair(g.cols, g.rows), std::make_pair(std::get<3>(c), std::get<4>(c))) << std::get<0>(c);
        EXPECT_NEAR(termMagnification(std::get<2>(c)), std::get<5>(c), 1e-4f) << std::get<2>(c);
    }
}

TEST(TermView, PlainGridFillsTheTerminalByTheGridCellUnderEachCellsCentreWithTheWindowsColours) {
    TermCanvas one = compose(Presentation{}, 40, 20);
    EXPECT_EQ(std::make_tuple(one.cells[0].codepoint, one.cells[2].fg, one.cells[2].bg),
              std::make_tuple((uint32_t)'A', packRgb(255, 0, 0), packRgb(0, 128, 127)));
    // Twice the size: each grid cell covers a 2 x 2 block
    TermCanvas twice = compose(Presentation{}, 80, 40);
    for (int i : {0, 1, 80, 81}) EXPECT_EQ(twice.cells[(size_t)i].codepoint, (uint32_t)'A') << i;
    EXPECT_EQ(twice.cells[2 * 80 + 4].codepoint, (uint32_t)'D');
    // 50 columns for 40: each shows the grid column under its centre, some twice
    TermCanvas uneven = compose(Presentation{}, 50, 20);
    EXPECT_EQ(std::vector<int>(uneven.gridColumn.begin(), uneven.gridColumn.begin() + 6),
              (std::vector<int>{0, 1, 2, 2, 3, 4}));
    EXPECT_EQ(uneven.gridColumn.back(), 39);
    // With the colour boost, as the window draws it
    // The default glyph colour and the scene background become those the window draws
    TermCanvas boosted = compose(Presentation{}, 40, 20, true);
    EXPECT_EQ(std::make_tuple(boosted.cells[0].fg, boosted.cells[1].fg, boosted.cells[1].bg),
              std::make_tuple(packRgb(255, 0, 0), packRgb(241, 241, 241), packRgb(0, 0, 6)));
}

TEST(TermView, FlightGoesFromThePlainPictureIntoTheAnchorCell) {
    const TermCanvas plain = compose(Presentation{}, 80, 40), start = compose(flight(11, 5, 0.0f), 80, 40);
    for (size_t i = 0; i < start.cells.size(); ++i) ASSERT_EQ(start.cells[i].codepoint, plain.cells[i].codepoint);
    // At the end the anchor cell covers the whole terminal; beyond the ends it stays at them, and an
    // anchor off the grid is clamped onto its edge
    for (const TermCell& t : compose(flight(11, 5, 1.0f), 80, 40).cells) ASSERT_EQ(t.codepoint, (uint32_t)'Q');
    for (const TermCell& t : compose(flight(-5, 1000, 2.0f), 80, 40).cells) ASSERT_EQ(t.codepoint, (uint32_t)'T');
    // On the way the anchor cell grows from its corner: at 0.6 (eased to 0.379) the picture starts
    // 5.3 columns left of the terminal and the anchor column covers 37
    const TermCanvas edge = compose(flight(0, 0, 0.6f), 80, 40);
    int anchorColumns = 0;
    for (int g : edge.gridColumn) anchorColumns += g == 0 ? 1 : 0;
    EXPECT_EQ(anchorColumns, 37);
    EXPECT_EQ(edge.gridRow[0], 0);
    const PictureRect r = flightRect(40, 20, 80, 40, 11, 5, 0.0f, 1.0f);  // The punch: 6.6 % larger from the corner
    EXPECT_EQ(std::make_pair(r.x, r.y), std::make_pair(0.0f, 0.0f));
    EXPECT_TRUE(fabsf(r.w - 80.0f * 1.066f) < 1e-3f && fabsf(r.h - 40.0f * 1.066f) < 1e-3f) << r.w << " " << r.h;
}

TEST(TermView, OverlayDarkensAndBlackIsBlack) {
    // Red on teal under no overlay, half (255 * 127 / 255 = 127, 128 * 127 / 255 = 63.75) and full
    const uint32_t seen[][2] = {
        {packRgb(255, 0, 0), packRgb(0, 128, 127)}, {packRgb(127, 0, 0), packRgb(0, 64, 63)}, {0, 0}};
    for (int i = 0; i < 3; ++i) {
        Presentation how;
        how.overlay = i > 0;
        how.overlayAlpha = (unsigned char)(i == 1 ? 128 : 255 * (i / 2));
        const TermCell cell = compose(how, 40, 20).cells[0];
        EXPECT_EQ(std::make_pair(cell.fg, cell.bg), std::make_pair(seen[i][0], seen[i][1])) << i;
    }
    Presentation black;
    black.kind = Presentation::Black;
    const TermCanvas canvas = compose(black, 50, 20);
    ASSERT_EQ(canvas.cells.size(), 1000u);
    for (const TermCell& t : canvas.cells) ASSERT_TRUE(t.codepoint == 32 && t.bg == 0);
}
