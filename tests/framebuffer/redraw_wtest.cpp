// Redraw and presentation on a real (hidden) window: the pixels of the render texture are read back.
#include <gtest/gtest.h>

#include <memory>

#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"

namespace {

constexpr Color kRed = {200, 30, 40, 255};
constexpr Color kGreen = {20, 220, 60, 255};
constexpr Color kClear = {5, 7, 12, 255};

class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetTraceLogLevel(LOG_NONE);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(640, 360, "davur_evi tests");
    }
    void TearDown() override { CloseWindow(); }
};
const auto* const kWindow = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

// The render texture's pixels, top row first.
struct Pixels {
    Image image;
    explicit Pixels(const Texture2D& tex) : image(LoadImageFromTexture(tex)) { ImageFlipVertical(&image); }
    ~Pixels() { UnloadImage(image); }
    Color at(int x, int y) const { return GetImageColor(image, x, y); }
};

bool sameRgb(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// Every pixel of cell (cx, cy) has colour c.
bool cellFilled(const Pixels& px, const AsciiFramebuffer& fb, int cx, int cy, Color c) {
    for (int y = 0; y < fb.cellHeight; ++y) {
        for (int x = 0; x < fb.cellWidth; ++x) {
            if (!sameRgb(px.at(cx * fb.cellWidth + x, cy * fb.cellHeight + y), c)) return false;
        }
    }
    return true;
}

int pixelsOf(const Pixels& px, const AsciiFramebuffer& fb, int cx, int cy, Color c) {
    int n = 0;
    for (int y = 0; y < fb.cellHeight; ++y) {
        for (int x = 0; x < fb.cellWidth; ++x) n += sameRgb(px.at(cx * fb.cellWidth + x, cy * fb.cellHeight + y), c);
    }
    return n;
}

std::unique_ptr<AsciiFramebuffer> smallGrid() { return std::make_unique<AsciiFramebuffer>(36, 14, 10, 18); }

}  // namespace

TEST(FontLoading, UsesTheMonospaceFontWithBlockGlyphsWhenInstalled) {
    auto fb = smallGrid();
    ASSERT_NE(fb->font.texture.id, 0u);
    if (!FileExists("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf")) GTEST_SKIP() << "no DejaVu here";
    EXPECT_STREQ(fb->fontName, "DejaVu Sans Mono");
    EXPECT_TRUE(fb->ownsFont);
    EXPECT_TRUE(fb->blockGlyphs);
    EXPECT_EQ(fb->font.baseSize, 16);
}

TEST(Redraw, TextureStartsWithTheBackgroundAndAnUnforcedRedrawOfNothingDrawsNothing) {
    auto fb = smallGrid();
    {
        Pixels px(fb->target.texture);
        EXPECT_EQ(px.image.width, 360);
        EXPECT_EQ(px.image.height, 252);
        EXPECT_TRUE(cellFilled(px, *fb, 0, 0, kSceneBackground));
        EXPECT_TRUE(cellFilled(px, *fb, 35, 13, kSceneBackground));
    }
    // Paint over the texture behind the grid's back: a redraw without changes must not touch it
    BeginTextureMode(fb->target);
    ClearBackground(kGreen);
    EndTextureMode();
    redraw(*fb, false);
    Pixels px(fb->target.texture);
    EXPECT_TRUE(cellFilled(px, *fb, 7, 7, kGreen));
}

TEST(Redraw, DrawsOnlyChangedCellsUnlessForced) {
    auto fb = smallGrid();
    fb->setCell(2, 3, 32, kDefaultGlyphColor, kRed);
    // A cell whose drawn copy already matches counts as unchanged
    fb->setCell(4, 3, 32, kDefaultGlyphColor, kGreen);
    fb->drawn[3 * 36 + 4] = fb->cells[3 * 36 + 4];
    redraw(*fb, false);
    {
        Pixels px(fb->target.texture);
        EXPECT_TRUE(cellFilled(px, *fb, 2, 3, kRed));
        EXPECT_TRUE(cellFilled(px, *fb, 4, 3, kSceneBackground));
        EXPECT_TRUE(cellFilled(px, *fb, 3, 3, kSceneBackground));
    }
    EXPECT_EQ(fb->drawn, fb->cells);
    redraw(*fb, true);
    Pixels px(fb->target.texture);
    EXPECT_TRUE(cellFilled(px, *fb, 4, 3, kGreen));
}

