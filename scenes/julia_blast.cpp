// julia_blast: an audio-driven Julia set over the whole grid, its sample plane warped by two sine
// waves, coloured per cell in HSV, with the texts "VX26" and "67" streaming out along six spokes.
#include <cmath>    // Required for: sinf(), cosf(), powf(), fmodf(), roundf()
#include <cstring>  // Required for: strlen()

#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinGridSize = 8;       // Smaller grids are left untouched
constexpr int kBaseIterations = 112;  // maxIter in silence
constexpr float kEscapeRadiusSq = 4.0f;
constexpr int kSpokeCount = 6;
constexpr Color kSpokeBackground = {8, 10, 15, 255};
constexpr Color kLogoColor = {245, 235, 180, 255};
constexpr Color kNumberColor = {255, 180, 140, 255};

// Everything that is the same for every cell of one frame
struct JuliaFrame {
    int cols, rows;
    float t;
    float bass, mid, treble, beat;
    float beatShaped;
    float cRe, cIm;
    int maxIter;
    float aspect;
    float scaleX, scaleY;
    float warpFreqX, warpFreqY, warpAmp;
    float sat;
    float hueRate;
    RampStyle style;
};

JuliaFrame makeFrame(const AsciiFramebuffer& fb, float t, const AudioFeatures* audio) {
    JuliaFrame f = {};
    f.cols = fb.cols;
    f.rows = fb.rows;
    f.t = t;
    if (audio != nullptr && audio->valid) {
        f.bass = audio->bass;
        f.mid = audio->mid;
        f.treble = audio->treble;
        f.beat = audio->beat;
    }
    f.beatShaped = powf(clamp01(f.beat), 0.65f);
    const float zoom = 1.08f + 0.22f * sinf((f.mid * 0.35f + 0.85f) * t) + 0.45f * f.beatShaped + 0.1f * f.bass;
    f.cRe = 0.24f * sinf((f.mid * 0.55f + 0.62f) * t + 2.0f * f.bass) - 0.73f;
    f.cIm = 0.18f * cosf((f.treble * 1.1f + 0.78f) * t + 3.5f * f.beat);
    f.maxIter = kBaseIterations + (int)roundf(30.0f * f.beat + 34.0f * f.treble);
    f.aspect = (float)f.cols / (float)f.rows;
    f.scaleX = 2.7f / zoom;
    f.scaleY = 2.2f / zoom;
    f.warpFreqX = f.mid * 1.9f + 2.0f;
    f.warpFreqY = f.treble * 2.4f + 2.3f;
    f.warpAmp = f.bass * 0.055f + 0.03f + f.beat * 0.05f;
    f.sat = clamp01(f.treble * 0.24f + 0.64f);
    f.hueRate = f.mid * 34.0f + 44.0f;
    f.style = fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense;
    return f;
}

// Escape count of the warped sample point of cell (x, y)
int escapeCount(const JuliaFrame& f, int x, int y) {
    const float u = ((float)x / (float)(f.cols - 1) - 0.5f) * f.scaleX * f.aspect;
    const float v = ((float)y / (float)(f.rows - 1) - 0.5f) * f.scaleY;
    float zr = u + f.warpAmp * sinf(f.warpFreqX * f.t + 7.0f * v);
    float zi = v + f.warpAmp * sinf(6.0f * u - f.warpFreqY * f.t);
    int n = 0;
    while (zr * zr + zi * zi < kEscapeRadiusSq && n < f.maxIter) {
        const float nextRe = zr * zr - zi * zi + f.cRe;
        zi = 2.0f * zr * zi + f.cIm;
        zr = nextRe;
        n++;
    }
    return n;
}

void drawCell(AsciiFramebuffer& fb, const JuliaFrame& f, int x, int y, int n) {
    const float frac = (float)n / (float)f.maxIter;
    const uint32_t glyph = rampGlyph(f.style, powf(frac, 0.83f));
    const float hue = fmodf(f.hueRate * f.t + frac * 170.0f + 210.0f + (float)x * 0.12f, 360.0f);
    const float value = clamp01(powf(frac, 1.2f) * (f.beatShaped * 0.3f + 0.72f) + 0.18f);
    const Color fg = ColorFromHSV(hue, f.sat, value);
    const Color bg = ColorFromHSV(fmodf(hue + 26.0f, 360.0f), f.sat * 0.42f, value * 0.17f + 0.06f);
    fb.setCell(x, y, glyph, fg, bg);
}

// One text streaming outward from the centre along six turning spokes, its first character leading
void drawSpokeText(AsciiFramebuffer& fb, const JuliaFrame& f, const char* text, float phase, float speed, Color color) {
    const int len = (int)strlen(text);
    const float pathLength = (float)((f.cols > f.rows ? f.cols : f.rows) + 3 * len);
    const float head = fmodf((f.beat * 1.4f + 1.0f) * (speed * f.t) + f.beatShaped * 8.0f, pathLength);
    const float spacing = f.beatShaped * 0.85f + 1.25f;
    const float cx = (float)(f.cols / 2);
    const float cy = (float)(f.rows / 2);
    for (int k = 0; k < kSpokeCount; k++) {
        const float angle = phase + (float)k * 6.2831855f / 6.0f + 0.16f * sinf(0.9f * f.t + (float)k);
        const float c = cosf(angle);
        const float s = sinf(angle);
        for (int j = 0; j < len; j++) {
            const float r = head - spacing * (float)j;
            if (r < 0.0f) continue;
            const int X = (int)roundf(cx + r * c);
            const int Y = (int)roundf(cy + r * s);
            if (X >= 0 && X < f.cols && Y >= 0 && Y < f.rows) {
                fb.setCell(X, Y, (uint32_t)(unsigned char)text[j], color, kSpokeBackground);
            }
        }
    }
}

}  // namespace

void julia_blast(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo*, const AudioFeatures* audio) {
    if (fb.cols < kMinGridSize || fb.rows < kMinGridSize) return;
    const JuliaFrame f = makeFrame(fb, sceneTime, audio);

    for (int y = 0; y < f.rows; y++) {
        for (int x = 0; x < f.cols; x++) drawCell(fb, f, x, y, escapeCount(f, x, y));
    }

    drawSpokeText(fb, f, "VX26", 0.35f * f.t, f.bass * 8.0f + 11.5f, kLogoColor);
    drawSpokeText(fb, f, "67", 1.2f - 0.45f * f.t, f.treble * 10.0f + 13.0f, kNumberColor);
}
