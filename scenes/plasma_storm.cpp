// plasma_storm: a full-screen swirling plasma. Each cell's position is taken to polar form, its
// angle twisted by a radial ripple and a diagonal shear, and the twisted point feeds three moving
// sinusoids whose sum is the brightness. The brightness picks the glyph and, with the distance from
// the centre, the hue; the background is a dim, paler colour 28 degrees further round the hue circle.
#include <cmath>    // Required for: sqrtf(), fmodf()
#include <cstdint>  // Required for: int64_t
#include <cstring>  // Required for: memcpy()
#include <vector>

#include "math/show_math.h"  // Required for: showSin(), showCos(), showAtan2(), showPow()
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinCols = 8;          // Smaller grids are left as they are
constexpr int kMinRows = 8;
constexpr float kRadiusBias = 0.000001f;  // Keeps the centre cell's radius above 0
constexpr float kGlyphGamma = 1.15f;      // Shapes the brightness before the ramp lookup
constexpr int kMaxRampLength = 32;
constexpr float kBackgroundHueShift = 28.0f;
constexpr float kBackgroundSatScale = 0.45f;

// The audio-driven speeds, frequencies and colour controls of one frame
struct PlasmaFrame {
    float twist, shear;
    float f0, f1, f2, f3;
    float p1, p2, p3, p4, p5;
    float hueBase, hueSpread;
    float sat, valGain, bgValGain;
    RampStyle ramp;
};

struct PlasmaCell {
    uint32_t glyph;
    Color fg, bg;
};

// The parts of a cell's polar form that depend on the grid size only
struct PlasmaPoint {
    float radius;    // sqrtf(u² + v²) plus the bias
    float angle;     // showAtan2(v, u)
    float diagonal;  // (u - v) · 1.8, the argument of the shear before its phase
};

// Polar forms of every cell, rebuilt when the grid size changes
struct PlasmaGeometry {
    int cols = 0;
    int rows = 0;
    std::vector<PlasmaPoint> points;  // Row-major, cols · rows entries
};

PlasmaGeometry geometry;
std::vector<float> rowBrightness;  // One row's brightness, scratch

PlasmaFrame computePlasmaFrame(float t, const AudioFeatures* audio, bool blockGlyphs) {
    // Without audio every level is 0, which gives the silent values
    const bool valid = (audio != nullptr) && audio->valid;
    const float bass = valid ? audio->bass : 0.0f;
    const float mid = valid ? audio->mid : 0.0f;
    const float treble = valid ? audio->treble : 0.0f;
    const float beat = valid ? audio->beat : 0.0f;
    const float drive = clampf(bass * 0.95f + beat * 0.8f, 0.0f, 1.25f);

    PlasmaFrame f;
    f.twist = drive * 0.55f + 0.22f + mid * 0.25f;
    f.hueBase = (mid * 55.0f + 28.0f + treble * 24.0f) * t;
    f.f1 = treble * 6.0f + 3.4f;
    f.f0 = mid * 3.2f + 3.0f;
    f.f2 = treble * 2.6f + 2.5f;
    f.f3 = mid * 2.8f + 3.3f;
    f.p1 = (mid * 2.2f + 0.9f + drive * 0.9f) * t;
    f.p2 = (treble * 2.8f + 1.0f) * t;
    f.p3 = (mid * 2.1f + 1.5f) * t;
    f.p4 = (drive * 2.8f + 1.8f) * t;
    f.p5 = (treble * 1.9f + 0.8f) * t;
    f.shear = treble * 0.08f + 0.03f;
    f.sat = clampf(treble * 0.22f + 0.66f, 0.0f, 1.0f);
    f.hueSpread = drive * 35.0f + 60.0f;
    f.valGain = drive * 0.16f + 0.52f;
    f.bgValGain = mid * 0.08f + 0.12f;
    f.ramp = blockGlyphs ? RampStyle::Block : RampStyle::Dense;
    return f;
}

