// end_credits: the closing credits. Four lines of letters fly in one by one from hashed points
// outside the screen and settle letter-spaced and centred over a kaleidoscope of rotating spokes
// and pulsing rings; settled letters wobble with the music. Only the grid's polar geometry is kept
// between frames, rebuilt when the grid size changes.
#include "scenes/end_credits.h"

#include <cmath>    // Required for: sqrtf(), fmodf(), roundf()
#include <cstring>  // Required for: strlen()
#include <vector>

#include "math/hsv_color.h"  // Required for: showColorFromHsv()
#include "math/show_math.h"  // Required for: showSin(), showCos(), showAtan2(), showSinArray(), showCosArray()
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinCols = 20;
constexpr int kMinRows = 8;

const char* const kCreditLines[kCreditLineCount] = {
    "VX demo, ascii framebuffer,",
    "made with raylib and sleep deprivation,",
    "by Zelto",
    "music by: Morvan K",
};

constexpr float kTwoPi = 6.28318530718f;

constexpr uint32_t kSeedBase = 12345u;
constexpr uint32_t kSeedStep = 2654435761u;  // 0x9E3779B1
constexpr float kLineDelay = 0.15f;          // Each line sets off this much after the one above
constexpr float kSettled = 0.999f;           // Flight progress from which a letter wobbles

constexpr float kSaturation = 0.78f;
constexpr float kLetterValue = 0.96f;
constexpr Color kShadowColour = {10, 10, 16, 220};
constexpr Color kLetterBackground = {8, 10, 15, 255};

// The music, all zero when there is none.
struct Levels {
    float bass, mid, treble, beat;
};

// The kaleidoscope's per-frame values.
struct Kaleidoscope {
    float pulse;       // Ring swell at every beat
    float rot;         // Spoke rotation, radians
    float sector;      // Angle of one spoke sector
    float half;
    float spokeSharp;
    float spokePhase;
    float ringFreq;
    float ringPhase;
    float diagPhase;
    float hueSpin;     // Degrees
    float cx, cy;      // Grid centre
};

Levels levelsOf(const AudioFeatures* audio) {
    if (audio == nullptr || !audio->valid) return Levels{0.0f, 0.0f, 0.0f, 0.0f};
    return Levels{audio->bass, audio->mid, audio->treble, audio->beat};
}

Kaleidoscope kaleidoscope(const AsciiFramebuffer& fb, float t, const BeatInfo* beat, const Levels& l) {
    const float beatPhase = beat != nullptr ? beat->beatPhase : 0.0f;
    const float beatPos = beat != nullptr ? beat->beatPos : 0.0f;
    const float fall = 1.0f - beatPhase;

    Kaleidoscope k;
    k.pulse = fall * fall * fall * fall * 0.08f + 1.0f + l.beat * 0.22f;
    k.rot = (l.mid * 1.45f + 0.7f) * t + beatPos * 0.16f;
    k.sector = kTwoPi / (l.mid * 4.0f + 8.0f);
    k.half = k.sector * 0.5f;
    k.spokeSharp = l.beat * 18.0f + 30.0f;
    k.spokePhase = (l.mid * 3.2f + 2.6f) * t;
    k.ringFreq = l.bass * 16.0f + 20.0f;
    k.ringPhase = (l.treble * 10.0f + 5.0f) * t;
    k.diagPhase = (l.bass * 4.5f + 3.0f) * t;
    k.hueSpin = (l.treble * 36.0f + 40.0f) * t;
    k.cx = (float)fb.cols * 0.5f;
    k.cy = (float)fb.rows * 0.5f;
    return k;
}

