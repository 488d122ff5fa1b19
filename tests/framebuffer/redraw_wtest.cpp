// Redraw and presentation on a real (hidden) window: the pixels of the render texture are read back.
#include <gtest/gtest.h>

#include <memory>

#include "framebuffer/presentation.h"
#include "framebuffer/color_boost.h"
#include "window_pixels.h"

namespace {

constexpr Color kClear = {5, 7, 12, 255};

std::unique_ptr<AsciiFramebuffer> smallGrid() { return std::make_unique<AsciiFramebuffer>(36, 14, 10, 18); }

}  // namespace

TEST(Redraw, DrawsOnlyChangedCellsUnlessForcedGlyphsStayInTheirCellAndTheBoostChangesPixelsNotCells) {
    auto fb = smallGrid();
    fb->setCell(2, 3, 32, kDefaultGlyphColor, kRed);
    fb->setCell(4, 3, 32, kDefaultGlyphColor, kGreen);
    fb->drawn[3 * 36 + 4] = fb->cells[3 * 36 + 4];  // A cell whose drawn copy matches counts as unchanged
    fb->setCell(5, 5, 0x2588, kRed, kGreen);          // Full block: mostly glyph colour
    fb->setCell(6, 5, '.', kRed, kGreen);             // A dot: mostly background
    redraw(*fb, false);
    {
        Pixels px(fb->target.texture);
        EXPECT_TRUE(px.filled(2, 3, kRed) && px.filled(4, 3, kSceneBackground) && px.filled(3, 3, kSceneBackground));
        EXPECT_GT(px.count(5, 5, kRed), 60);
        const int dotInk = 180 - px.count(6, 5, kGreen);  // Antialiased: count what is not background
        EXPECT_TRUE(dotInk > 0 && dotInk < 45) << dotInk;
        EXPECT_TRUE(px.filled(5, 4, kSceneBackground)) << "nothing spills into the cell above";
    }
    EXPECT_EQ(fb->drawn, fb->cells);
    redraw(*fb, true);
    EXPECT_TRUE(Pixels(fb->target.texture).filled(4, 3, kGreen));
    const Color bg = {100, 60, 40, 255};
    fb->colorBoost = true;
    fb->setCell(1, 1, 32, kDefaultGlyphColor, bg);
    redraw(*fb, false);
    EXPECT_TRUE(Pixels(fb->target.texture).filled(1, 1, boostColor(bg, true)));
    EXPECT_TRUE(fb->cells[36 + 1].bg == bg && fb->drawn[36 + 1].bg == bg) << "the cells keep the stored colours";
}

TEST(Present, LetterboxesUprightAndTheFocusedFlightFillsTheWindowWithTheFocusCell) {
    auto fb = smallGrid();  // 360 x 252 pixels
    fb->clear(kRed);
    fb->setCell(0, 0, 32, kDefaultGlyphColor, kGreen);  // Top-left cell
    fb->setCell(20, 7, 32, kDefaultGlyphColor, kRed);   // Focus cell
    fb->setCell(19, 7, 32, kDefaultGlyphColor, kGreen);
    redraw(*fb, true);
    RenderTexture2D screen = LoadRenderTexture(720, 300);
    BeginTextureMode(screen);
    present(*fb, 720, 300, kClear, 1.0f);  // 428 x 300 at x 146
    EndTextureMode();
    {
        Pixels px(screen.texture);
        EXPECT_TRUE(sameRgb(px.at(145, 150), kClear) && sameRgb(px.at(146, 150), kRed));
        EXPECT_TRUE(sameRgb(px.at(573, 299), kRed) && sameRgb(px.at(574, 299), kClear));
        EXPECT_TRUE(sameRgb(px.at(148, 2), kGreen)) << "the top-left cell stays at the top left";
    }
    BeginTextureMode(screen);
    presentFocused(*fb, 720, 300, 20, 7, 1.0f, 0.0f, kClear);
    EndTextureMode();
    {
        // The focus cell is 1.35 times the window's width high and centred: 540 x 972 pixels
        Pixels px(screen.texture);
        EXPECT_TRUE(sameRgb(px.at(360, 150), kRed) && sameRgb(px.at(91, 0), kRed) && sameRgb(px.at(629, 299), kRed));
        EXPECT_TRUE(sameRgb(px.at(80, 150), kGreen)) << "the neighbouring cell shows at the side";
    }
    UnloadRenderTexture(screen);
}