void buildGeometry(PlasmaGeometry& g, int cols, int rows) {
    g.cols = cols;
    g.rows = rows;
    g.points.resize((size_t)cols * (size_t)rows);
    for (int y = 0; y < rows; y++) {
        // Each axis spans -1..1 across the grid, stretched to its shape
        const float v = 2.0f * ((float)y / (float)(rows - 1) - 0.5f);
        for (int x = 0; x < cols; x++) {
            const float u = 2.0f * ((float)x / (float)(cols - 1) - 0.5f);
            PlasmaPoint& p = g.points[(size_t)y * (size_t)cols + (size_t)x];
            p.radius = sqrtf(u * u + v * v) + kRadiusBias;
            p.angle = showAtan2(v, u);
            p.diagonal = (u - v) * 1.8f;
        }
    }
}

// Brightness 0..1 of the plasma across one row. The steps are those of one cell at a time,
// r and theta to the twisted point, then three sinusoids, but each sine and cosine is taken for the
// whole row in one array call, which evaluates two cells at a time.
struct PlasmaRow {
    std::vector<float> a, b, sa, cb, theta, st, ct, arg1, arg2, arg3, w1, w2, w3;
};
PlasmaRow plasmaRow;

void plasmaBrightness(const PlasmaFrame& f, const PlasmaPoint* points, int cols, float* brightness) {
    PlasmaRow& w = plasmaRow;
    for (std::vector<float>* v : {&w.a, &w.b, &w.sa, &w.cb, &w.theta, &w.st, &w.ct, &w.arg1, &w.arg2, &w.arg3,
                                  &w.w1, &w.w2, &w.w3}) {
        v->resize((size_t)cols);
    }
    for (int x = 0; x < cols; x++) {
        w.a[x] = f.f0 * points[x].radius - f.p1;
        w.b[x] = points[x].diagonal + f.p2;
    }
    showSinArray(w.a.data(), w.sa.data(), cols);
    showCosArray(w.b.data(), w.cb.data(), cols);
    for (int x = 0; x < cols; x++) w.theta[x] = w.sa[x] * f.twist + points[x].angle + w.cb[x] * f.shear;
    showSinCosArray(w.theta.data(), w.st.data(), w.ct.data(), cols);
    for (int x = 0; x < cols; x++) {
        const float r = points[x].radius;
        const float px = w.ct[x] * r;
        const float py = w.st[x] * r;
        w.arg1[x] = (px + py) * f.f2 - f.p4;
        w.arg2[x] = px * f.f1 + f.p3;
        w.arg3[x] = (px * 0.55f - py * 0.82f) * f.f3 + f.p5;
    }
    showSinArray(w.arg1.data(), w.w1.data(), cols);
    showSinArray(w.arg2.data(), w.w2.data(), cols);
    showCosArray(w.arg3.data(), w.w3.data(), cols);
    for (int x = 0; x < cols; x++) {
        const float s1 = w.w1[x] * 0.34f;
        const float s2 = w.w2[x] * 0.42f;
        const float s3 = w.w3[x] * 0.24f;
        brightness[x] = clampf((s1 + s2 + s3) * 0.5f + 0.5f, 0.0f, 1.0f);
    }
}

// fmodf(x, 360), computed exactly in double: x - 360·n needs at most 24 + 9 significant bits and the
// quotient is far from rounding across an integer, so the result equals fmodf's (up to the sign of 0)
float wrapDegrees(float x) {
    const double q = (double)x / 360.0;
    if (!(q > -1.0e15 && q < 1.0e15)) return fmodf(x, 360.0f);
    return (float)((double)x - 360.0 * (double)(int64_t)q);
}

// fmodf(x, 6) for the sector positions of the HSV conversion: below 12 one subtraction, which is
// exact there, gives the same remainder
float wrapSector(float x) {
    if (x >= 0.0f && x < 12.0f) return (x < 6.0f) ? x : x - 6.0f;
    return fmodf(x, 6.0f);
}

unsigned char hsvChannel(float sector, float value, float saturation) {
    const float k = wrapSector(sector);
    const float rising = 4.0f - k;
    float m = (rising < k) ? rising : k;
    m = (m < 1.0f) ? m : 1.0f;
    m = (m > 0.0f) ? m : 0.0f;
    return (unsigned char)(int)((value - value * saturation * m) * 255.0f);
}

