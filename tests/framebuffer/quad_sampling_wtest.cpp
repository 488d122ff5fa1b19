// The texels the CPU renderer picks for a drawn quad against the ones OpenGL picks: a texture whose
// texels carry their own column (or row) is drawn as the window draws the render texture, and the
// target is read back. Every pixel must agree, the ones whose centre falls exactly on the edge
// between two texels (a half or a third of all columns at some sizes) and the flight's unrounded
// rectangles included.
#include <gtest/gtest.h>

#include <vector>

#include "framebuffer/presentation.h"
#include "framebuffer/quad_sampling.h"
#include "window_pixels.h"

namespace {

constexpr unsigned char kMark = 200;  // Blue of every texel: pixels without it show the clear colour

// Per target pixel, top row first, the texture column (axis 0) or row counted from the top (axis 1)
// that OpenGL shows there; -1 where the quad is not.
std::vector<int> texelsDrawn(int width, int height, int texW, int texH, Rectangle dest, int axis) {
    std::vector<unsigned char> texels((size_t)texW * (size_t)texH * 4);
    for (int y = 0; y < texH; ++y) {
        for (int x = 0; x < texW; ++x) {
            const int value = axis == 0 ? x : texH - 1 - y;  // Stored bottom row first, as a render texture
            unsigned char* p = &texels[((size_t)y * (size_t)texW + (size_t)x) * 4];
            p[0] = (unsigned char)(value & 255);
            p[1] = (unsigned char)(value >> 8);
            p[2] = kMark;
            p[3] = 255;
        }
    }
    RenderTexture2D source = LoadRenderTexture(texW, texH);
    UpdateTexture(source.texture, texels.data());
    RenderTexture2D target = LoadRenderTexture(width, height);
    BeginTextureMode(target);
    ClearBackground(Color{0, 0, 0, 255});
    DrawTexturePro(source.texture, Rectangle{0, 0, (float)texW, -(float)texH}, dest, Vector2{0, 0}, 0.0f, WHITE);
    EndTextureMode();
    const Pixels shown(target.texture);
    std::vector<int> drawn((size_t)width * (size_t)height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Color c = shown.at(x, y);
            drawn[(size_t)y * (size_t)width + (size_t)x] = c.b == kMark ? c.r | (c.g << 8) : -1;
        }
    }
    UnloadRenderTexture(target);
    UnloadRenderTexture(source);
    return drawn;
}

struct Case {
    int width, height, texW, texH;
    bool flight;
};

}  // namespace

TEST(QuadSampling, EveryPixelTakesTheTexelOpenGlTakesEdgesAndBothTrianglesIncluded) {
    const Case cases[] = {
        {960, 540, 580, 360, false},    // 1.5 times: every third column on an edge, the halves disagree
        {960, 540, 1730, 1080, false},  // Every row on an edge
        {960, 540, 1200, 756, false},   // The show's own grid in a smaller window
        {1280, 720, 3580, 2250, false},
        {1920, 1080, 690, 432, false},
        {640, 480, 1200, 756, false},   // Letterboxed above and below
        {960, 540, 1200, 756, true},    // A flight: unrounded corners far outside the target
        {1280, 720, 580, 360, true},
    };
    int disagreeing = 0;  // Columns where the two triangles take different texels
    for (const Case& c : cases) {
        const Rectangle dest = c.flight ? focusedRect(c.texW / 10, c.texH / 18, 10, 18, c.width, c.height, 40, 20, 0.37f, 0.3f)
                                        : presentRect(c.texW, c.texH, c.width, c.height, 1.0f);
        QuadSampling q;
        sampleQuad(q, c.width, c.height, dest, c.texW, c.texH);
        const std::vector<int> columns = texelsDrawn(c.width, c.height, c.texW, c.texH, dest, 0);
        const std::vector<int> rows = texelsDrawn(c.width, c.height, c.texW, c.texH, dest, 1);
        int wrong = 0, split = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const bool upper = x >= q.firstAbove[(size_t)y];
                int column = (upper ? q.columnsAbove : q.columnsBelow)[(size_t)x];
                int row = (upper ? q.rowsAbove : q.rowsBelow)[(size_t)y];
                if (column < 0 || row < 0) column = row = -1;
                const size_t i = (size_t)y * (size_t)c.width + (size_t)x;
                wrong += column != columns[i] || row != rows[i];
            }
            split += q.firstAbove[(size_t)y] > 0 && q.firstAbove[(size_t)y] < c.width;
        }
        EXPECT_EQ(wrong, 0) << c.width << "x" << c.height << " from " << c.texW << "x" << c.texH << (c.flight ? " flying" : "");
        if (!c.flight) {
            EXPECT_GT(split, c.height / 2) << "the diagonal crosses the rows";
        }
        for (int x = 0; x < c.width; ++x) disagreeing += q.columnsBelow[(size_t)x] != q.columnsAbove[(size_t)x];
    }
    EXPECT_GT(disagreeing, 100);
}
