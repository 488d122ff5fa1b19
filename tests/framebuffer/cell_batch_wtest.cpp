// The redraw's own vertex stream against raylib's drawing calls: the same grids drawn both ways must
// give the same render texture, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <random>

#include "framebuffer/color_boost.h"
#include "window_pixels.h"

namespace {

// The redraw as raylib's immediate mode draws it: a rectangle, then the glyph, per cell.
void drawWithRaylibCalls(AsciiFramebuffer& fb, bool force) {
    const Texture2D previousShapes = GetShapesTexture();
    const Rectangle previousRect = GetShapesTextureRectangle();
    const Rectangle white = fb.ownsFont ? Rectangle{(float)(fb.font.texture.width - 2),
                                                    (float)(fb.font.texture.height - 2), 1.0f, 1.0f}
                                        : GetShapesTextureRectangle();
    SetShapesTexture(fb.font.texture, white);
    const float glyphSize = ((float)fb.cellHeight - 2.0f) * fb.glyphScale;
    const float glyphOffsetX = ((float)fb.cellWidth - glyphSize * 0.56f) * 0.5f;
    const float glyphOffsetY = ((float)fb.cellHeight - glyphSize) * 0.5f;
    BeginTextureMode(fb.target);
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const size_t i = (size_t)y * (size_t)fb.cols + (size_t)x;
            const Cell& c = fb.cells[i];
            if (!force && c == fb.drawn[i]) continue;
            const int px = fb.cellWidth * x, py = fb.cellHeight * y;
            DrawRectangle(px, py, fb.cellWidth, fb.cellHeight, fb.colorBoost ? boostColor(c.bg, true) : c.bg);
            const Vector2 pos = {glyphOffsetX + (float)px + 0.25f, glyphOffsetY + (float)py + 0.15f};
            if (c.codepoint != 32) DrawTextCodepoint(fb.font, (int)c.codepoint, pos, glyphSize, fb.colorBoost ? boostColor(c.fg, false) : c.fg);
            fb.drawn[i] = c;
        }
    }
    EndTextureMode();
    SetShapesTexture(previousShapes, previousRect);
}

// Printable ASCII, block glyphs, codepoints the font lacks (drawn as its fallback glyph), spaces,
// and 'A' beside U+4100, which share a glyph look-up slot.
const uint32_t kCodepoints[] = {'A', 0x4100, 'g', '|', '@', '~', 32, 32, 0x2588, 0x2592, 0x2580,
                                0x2590, 0x263A, 10, 233, 0, 0xFFFFFFFFu, 'W'};

// Every cell (or every nth) gets a codepoint and colours from the seed; with translucent colours
// the glyphs and rectangles blend over what the texture held.
void fill(AsciiFramebuffer& fb, uint32_t seed, int everyNth, bool translucent) {
    std::mt19937 next(seed);
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const uint32_t h = next(), k = next();
            if (h % (uint32_t)everyNth != 0) continue;
            const unsigned char opaque = translucent ? 0 : 255;  // Or-ed into the alpha bytes
            const Color fg = {(unsigned char)k, (unsigned char)(k >> 8), (unsigned char)(k >> 16), (unsigned char)((k >> 24) | opaque)};
            const Color bg = {(unsigned char)(k >> 5), (unsigned char)(k >> 13), (unsigned char)(h >> 7), (unsigned char)((h >> 20) | opaque)};
            fb.setCell(x, y, kCodepoints[(h >> 8) % std::size(kCodepoints)], fg, bg);
        }
    }
}

// 120 x 42 sends more than one draw call's 8192 quads.
const struct { const char* name; int cols, rows; bool colorBoost, translucent; float glyphScale; } kCases[] = {
    {"base grid, boost", 120, 42, true, false, 1.0f},
    {"wide grid, boost, translucent", 249, 14, true, true, 1.0f},
    {"larger glyphs, no boost, translucent", 58, 20, false, true, 1.37f},
};

// Both textures are the same size and format.
bool sameBytes(const RenderTexture2D& a, const RenderTexture2D& b) {
    Image ia = LoadImageFromTexture(a.texture), ib = LoadImageFromTexture(b.texture);
    const bool same = memcmp(ia.data, ib.data, (size_t)GetPixelDataSize(ia.width, ia.height, ia.format)) == 0;
    UnloadImage(ia);
    UnloadImage(ib);
    return same;
}

}  // namespace

TEST(CellBatch, DrawsTheSameBytesAsRaylibsRectangleAndGlyphCalls) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        auto ours = std::make_unique<AsciiFramebuffer>(c.cols, c.rows, 10, 18);
        auto theirs = std::make_unique<AsciiFramebuffer>(c.cols, c.rows, 10, 18);
        for (AsciiFramebuffer* fb : {ours.get(), theirs.get()}) {
            fb->colorBoost = c.colorBoost;
            fb->glyphScale = c.glyphScale;
        }
        // A full frame, then a frame with a tenth of the cells changed over it, then a forced one
        const int frames[][3] = {{1, 1, false}, {2, 10, false}, {3, 3, true}};  // {seed, every nth cell, force}
        for (const auto& f : frames) {
            fill(*ours, (uint32_t)f[0], f[1], c.translucent);
            fill(*theirs, (uint32_t)f[0], f[1], c.translucent);
            redraw(*ours, f[2] != 0);
            drawWithRaylibCalls(*theirs, f[2] != 0);
            EXPECT_TRUE(sameBytes(ours->target, theirs->target)) << "frame " << f[0];
            EXPECT_EQ(ours->drawn, theirs->drawn);
        }
    }
}
