#include "app/outro.h"

#include <cmath>  // Required for: sqrtf(), fmodf(), roundf()

#include "math/hsv_color.h"  // Required for: showColorFromHsv()
#include "math/show_math.h"  // Required for: showAtan2(), showCos(), showSin()
#include "scenes/scene_math.h"  // Required for: tableIndex()

namespace {

constexpr Color kOutroBackground = {4, 6, 10, 255};
constexpr Color kTextBackground = {6, 8, 14, 255};
constexpr const char* kThanks = "THANKS FOR WATCHING";
constexpr int kThanksHalf = 9;  // The text is 19 characters: centre it on its tenth
constexpr const char kRamp[] = " .,:;irsXA253hMHGS#9B&@";
constexpr int kRampLast = 22;

float maxf(float a, float b) { return a > b ? a : b; }

struct OutroLevels {
    float bass, mid, treble, beat;
};

}  // namespace

float outroFade(float now, float outroStart) { return clampf((now - outroStart) / kOutroSeconds, 0.0f, 1.0f); }

Color outroTextColor(float fade, float beat) {
    const float k = beat * 0.3f + 0.7f;
    const float w = 1.0f - fade;
    // Low 8 bits on purpose: at full brightness on a beat the blue channel wraps
    return {(unsigned char)(int)(w * 200.0f * k + 30.0f), (unsigned char)(int)(w * 230.0f * k + 20.0f),
            (unsigned char)(int)(w * 255.0f * k + 10.0f), 255};
}

void drawOutro(AsciiFramebuffer& fb, float now, float fade, const AudioFeatures& audio) {
    const OutroLevels lv = audio.valid ? OutroLevels{audio.bass, audio.mid, audio.treble, audio.beat}
                                       : OutroLevels{0.0f, 0.0f, 0.0f, 0.0f};
    fb.clear(kOutroBackground);

    const float cx = (float)fb.cols * 0.5f;
    const float cy = (float)fb.rows * 0.5f;
    const float gain = lv.beat * 0.28f + 1.0f + lv.bass * 0.16f;
    const float swirl = (2.0f * lv.bass + 1.9f + lv.beat * 1.1f) * now;
    const float hueShift = (lv.treble * 18.0f + 36.0f) * now;
    const float fadeGate = clampf((1.0f - fade) * (1.0f - fade), 0.0f, 1.0f);

    for (int y = 0; y < fb.rows; ++y) {
        const float ny = ((float)y - cy) / maxf(cy, 1.0f);
        for (int x = 0; x < fb.cols; ++x) {
            const float nx = ((float)x - cx) / maxf(cx, 1.0f);
            const float r = sqrtf(nx * nx + ny * ny);
            const float depth = 1.0f / ((r + 0.0005f) + 0.06f) + swirl;
            const float a = showAtan2(ny, nx);
            const float v = showCos(a * (lv.mid * 4.0f + 8.0f) - (lv.treble + 1.0f) * now) * 0.24f +
                            (showSin((lv.treble + 2.3f) * depth) * 0.32f + 0.5f) +
                            showSin((nx - ny) * (lv.bass * 3.0f + 6.0f) + (lv.mid + 0.9f) * now) * 0.14f;
            const float intensity = clampf(gain * clampf(v, 0.0f, 1.0f) * fadeGate, 0.0f, 1.0f);
            const int index = tableIndex(roundf(intensity * (float)kRampLast), kRampLast);
            const Color fg = showColorFromHsv(fmodf(depth * 18.0f + 190.0f + hueShift, 360.0f), 0.65f,
                                          intensity * 0.75f + 0.25f);
            const Color bg = {clampByte((int)((float)fg.r * 0.09f)), clampByte((int)((float)fg.g * 0.10f)),
                              clampByte((int)((float)fg.b * 0.14f)), 255};
            fb.setCell(x, y, (uint32_t)(unsigned char)kRamp[index], fg, bg);
        }
    }

    const int column = fb.cols / 2 - kThanksHalf > 0 ? fb.cols / 2 - kThanksHalf : 0;
    const int row = clampInt(fb.rows / 2, 1, fb.rows - 2);
    fb.putText(column, row, kThanks, outroTextColor(fade, lv.beat), kTextBackground);
}
