// How the grid lands on the terminal: the grid size for a zoom level, the magnification around the
// centre, the colour boost, the flight into the anchor cell and the darkening overlay.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "framebuffer/font_redraw.h"
#include "tools/term/term_view.h"

namespace {

constexpr Color kRed = {255, 0, 0, 255};
constexpr Color kTeal = {0, 128, 127, 255};

uint32_t rgb(Color c) { return packRgb(c.r, c.g, c.b); }

std::unique_ptr<AsciiFramebuffer> grid(int cols, int rows, bool boost = false) {
    auto fb = std::make_unique<AsciiFramebuffer>(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    fb->colorBoost = boost;
    return fb;
}

const TermCell& cellAt(const TermCanvas& c, int x, int y) { return c.cells[(size_t)(y * c.cols + x)]; }

Presentation plain() { return Presentation{}; }

Presentation flight(int fx, int fy, float progress, float punch) {
    Presentation how;
    how.kind = Presentation::Focused;
    how.focusX = fx;
    how.focusY = fy;
    how.progress = progress;
    how.punch = punch;
    return how;
}

}  // namespace

TEST(TermView, ZoomLevelsBelowTheNativeOneMagnify) {
    EXPECT_FLOAT_EQ(termMagnification(kNativeZoomLevel), 1.0f);
    EXPECT_FLOAT_EQ(termMagnification(7), 1.0f);  // Cells never get smaller than the terminal's
    EXPECT_FLOAT_EQ(termMagnification(1), 1.2f);
    EXPECT_FLOAT_EQ(termMagnification(0), 1.44f);
    EXPECT_NEAR(termMagnification(-7), powf(1.2f, 9.0f), 1e-4f);

    struct Case {
        int termCols, termRows, level, cols, rows;
    };
    const std::vector<Case> cases = {
        {120, 42, 2, 120, 42},   // Quiet: one for one
        {120, 42, 0, 83, 29},    // 120 / 1.44 = 83.3, 42 / 1.44 = 29.2
        {200, 60, 1, 167, 50},   // 166.7 rounds up
        {120, 42, -7, 36, 14},   // 23 x 8 would be below the grid's smallest
        {10, 5, 2, 36, 14},      // A tiny terminal still gets a grid the scenes know
        {600, 300, 5, 520, 220}, // ...and a huge one the largest
    };
    for (const Case& c : cases) {
        const GridSize g = termGridSize(c.termCols, c.termRows, c.level);
        EXPECT_EQ(g.cols, c.cols) << c.termCols << "x" << c.termRows << " level " << c.level;
        EXPECT_EQ(g.rows, c.rows) << c.termCols << "x" << c.termRows << " level " << c.level;
    }
}

TEST(TermView, PlainGridFillsTheTerminalNearestNeighbour) {
    const auto owned = grid(36, 14);
    AsciiFramebuffer& fb = *owned;
    fb.setCell(5, 3, 'A', kRed, kTeal);
    TermCanvas one;
    composeScreen(fb, plain(), 36, 14, one);
    EXPECT_EQ(cellAt(one, 5, 3).codepoint, (uint32_t)'A');
    EXPECT_EQ(cellAt(one, 5, 3).fg, rgb(kRed));
    EXPECT_EQ(cellAt(one, 5, 3).bg, rgb(kTeal));
    EXPECT_EQ(cellAt(one, 6, 3).codepoint, 32u);

    // Twice the size: each grid cell covers a 2 x 2 block
    TermCanvas twice;
    composeScreen(fb, plain(), 72, 28, twice);
    for (int y = 6; y <= 7; ++y) {
        for (int x = 10; x <= 11; ++x) EXPECT_EQ(cellAt(twice, x, y).codepoint, (uint32_t)'A') << x << "," << y;
    }
    EXPECT_EQ(cellAt(twice, 12, 6).codepoint, 32u);
    EXPECT_EQ(cellAt(twice, 10, 8).codepoint, 32u);

    // An uneven factor shows every grid column, in order, some of them twice
    TermCanvas uneven;
    composeScreen(fb, plain(), 45, 14, uneven);
    std::vector<int> seen(36, 0);
    for (int x = 0; x < 45; ++x) {
        ASSERT_GE(uneven.gridColumn[(size_t)x], 0);
        if (x > 0) {
            EXPECT_GE(uneven.gridColumn[(size_t)x], uneven.gridColumn[(size_t)x - 1]);
        }
        ++seen[(size_t)uneven.gridColumn[(size_t)x]];
    }
    for (int n : seen) EXPECT_GE(n, 1);
}

TEST(TermView, ColourBoostAsInTheWindow) {
    const auto owned = grid(36, 14, true);
    AsciiFramebuffer& fb = *owned;
    fb.setCell(0, 0, 'x', kRed, Color{0, 0, 0, 128});
    TermCanvas c;
    composeScreen(fb, plain(), 36, 14, c);
    // The default glyph colour and the scene background as the window draws them
    EXPECT_EQ(cellAt(c, 1, 0).fg, packRgb(241, 241, 241));
    EXPECT_EQ(cellAt(c, 1, 0).bg, packRgb(0, 0, 6));
    EXPECT_EQ(cellAt(c, 0, 0).fg, rgb(kRed));
    EXPECT_EQ(cellAt(c, 0, 0).bg, rgb(boostColor(Color{0, 0, 0, 128}, true)));
    // The cells themselves keep their colours
    EXPECT_EQ(fb.at(1, 0).fg, kDefaultGlyphColor);
}

TEST(TermView, FlightGoesFromThePlainPictureIntoTheAnchorCell) {
    const auto owned = grid(40, 20);
    AsciiFramebuffer& fb = *owned;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) fb.setCell(x, y, (uint32_t)('A' + (x + y) % 26), kRed, kTeal);
    }
    TermCanvas start, plainCanvas;
    composeScreen(fb, flight(11, 5, 0.0f, 0.0f), 80, 40, start);
    composeScreen(fb, plain(), 80, 40, plainCanvas);
    for (size_t i = 0; i < start.cells.size(); ++i) ASSERT_EQ(start.cells[i].codepoint, plainCanvas.cells[i].codepoint);

    // At the end the anchor cell covers the whole terminal
    TermCanvas end;
    composeScreen(fb, flight(11, 5, 1.0f, 0.0f), 80, 40, end);
    for (const TermCell& t : end.cells) ASSERT_EQ(t.codepoint, (uint32_t)('A' + 16));
    // Beyond the ends it stays at them; an anchor off the grid is clamped onto its edge
    TermCanvas over, edge;
    composeScreen(fb, flight(-5, 1000, 2.0f, 0.0f), 80, 40, over);
    for (const TermCell& t : over.cells) ASSERT_EQ(t.codepoint, (uint32_t)('A' + 19));  // Cell (0, 19)

    // On the way the anchor cell grows from its corner: at 0.6 (eased to 0.379) it is 42 columns wide
    composeScreen(fb, flight(0, 0, 0.6f, 0.0f), 80, 40, edge);
    int anchorColumns = 0;
    for (int g : edge.gridColumn) anchorColumns += g == 0 ? 1 : 0;
    EXPECT_EQ(anchorColumns, 37);  // The picture starts 5.3 columns left of the terminal
    EXPECT_EQ(edge.gridColumn[0], 0);
    EXPECT_EQ(edge.gridRow[0], 0);

    // The punch grows the picture from its corner: 6.6 % at the start
    const PictureRect r = flightRect(40, 20, 80, 40, 11, 5, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(r.x, 0.0f);
    EXPECT_FLOAT_EQ(r.y, 0.0f);
    EXPECT_NEAR(r.w, 80.0f * 1.066f, 1e-3f);
    EXPECT_NEAR(r.h, 40.0f * 1.066f, 1e-3f);
}