TEST(Redraw, GlyphsBlendOverTheirBackgroundInsideTheCell) {
    auto fb = smallGrid();
    fb->setCell(5, 5, 0x2588, kRed, kGreen);  // Full block: mostly glyph colour
    fb->setCell(6, 5, '.', kRed, kGreen);     // A dot: mostly background
    fb->setCell(7, 5, 32, kRed, kGreen);      // Space: background only
    redraw(*fb, false);
    Pixels px(fb->target.texture);
    const int cellArea = fb->cellWidth * fb->cellHeight;
    EXPECT_GT(pixelsOf(px, *fb, 5, 5, kRed), cellArea / 3);
    const int dotInk = cellArea - pixelsOf(px, *fb, 6, 5, kGreen);  // Antialiased: count what is not background
    EXPECT_GT(dotInk, 0);
    EXPECT_LT(dotInk, cellArea / 4);
    EXPECT_TRUE(cellFilled(px, *fb, 7, 5, kGreen));
    EXPECT_TRUE(cellFilled(px, *fb, 5, 4, kSceneBackground)) << "nothing spills into the cell above";
}

TEST(Redraw, ColorBoostChangesDrawnPixelsNotTheStoredCells) {
    auto fb = smallGrid();
    const Color bg = {100, 60, 40, 255};
    fb->colorBoost = true;
    fb->setCell(1, 1, 32, kDefaultGlyphColor, bg);
    redraw(*fb, false);
    Pixels px(fb->target.texture);
    EXPECT_TRUE(cellFilled(px, *fb, 1, 1, boostColor(bg, true)));
    EXPECT_FALSE(sameRgb(boostColor(bg, true), bg));
    EXPECT_EQ(fb->cells[36 + 1].bg, bg);
    EXPECT_EQ(fb->drawn[36 + 1].bg, bg) << "the drawn copy keeps the stored colours";
}

TEST(Present, LetterboxesTheTextureOnTheClearColour) {
    auto fb = smallGrid();  // 360 x 252 pixels
    fb->clear(kRed);
    redraw(*fb, true);
    RenderTexture2D screen = LoadRenderTexture(720, 300);
    BeginTextureMode(screen);
    present(*fb, 720, 300, kClear, 1.0f);
    EndTextureMode();
    {
        Pixels px(screen.texture);
        const Rectangle r = presentRect(360, 252, 720, 300, 1.0f);  // 428 x 300 at x 146
        EXPECT_TRUE(sameRgb(px.at((int)r.x - 1, 150), kClear));
        EXPECT_TRUE(sameRgb(px.at((int)r.x, 150), kRed));
        EXPECT_TRUE(sameRgb(px.at((int)(r.x + r.width) - 1, 0), kRed));
        EXPECT_TRUE(sameRgb(px.at((int)(r.x + r.width), 299), kClear));
        EXPECT_TRUE(sameRgb(px.at(0, 0), kClear));
    }
    UnloadRenderTexture(screen);
}

TEST(Present, TextureIsShownUprightAndFocusedFlightFillsTheWindowWithTheFocusCell) {
    auto fb = smallGrid();
    fb->setCell(0, 0, 32, kDefaultGlyphColor, kGreen);   // Top-left cell
    fb->setCell(20, 7, 32, kDefaultGlyphColor, kRed);    // Focus cell
    redraw(*fb, false);
    RenderTexture2D screen = LoadRenderTexture(360, 252);
    BeginTextureMode(screen);
    present(*fb, 360, 252, kClear, 1.0f);
    EndTextureMode();
    {
        Pixels px(screen.texture);
        EXPECT_TRUE(sameRgb(px.at(2, 2), kGreen)) << "the top-left cell stays at the top left";
        EXPECT_TRUE(sameRgb(px.at(2, 250), kSceneBackground));
    }
    BeginTextureMode(screen);
    presentFocused(*fb, 360, 252, 20, 7, 1.0f, 0.0f, kClear);
    EndTextureMode();
    {
        Pixels px(screen.texture);
        // The focus cell is 1.35 times the window's width high and centred: 270 x 486 pixels
        EXPECT_TRUE(sameRgb(px.at(180, 126), kRed));
        EXPECT_TRUE(sameRgb(px.at(46, 0), kRed));
        EXPECT_TRUE(sameRgb(px.at(314, 251), kRed));
        EXPECT_FALSE(sameRgb(px.at(30, 126), kRed)) << "the neighbouring cell shows at the sides";
    }
    UnloadRenderTexture(screen);
}
