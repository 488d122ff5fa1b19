// The CPU renderer without a window: the glyph atlas from the font file, the redraw of changed
// cells into the image (rectangle, then glyph blended over it, glyphs reaching into neighbours),
// and the window's view of the image (letterbox, point sampling, overlay).
#include <gtest/gtest.h>

#include <memory>

#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"

namespace {

constexpr Color kClear = {5, 7, 12, 255};
constexpr Color kRed = {255, 0, 0, 255};
constexpr Color kBlue = {0, 0, 255, 255};
constexpr Color kGreen = {0, 200, 0, 255};

const GlyphFont& font() {
    static const GlyphFont loaded = [] {
        SetTraceLogLevel(LOG_NONE);
        return loadGlyphFontOnCpu(18);
    }();
    return loaded;
}

std::unique_ptr<AsciiFramebuffer> cpuFramebuffer(int cols = 36, int rows = 14) {
    return std::make_unique<AsciiFramebuffer>(cols, rows, 10, 18, font());
}

Color pixelAt(const AsciiFramebuffer& fb, int x, int y) {
    return unpackPixel(fb.image.pixels[(size_t)y * (size_t)fb.image.width + (size_t)x]);
}

Color frameAt(const PixelFrame& frame, int x, int y) {
    return unpackPixel(frame.pixels[(size_t)y * (size_t)frame.width + (size_t)x]);
}

::testing::AssertionResult sameColor(Color got, Color want) {
    if (got == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << (int)got.r << "," << (int)got.g << "," << (int)got.b << ","
                                         << (int)got.a << ") instead of (" << (int)want.r << "," << (int)want.g
                                         << "," << (int)want.b << "," << (int)want.a << ")";
}

// The pixels of one cell: those equal to the colour, and all of them
int countInCell(const AsciiFramebuffer& fb, int cx, int cy, Color color) {
    int n = 0;
    for (int y = cy * 18; y < cy * 18 + 18; ++y) {
        for (int x = cx * 10; x < cx * 10 + 10; ++x) n += pixelAt(fb, x, y) == color ? 1 : 0;
    }
    return n;
}

}  // namespace

// Worked values: each product rounded to a byte, then added
TEST(CpuBlend, BothProductsRoundedThenAdded) {
    EXPECT_EQ(blendChannel(255, 0, 128), 128);
    EXPECT_EQ(blendChannel(0, 255, 128), 127);
    EXPECT_EQ(blendChannel(200, 100, 0), 100);    // No alpha: the destination stays
    EXPECT_EQ(blendChannel(200, 100, 255), 200);  // Opaque: the source replaces it
    EXPECT_EQ(blendChannel(10, 250, 64), 3 + 187);  // 2.51 rounds down, 187.25 down
    EXPECT_EQ(blendChannel(255, 255, 77), 255);     // Never past a byte
    EXPECT_EQ(blendChannel(1, 1, 128), 1);          // 0.502 up and 0.498 down
}

TEST(CpuFont, SameFileAndSizeAsTheGpuWithTheAtlasInMemory) {
    const GlyphFont& f = font();
    ASSERT_TRUE(f.fromFile) << "the tests need the DejaVu Sans Mono font (scripts/setup.sh installs it)";
    EXPECT_TRUE(f.onCpu);
    EXPECT_EQ(f.font.texture.id, 0u);  // No texture: no OpenGL
    EXPECT_EQ(f.font.baseSize, 16);
    EXPECT_EQ(f.font.glyphCount, kFontCodepointCount);
    EXPECT_TRUE(f.blockGlyphs);
    ASSERT_NE(f.atlas.data, nullptr);
    EXPECT_EQ(f.atlas.format, PIXELFORMAT_UNCOMPRESSED_GRAY_ALPHA);
    EXPECT_EQ(f.font.texture.width, f.atlas.width);
    // raylib's white square in the atlas's bottom-right corner: grey and alpha 255
    const unsigned char* last = static_cast<const unsigned char*>(f.atlas.data) + ((size_t)f.atlas.width * f.atlas.height - 1) * 2;
    EXPECT_EQ(last[0], 255);
    EXPECT_EQ(last[1], 255);
}

TEST(CpuFont, NoFileLoadsNoGlyphsAndTheCellsStillDrawTheirBackgrounds) {
    const FontChoice missing[] = {{"/nonexistent/font.ttf", "Missing"}};
    GlyphFont none = loadGlyphFontOnCpu(18, FontTable{missing, 1});
    EXPECT_FALSE(none.fromFile);
    EXPECT_TRUE(none.onCpu);
    EXPECT_STREQ(none.name, "DEFAULT");
    EXPECT_EQ(none.atlas.data, nullptr);
    {
        AsciiFramebuffer fb(36, 14, 10, 18, none);
        EXPECT_EQ(fb.backing, FramebufferBacking::Cpu);
        fb.setCell(0, 0, 'A', kRed, kBlue);
        redraw(fb, false);
        EXPECT_EQ(countInCell(fb, 0, 0, kBlue), 180);
    }
    releaseGlyphFont(none);
}

TEST(CpuRedraw, RectangleThenGlyphOnlyForChangedCells) {
    auto fb = cpuFramebuffer();
    EXPECT_EQ(fb->backing, FramebufferBacking::Cpu);
    fb->setCell(3, 2, 32, kRed, kBlue);   // A space: the background alone
    fb->setCell(5, 2, 0x2588, kRed, kBlue);  // The full block: mostly glyph
    fb->setCell(7, 2, 'i', kGreen, kBlue);
    redraw(*fb, false);
    EXPECT_EQ(countInCell(*fb, 3, 2, kBlue), 180);
    EXPECT_GE(countInCell(*fb, 5, 2, kRed), 100);
    const int blue = countInCell(*fb, 7, 2, kBlue);  // The rest is the i, edges blended
    EXPECT_GT(blue, 120);
    EXPECT_LT(blue, 175);
    EXPECT_EQ(countInCell(*fb, 0, 0, kSceneBackground), 180);  // Untouched: the starting fill

    // Nothing changed: nothing drawn, the picture stays as it is
    const long long version = fb->image.version;
    const int block = countInCell(*fb, 5, 2, kRed);
    redraw(*fb, false);
    EXPECT_EQ(fb->image.version, version);
    // A cell painted over by hand is repainted only when forced
    fb->image.pixels[0] = packPixel(kGreen);
    redraw(*fb, false);
    EXPECT_TRUE(sameColor(pixelAt(*fb, 0, 0), kGreen));
    redraw(*fb, true);
    EXPECT_TRUE(sameColor(pixelAt(*fb, 0, 0), kSceneBackground));
    EXPECT_EQ(countInCell(*fb, 5, 2, kRed), block);
    EXPECT_GT(fb->image.version, version);
}

// A translucent glyph colour blends over the cell's rectangle, alpha included, and the window
// then shows that pixel over its clear colour: the GPU's two blends, worked by hand.
TEST(CpuRedraw, TranslucentGlyphBlendsOverItsRectangleAndThenOverTheClearColour) {
    auto fb = cpuFramebuffer();
    fb->setCell(4, 4, 0x2588, Color{255, 0, 0, 128}, kBlue);  // The full block: pixels it covers fully
    redraw(*fb, false);
    EXPECT_GE(countInCell(*fb, 4, 4, Color{128, 0, 127, 191}), 100);
    PixelFrame frame;
    const Rectangle view = presentRect(360, 252, 360, 252, 1.0f);
    presentPixels(fb->image, frame, 360, 252, &view, kClear, 0);
    int shown = 0;
    for (int y = 72; y < 90; ++y) {
        for (int x = 40; x < 50; ++x) shown += frameAt(frame, x, y) == Color{97, 2, 98, 255} ? 1 : 0;
    }
    EXPECT_GE(shown, 100);
}

// A translucent background blends with what the image held: the starting fill, alpha included.
TEST(CpuRedraw, TranslucentBackgroundBlendsOverTheStartingFill) {
    auto fb = cpuFramebuffer();
    fb->setCell(0, 0, 32, kRed, Color{0, 0, 0, 128});
    redraw(*fb, true);
    EXPECT_TRUE(sameColor(pixelAt(*fb, 0, 0), Color{4, 5, 7, 191}));  // (8,10,15) times 127/255
    // The colour boost changes the colours drawn, never the cells
    auto boosted = cpuFramebuffer();
    boosted->colorBoost = true;
    boosted->setCell(1, 1, 32, kRed, kSceneBackground);
    redraw(*boosted, true);
    EXPECT_TRUE(sameColor(pixelAt(*boosted, 10, 18), Color{0, 0, 6, 255}));
    EXPECT_EQ(boosted->at(1, 1).bg, kSceneBackground);
}

TEST(CpuPresent, LetterboxedAtWholePixelsAndMagnifiedByPointSampling) {
    auto fb = cpuFramebuffer();  // 360 x 252 pixels
    fb->setCell(0, 0, 32, kRed, kRed);
    fb->setCell(35, 13, 32, kGreen, kGreen);
    redraw(*fb, false);
    PixelFrame frame;
    Rectangle view = presentRect(360, 252, 800, 252, 1.0f);  // (220, 0, 360, 252)
    presentPixels(fb->image, frame, 800, 252, &view, kClear, 0);
    EXPECT_TRUE(sameColor(frameAt(frame, 219, 0), kClear));
    EXPECT_TRUE(sameColor(frameAt(frame, 220, 0), kRed));
    EXPECT_TRUE(sameColor(frameAt(frame, 579, 251), kGreen));
    EXPECT_TRUE(sameColor(frameAt(frame, 580, 251), kClear));

    view = presentRect(360, 252, 720, 504, 1.0f);  // Twice the size: each pixel a 2x2 block
    presentPixels(fb->image, frame, 720, 504, &view, kClear, 0);
    EXPECT_TRUE(sameColor(frameAt(frame, 19, 35), kRed));
    EXPECT_TRUE(sameColor(frameAt(frame, 20, 36), kSceneBackground));
    EXPECT_TRUE(sameColor(frameAt(frame, 700, 468), kGreen));
    EXPECT_TRUE(sameColor(frameAt(frame, 699, 467), kSceneBackground));
}

TEST(CpuPresent, OverlayDarkensEverythingAndBlackHasNoPicture) {
    auto fb = cpuFramebuffer();
    redraw(*fb, true);
    PixelFrame frame;
    const Rectangle view = presentRect(360, 252, 800, 252, 1.0f);
    presentPixels(fb->image, frame, 800, 252, &view, kClear, 128);
    EXPECT_TRUE(sameColor(frameAt(frame, 0, 0), Color{2, 3, 6, 255}));      // The clear colour times 127/255
    EXPECT_TRUE(sameColor(frameAt(frame, 400, 100), Color{4, 5, 7, 255}));  // The scene background
    presentPixels(fb->image, frame, 800, 252, &view, kClear, 255);
    EXPECT_TRUE(sameColor(frameAt(frame, 400, 100), Color{0, 0, 0, 255}));
    presentPixels(fb->image, frame, 64, 32, nullptr, Color{0, 0, 0, 255}, 0);
    ASSERT_EQ(frame.pixels.size(), 64u * 32u);
    for (Pixel p : frame.pixels) ASSERT_EQ(p, packPixel(Color{0, 0, 0, 255}));
    presentPixels(fb->image, frame, 0, 0, &view, kClear, 0);  // No window: nothing to draw
    EXPECT_TRUE(frame.pixels.empty());
}

// At the end of a flight the focus cell covers the middle of the window; before its first redraw
// an image shows its starting fill.
TEST(CpuPresent, FlightEndsOnTheFocusCell) {
    auto fb = cpuFramebuffer(120, 42);
    PixelFrame frame;
    const Rectangle start = presentRect(1200, 756, 480, 270, 1.0f);
    presentPixels(fb->image, frame, 480, 270, &start, kClear, 0);
    EXPECT_TRUE(sameColor(frameAt(frame, 240, 135), kSceneBackground));
    fb->setCell(60, 21, 32, kRed, kRed);
    redraw(*fb, false);
    const Rectangle end = focusedRect(120, 42, 10, 18, 480, 270, 60, 21, 1.0f, 0.0f);
    presentPixels(fb->image, frame, 480, 270, &end, kClear, 0);
    EXPECT_TRUE(sameColor(frameAt(frame, 240, 135), kRed));
    EXPECT_TRUE(sameColor(frameAt(frame, 239, 0), kRed));  // 648 pixels high: taller than the window
    EXPECT_TRUE(sameColor(frameAt(frame, 0, 135), kSceneBackground));  // 360 wide: its neighbours beside it
}
