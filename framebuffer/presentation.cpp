#include "framebuffer/presentation.h"

#include <cmath>  // Required for: floorf()

#include "math/show_math.h"  // Required for: showPow()

namespace {

constexpr Color kWhite = {255, 255, 255, 255};

float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
float minf(float a, float b) { return a < b ? a : b; }
float maxf(float a, float b) { return a > b ? a : b; }

// The negative height flips the render texture upright.
void drawTarget(const AsciiFramebuffer& fb, Rectangle dest) {
    const Texture2D& tex = fb.target.texture;
    const Rectangle source = {0.0f, 0.0f, (float)tex.width, -(float)tex.height};
    DrawTexturePro(tex, source, dest, Vector2{0.0f, 0.0f}, 0.0f, kWhite);
}

}  // namespace

Rectangle presentRect(int texW, int texH, int screenWidth, int screenHeight, float zoom) {
    const float z = clampf(zoom, 0.1f, 6.0f);
    const float tw = (float)texW, th = (float)texH;
    const float scale = minf((float)screenWidth / tw, (float)screenHeight / th) * z;
    const float w = floorf(scale * tw);
    const float h = floorf(scale * th);
    const float x = floorf(((float)screenWidth - w) * 0.5f);
    const float y = floorf(((float)screenHeight - h) * 0.5f);
    return {x, y, w, h};
}

Rectangle focusedRect(int cols, int rows, int cellWidth, int cellHeight, int screenWidth, int screenHeight,
                      int focusX, int focusY, float progress, float punch) {
    const float sw = (float)screenWidth, sh = (float)screenHeight;
    const float texW = (float)(cols * cellWidth);
    const float texH = (float)(rows * cellHeight);

    const float e = showPow(clampf(progress, 0.0f, 1.0f), 1.9f);  // Ease-in: slow at first
    const float fit = minf(sh / texH, sw / texW);
    const float offX = floorf((sw - floorf(fit * texW)) * 0.5f);
    const float offY = floorf((sh - floorf(fit * texH)) * 0.5f);
    // Scale at which one cell is 1.35 times the larger window side high
    const float big = maxf(maxf(sw, sh) * 1.35f / (float)cellHeight, 2.0f * fit);
    const int cx = clampi(focusX, 0, cols - 1);
    const int cy = clampi(focusY, 0, rows - 1);

    const float s = fit + (big - fit) * e;
    const float k = 1.0f + clampf(punch, 0.0f, 1.0f) * 0.22f * (0.3f + 0.7f * e);
    const float w = k * s * texW;
    const float h = k * s * texH;

    // The path runs from the fitted place to the one that centres the focus cell; the punch is
    // left out of it, so a loud beat grows the picture from its top-left corner.
    const float tx = sw * 0.5f - ((float)cx + 0.5f) * (float)cellWidth * big;
    const float ty = sh * 0.5f - ((float)cy + 0.5f) * (float)cellHeight * big;
    const float x = offX + (tx - offX) * e;
    const float y = offY + (ty - offY) * e;
    return {x, y, w, h};
}

void present(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, Color clearColor, float zoom) {
    ClearBackground(clearColor);
    drawTarget(fb, presentRect(fb.cols * fb.cellWidth, fb.rows * fb.cellHeight, screenWidth, screenHeight, zoom));
}

void presentFocused(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, int focusX, int focusY,
                    float progress, float punch, Color clearColor) {
    ClearBackground(clearColor);
    if (fb.cols * fb.cellWidth <= 0 || fb.rows * fb.cellHeight <= 0) return;
    drawTarget(fb, focusedRect(fb.cols, fb.rows, fb.cellWidth, fb.cellHeight, screenWidth, screenHeight,
                               focusX, focusY, progress, punch));
}