unsigned char dimmed(unsigned char c, float f) {
    const int v = (int)((float)c * f);
    return (unsigned char)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Per cell, what depends on the grid alone: the angle and radius around the centre and the
// diagonal term. Computed with the same expressions the frame would use, so every cell is unchanged.
struct Geometry {
    int cols = 0, rows = 0;
    std::vector<float> angle, radius, diagonal;
};
Geometry geometry;

void rebuildGeometry(int cols, int rows, const Kaleidoscope& k) {
    geometry.cols = cols;
    geometry.rows = rows;
    const size_t count = (size_t)cols * (size_t)rows;
    geometry.angle.resize(count);
    geometry.radius.resize(count);
    geometry.diagonal.resize(count);
    const float sx = k.cx > 1.0f ? k.cx : 1.0f;
    const float sy = k.cy > 1.0f ? k.cy : 1.0f;
    for (int y = 0; y < rows; ++y) {
        const float ny = ((float)y - k.cy) / sy;
        for (int x = 0; x < cols; ++x) {
            const float nx = ((float)x - k.cx) / sx;
            const size_t i = (size_t)y * (size_t)cols + (size_t)x;
            geometry.angle[i] = showAtan2(ny, nx);
            geometry.radius[i] = sqrtf(nx * nx + ny * ny);
            geometry.diagonal[i] = (nx - ny) * 13.0f;
        }
    }
}

// One row's wave arguments and their sines and cosines: each wave is taken for the whole row in one
// array call, which evaluates two cells at a time
struct RowWaves {
    std::vector<float> seg, ringArg, spokeArg, diagArg, ring, spoke, diag;
};
RowWaves rowWaves;

void drawKaleidoscope(AsciiFramebuffer& fb, const Kaleidoscope& k, RampStyle ramp) {
    if (geometry.cols != fb.cols || geometry.rows != fb.rows) rebuildGeometry(fb.cols, fb.rows, k);
    const int cols = fb.cols;
    RowWaves& w = rowWaves;
    for (std::vector<float>* v : {&w.seg, &w.ringArg, &w.spokeArg, &w.diagArg, &w.ring, &w.spoke, &w.diag}) {
        v->resize((size_t)cols);
    }
    for (int y = 0; y < fb.rows; ++y) {
        const size_t rowStart = (size_t)y * (size_t)cols;
        for (int x = 0; x < cols; ++x) {
            const size_t i = rowStart + (size_t)x;
            // Distance from the middle of the spoke sector this cell is in
            const float seg = fabsf(fmodf(geometry.angle[i] + k.rot, k.sector) - k.half);
            w.seg[x] = seg;
            w.ringArg[x] = (geometry.radius[i] * k.ringFreq - k.ringPhase) * k.pulse;
            w.spokeArg[x] = seg * k.spokeSharp + k.spokePhase;
            w.diagArg[x] = geometry.diagonal[i] + k.diagPhase;
        }
        showSinArray(w.ringArg.data(), w.ring.data(), cols);
        showCosArray(w.spokeArg.data(), w.spoke.data(), cols);
        showSinArray(w.diagArg.data(), w.diag.data(), cols);
        for (int x = 0; x < cols; ++x) {
            const float seg = w.seg[x];
            const float v = clampf(w.ring[x] * 0.25f + 0.5f + w.spoke[x] * 0.2f + w.diag[x] * 0.18f, 0.0f, 1.0f);
            const Color fg = showColorFromHsv(fmodf(seg * 400.0f + 190.0f + k.hueSpin, 360.0f), kSaturation,
                                              v * 0.18f + 0.82f);
            const Color bg = {dimmed(fg.r, 0.11f), dimmed(fg.g, 0.10f), dimmed(fg.b, 0.14f), 255};
            fb.setCell(x, y, rampGlyph(ramp, v), fg, bg);
        }
    }
}

// One letter: flown in from its start point, wobbling once it has landed on its resting cell.
void drawLetter(AsciiFramebuffer& fb, float t, const Levels& l, int line, uint32_t g, int tx, int ty,
                unsigned char ch) {
    const CreditFlight f = creditFlight(line, g);
    const CreditPoint start = creditStart(f, fb.cols, fb.rows);
    const float p = clampf((t - f.departure) / f.duration, 0.0f, 1.0f);
    const float left = 1.0f - p;
    const float e = 1.0f - left * left * left;  // Eased: fast out, slow in

    float px = start.x + ((float)tx - start.x) * e;
    float py = start.y + ((float)ty - start.y) * e;
    if (p >= kSettled) {
        const float amp = l.beat * 0.22f + 0.08f + l.bass * 0.1f;
        px += showSin((f.u1 * 2.5f + 7.5f) * t + (float)g * 0.61f) * amp;
        py += showCos((f.u2 * 2.8f + 6.8f) * t + (float)g * 0.53f) * amp;
    }
    // Every letter has its own hue; all hues turn together
    const Color colour = showColorFromHsv(fmodf((l.mid * 26.0f + 42.0f) * t + (float)g * 17.0f, 360.0f), kSaturation,
                                      kLetterValue);
    const int cellX = (int)roundf(px);
    const int cellY = (int)roundf(py);
    fb.setCell(cellX + 1, cellY + 1, '.', kShadowColour, kLetterBackground);
    fb.setCell(cellX, cellY, ch, colour, kLetterBackground);
}

void drawCredits(AsciiFramebuffer& fb, float t, const Levels& l) {
    uint32_t g = 0;  // Runs over every character of every line, spaces included
    for (int line = 0; line < kCreditLineCount; ++line) {
        const char* text = kCreditLines[line];
        const int n = (int)strlen(text);
        const int ty = fb.rows / 2 - 4 + 2 * line;
        for (int i = 0; i < n; ++i, ++g) {
            if (text[i] == ' ') continue;
            // Centred, one empty column between letters
            const int tx = fb.cols / 2 - n + 2 * i;
            drawLetter(fb, t, l, line, g, tx, ty, (unsigned char)text[i]);
        }
    }
}

}  // namespace

const char* creditLine(int line) { return (line >= 0 && line < kCreditLineCount) ? kCreditLines[line] : ""; }

CreditFlight creditFlight(int line, uint32_t g) {
    CreditFlight f;
    f.seed = kSeedBase + g * kSeedStep;
    f.u1 = unit(f.seed);
    f.u2 = unit(f.seed ^ kSaltA);
    f.u3 = unit(f.seed ^ kSaltB);
    f.departure = (float)line * kLineDelay + f.u1 * 1.2f;
    f.duration = f.u2 * 1.4f + 1.8f;
    return f;
}

CreditPoint creditStart(const CreditFlight& f, int cols, int rows) {
    CreditPoint p;
    p.x = f.u1 < 0.5f ? -(f.u3 * 0.85f + 0.3f) * (float)cols : (f.u3 * 0.85f + 1.1f) * (float)cols;
    p.y = f.u2 < 0.5f ? -(f.u1 * 0.8f + 0.25f) * (float)rows : (f.u1 * 0.7f + 1.1f) * (float)rows;
    return p;
}

void end_credits(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo* beat, const AudioFeatures* audio) {
    if (fb.cols < kMinCols || fb.rows < kMinRows) return;

    const RampStyle ramp = fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense;
    const Levels levels = levelsOf(audio);
    const Kaleidoscope k = kaleidoscope(fb, sceneTime, beat, levels);

    drawKaleidoscope(fb, k, ramp);
    drawCredits(fb, sceneTime, levels);
}
