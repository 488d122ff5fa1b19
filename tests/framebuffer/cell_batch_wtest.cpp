// The redraw's own vertex stream against raylib's drawing calls: the same grids drawn both ways must
// give the same render texture, byte for byte. Runs in the window that redraw_wtest.cpp opens.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>

#include "framebuffer/font_redraw.h"

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

uint32_t mix(uint32_t x) {
    x = (x ^ (x >> 16)) * 0x7FEB352Du;
    x = (x ^ (x >> 15)) * 0x846CA68Bu;
    return x ^ (x >> 16);
}

// Printable ASCII, block glyphs, codepoints the font lacks (drawn as its fallback glyph), spaces,
// and 'A' beside U+4100, which share a glyph look-up slot.
const uint32_t kCodepoints[] = {'A', 0x4100, 'g', '|', '@', '~', 32, 32, 0x2588, 0x2592, 0x2580,
                                0x2590, 0x263A, 10, 233, 0, 0xFFFFFFFFu, 'W'};

// Every cell (or every nth) gets a codepoint and colours from the seed; with translucent colours
// the glyphs and rectangles blend over what the texture held.
void fill(AsciiFramebuffer& fb, uint32_t seed, int everyNth, bool translucent) {
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const uint32_t h = mix(seed ^ (uint32_t)(y * fb.cols + x) * 0x9E3779B9u);
            if (h % (uint32_t)everyNth != 0) continue;
            const uint32_t k = mix(h);
            const auto byte = [translucent](uint32_t v, bool alpha) { return (unsigned char)(alpha && !translucent ? 255 : v); };
            const Color fg = {byte(k, false), byte(k >> 8, false), byte(k >> 16, false), byte(k >> 24, true)};
            const Color bg = {byte(k >> 5, false), byte(k >> 13, false), byte(h >> 7, false), byte(h >> 20, true)};
            fb.setCell(x, y, kCodepoints[(h >> 8) % std::size(kCodepoints)], fg, bg);
        }
    }
}

// 120 x 42 sends more than one draw call's 8192 quads.
const struct {
    const char* name;
    int cols, rows;
    bool colorBoost, translucent;
    float glyphScale;
} kCases[] = {
    {"base grid, boost", 120, 42, true, false, 1.0f},
    {"base grid, no boost, translucent", 120, 42, false, true, 1.0f},
    {"wide grid, boost, translucent", 249, 14, true, true, 1.0f},
    {"larger glyphs", 58, 20, false, true, 1.37f},
};

// Both textures are the same size and format.
int differingBytes(const RenderTexture2D& a, const RenderTexture2D& b) {
    Image ia = LoadImageFromTexture(a.texture), ib = LoadImageFromTexture(b.texture);
    int n = 0;
    for (int i = 0; i < GetPixelDataSize(ia.width, ia.height, ia.format); ++i) {
        n += static_cast<const unsigned char*>(ia.data)[i] != static_cast<const unsigned char*>(ib.data)[i];
    }
    UnloadImage(ia);
    UnloadImage(ib);
    return n;
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
            EXPECT_EQ(differingBytes(ours->target, theirs->target), 0) << "frame " << f[0];
            EXPECT_EQ(ours->drawn, theirs->drawn);
        }
    }
}

TEST(CellBatch, LeavesRaylibDrawingAsItWas) {
    // Shapes drawn after a redraw, with raylib's batch and texture, still land where they should
    auto fb = std::make_unique<AsciiFramebuffer>(36, 14, 10, 18);
    fill(*fb, 7, 1, false);
    redraw(*fb, true);
    const Color red = {200, 30, 40, 255};
    BeginTextureMode(fb->target);
    DrawRectangle(20, 36, 10, 18, red);
    EndTextureMode();
    Image image = LoadImageFromTexture(fb->target.texture);
    EXPECT_EQ(GetImageColor(image, 25, 252 - 1 - 40), red);  // Rows bottom first
    UnloadImage(image);
}