TEST(TermView, OverlayDarkensAndBlackIsBlack) {
    const auto owned = grid(36, 14);
    AsciiFramebuffer& fb = *owned;
    fb.setCell(0, 0, 'x', Color{200, 100, 0, 255}, Color{255, 255, 255, 255});
    struct Case {
        unsigned char alpha;
        uint32_t fg, bg;
    };
    const std::vector<Case> cases = {
        {0, packRgb(200, 100, 0), packRgb(255, 255, 255)},
        {128, packRgb(100, 50, 0), packRgb(127, 127, 127)},  // 200 * 127 / 255 = 99.6
        {255, 0, 0},
    };
    for (const Case& c : cases) {
        Presentation how;
        how.overlay = c.alpha > 0;
        how.overlayAlpha = c.alpha;
        TermCanvas canvas;
        composeScreen(fb, how, 36, 14, canvas);
        EXPECT_EQ(cellAt(canvas, 0, 0).fg, c.fg) << (int)c.alpha;
        EXPECT_EQ(cellAt(canvas, 0, 0).bg, c.bg) << (int)c.alpha;
    }
    Presentation black;
    black.kind = Presentation::Black;
    TermCanvas canvas;
    composeScreen(fb, black, 50, 20, canvas);
    ASSERT_EQ(canvas.cells.size(), 1000u);
    for (const TermCell& t : canvas.cells) {
        ASSERT_EQ(t.codepoint, 32u);
        ASSERT_EQ(t.bg, 0u);
    }
}
