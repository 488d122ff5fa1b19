#include "framebuffer/presentation.h"

#include <cmath>  // Required for: floorf()

#include "math/clamp.h"
#include "math/show_math.h"  // Required for: showPow()

namespace {

constexpr Color kWhite = {255, 255, 255, 255};
constexpr float kFlightEase = 1.9f;      // Ease-in exponent: slow at first
constexpr float kFlightEndSide = 1.35f;  // At the end one cell is this many screen sides high
constexpr float kPunchGain = 0.22f;

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

Rectangle flownRect(int cols, int rows, float cellWidth, float cellHeight, PictureFit fit, float screenWidth,
                    float screenHeight, int focusX, int focusY, float progress, float punch) {
    const float texW = (float)cols * cellWidth;
    const float texH = (float)rows * cellHeight;
    const float e = showPow(clampf(progress, 0.0f, 1.0f), kFlightEase);
    // Scale at which one cell is 1.35 times the larger screen side high
    const float big = maxf(maxf(screenWidth, screenHeight) * kFlightEndSide / cellHeight,
                           2.0f * maxf(fit.scaleX, fit.scaleY));
    const int cx = clampInt(focusX, 0, cols - 1);
    const int cy = clampInt(focusY, 0, rows - 1);

    const float sx = fit.scaleX + (big - fit.scaleX) * e;
    const float sy = fit.scaleY + (big - fit.scaleY) * e;
    const float k = 1.0f + clampf(punch, 0.0f, 1.0f) * kPunchGain * (0.3f + 0.7f * e);
    const float w = k * sx * texW;
    const float h = k * sy * texH;

    // The path runs from the fitted place to the one that centres the focus cell; the punch is
    // left out of it, so a loud beat grows the picture from its top-left corner.
    const float tx = screenWidth * 0.5f - ((float)cx + 0.5f) * cellWidth * big;
    const float ty = screenHeight * 0.5f - ((float)cy + 0.5f) * cellHeight * big;
    const float x = fit.x + (tx - fit.x) * e;
    const float y = fit.y + (ty - fit.y) * e;
    return {x, y, w, h};
}

Rectangle focusedRect(int cols, int rows, int cellWidth, int cellHeight, int screenWidth, int screenHeight,
                      int focusX, int focusY, float progress, float punch) {
    const float sw = (float)screenWidth, sh = (float)screenHeight;
    const float texW = (float)(cols * cellWidth);
    const float texH = (float)(rows * cellHeight);
    const float fit = minf(sh / texH, sw / texW);
    const float offX = floorf((sw - floorf(fit * texW)) * 0.5f);
    const float offY = floorf((sh - floorf(fit * texH)) * 0.5f);
    return flownRect(cols, rows, (float)cellWidth, (float)cellHeight, PictureFit{offX, offY, fit, fit}, sw, sh,
                      focusX, focusY, progress, punch);
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