// raylib's ColorFromHSV, operation for operation, with its remainders taken the cheap exact way
Color colorFromHsv(float hue, float saturation, float value) {
    const float h = hue / 60.0f;
    return {hsvChannel(5.0f + h, value, saturation), hsvChannel(3.0f + h, value, saturation),
            hsvChannel(1.0f + h, value, saturation), 255};
}

// The ramp entry of brightness c in [0, 1] (or NaN) after the gamma curve, as rampGlyph picks it
int gammaLevel(const CharRamp& r, float c) {
    return tableIndex((float)(r.length - 1) * clamp01(showPow(c, kGlyphGamma)), r.length - 1);
}

float floatOfBits(uint32_t b) {
    float x;
    memcpy(&x, &b, sizeof x);
    return x;
}

// The entry only steps up as c grows, so the first c of each step, found once per ramp by
// bisection over the floats in [0, 1], gives it by comparisons alone instead of a showPow per cell
struct GlyphSteps {
    CharRamp ramp = {nullptr, 0};
    float first[kMaxRampLength] = {};  // first[k]: the smallest c whose entry is k or beyond
};

GlyphSteps buildGlyphSteps(RampStyle style) {
    GlyphSteps steps;
    steps.ramp = charRamp(style);
    for (int k = 1; k < steps.ramp.length; ++k) {
        uint32_t lo = 0, hi = 0x3F800000u;  // c = 1 reaches the last entry
        while (lo < hi) {
            const uint32_t mid = lo + (hi - lo) / 2;
            if (gammaLevel(steps.ramp, floatOfBits(mid)) >= k) hi = mid;
            else lo = mid + 1;
        }
        steps.first[k] = floatOfBits(lo);
    }
    return steps;
}

}  // namespace

uint32_t plasmaGlyph(RampStyle style, float c) {
    static const GlyphSteps kDenseSteps = buildGlyphSteps(RampStyle::Dense);
    static const GlyphSteps kBlockSteps = buildGlyphSteps(RampStyle::Block);
    const GlyphSteps& steps = (style == RampStyle::Block) ? kBlockSteps : kDenseSteps;
    int level = 0;
    for (int k = 1; k < steps.ramp.length; ++k) level += (c >= steps.first[k]) ? 1 : 0;  // NaN: 0
    return steps.ramp.codepoints[level];
}

namespace {

PlasmaCell shadePlasma(const PlasmaFrame& f, float c, float r) {
    const float hue = wrapDegrees(c * 110.0f + f.hueBase + f.hueSpread * r);
    const float bgHue = wrapDegrees(hue + kBackgroundHueShift);
    PlasmaCell cell;
    cell.glyph = plasmaGlyph(f.ramp, c);
    cell.fg = colorFromHsv(hue, f.sat, clampf(f.valGain * c + 0.32f, 0.0f, 1.0f));
    cell.bg = colorFromHsv(bgHue, f.sat * kBackgroundSatScale, clampf(f.bgValGain * c + 0.05f, 0.0f, 1.0f));
    return cell;
}

}  // namespace

void plasma_storm(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo*, const AudioFeatures* audio) {
    const int cols = fb.cols;
    const int rows = fb.rows;
    if (cols < kMinCols || rows < kMinRows) return;

    if (geometry.cols != cols || geometry.rows != rows) buildGeometry(geometry, cols, rows);
    const PlasmaFrame f = computePlasmaFrame(sceneTime, audio, fb.blockGlyphs);

    std::vector<float>& brightness = rowBrightness;
    brightness.resize((size_t)cols);
    for (int y = 0; y < rows; y++) {
        const PlasmaPoint* row = &geometry.points[(size_t)y * (size_t)cols];
        plasmaBrightness(f, row, cols, brightness.data());
        for (int x = 0; x < cols; x++) {
            const PlasmaCell cell = shadePlasma(f, brightness[x], row[x].radius);
            fb.setCell(x, y, cell.glyph, cell.fg, cell.bg);
        }
    }
}
