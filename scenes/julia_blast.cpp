// julia_blast: an audio-driven Julia set over the whole grid, its sample plane warped by two sine
// waves, coloured per cell in HSV, with the texts "VX26" and "67" streaming out along six spokes.
#include <cmath>    // Required for: fmodf(), roundf()
#include <cstring>  // Required for: strlen()
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>  // SSE2: the escape loop runs eight cells at once
#endif

#include "math/hsv_color.h"  // Required for: showColorFromHsv()
#include "math/show_math.h"  // Required for: showSin(), showCos(), showPow()
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinGridSize = 8;       // Smaller grids are left untouched
constexpr int kBaseIterations = 112;  // maxIter in silence
constexpr int kMaxIterations = 176;   // maxIter with beat and treble both 1
constexpr float kEscapeRadiusSq = 4.0f;
constexpr int kSpokeCount = 6;
constexpr int kLanes = 8;  // Cells iterated together: two SSE vectors of four
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

// Everything that depends on the escape count alone, and the colours of the count in the column
// last drawn
struct Level {
    uint32_t glyph;
    float hueBase;  // hueRate·t + frac·170 + 210, before the column's share is added
    float value;
    int column;     // Column fg and bg were converted for, −1 for none yet
    Color fg, bg;
};

// Scratch space sized with the grid; it carries no picture from one frame to the next
struct JuliaBuffers {
    int cols = 0, rows = 0;
    std::vector<float> columnU, columnWarp;
    std::vector<float> rowV, rowWarp;
    std::vector<int> counts;     // Escape count per cell, row-major
    std::vector<Level> levels;   // Indexed by escape count 0..maxIter
};

JuliaBuffers buffers;

void resizeBuffers(JuliaBuffers& b, int cols, int rows) {
    b.cols = cols;
    b.rows = rows;
    b.columnU.assign(cols, 0.0f);
    b.columnWarp.assign(cols, 0.0f);
    b.rowV.assign(rows, 0.0f);
    b.rowWarp.assign(rows, 0.0f);
    b.counts.assign((size_t)cols * rows, 0);
    b.levels.reserve(kMaxIterations + 1);
}

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
    f.beatShaped = showPow(clamp01(f.beat), 0.65f);
    const float zoom = 1.08f + 0.22f * showSin((f.mid * 0.35f + 0.85f) * t) + 0.45f * f.beatShaped + 0.1f * f.bass;
    f.cRe = 0.24f * showSin((f.mid * 0.55f + 0.62f) * t + 2.0f * f.bass) - 0.73f;
    f.cIm = 0.18f * showCos((f.treble * 1.1f + 0.78f) * t + 3.5f * f.beat);
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

// Per-column and per-row parts of the warped sample point: u and v, and the two warp terms, the
// one of zi depending on u alone and the one of zr on v alone
void prepareAxes(JuliaBuffers& b, const JuliaFrame& f) {
    for (int x = 0; x < f.cols; x++) {
        const float u = ((float)x / (float)(f.cols - 1) - 0.5f) * f.scaleX * f.aspect;
        b.columnU[x] = u;
        b.columnWarp[x] = f.warpAmp * showSin(6.0f * u - f.warpFreqY * f.t);
    }
    for (int y = 0; y < f.rows; y++) {
        const float v = ((float)y / (float)(f.rows - 1) - 0.5f) * f.scaleY;
        b.rowV[y] = v;
        b.rowWarp[y] = f.warpAmp * showSin(f.warpFreqX * f.t + 7.0f * v);
    }
}

#if defined(__SSE2__)
// Escape counts of kLanes start points at once. Each SSE lane performs exactly the scalar loop's
// single-precision operations, (zr² − zi²) + cRe and (2·zr)·zi + cIm, and freezes once it stops
void escapeCounts(const float* startRe, const float* startIm, float cRe, float cIm, int maxIter, int* counts) {
    const __m128 four = _mm_set1_ps(kEscapeRadiusSq);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 cr = _mm_set1_ps(cRe);
    const __m128 ci = _mm_set1_ps(cIm);
    __m128 zrA = _mm_loadu_ps(startRe), ziA = _mm_loadu_ps(startIm);
    __m128 zrB = _mm_loadu_ps(startRe + 4), ziB = _mm_loadu_ps(startIm + 4);
    __m128i nA = _mm_setzero_si128(), nB = _mm_setzero_si128();
    for (int i = 0; i < maxIter; i++) {
        const __m128 rrA = _mm_mul_ps(zrA, zrA), iiA = _mm_mul_ps(ziA, ziA);
        const __m128 rrB = _mm_mul_ps(zrB, zrB), iiB = _mm_mul_ps(ziB, ziB);
        const __m128 goA = _mm_cmplt_ps(_mm_add_ps(rrA, iiA), four);
        const __m128 goB = _mm_cmplt_ps(_mm_add_ps(rrB, iiB), four);
        if (_mm_movemask_ps(_mm_or_ps(goA, goB)) == 0) break;
        const __m128 nextReA = _mm_add_ps(_mm_sub_ps(rrA, iiA), cr);
        const __m128 nextReB = _mm_add_ps(_mm_sub_ps(rrB, iiB), cr);
        const __m128 nextImA = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(two, zrA), ziA), ci);
        const __m128 nextImB = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(two, zrB), ziB), ci);
        zrA = _mm_or_ps(_mm_and_ps(goA, nextReA), _mm_andnot_ps(goA, zrA));
        zrB = _mm_or_ps(_mm_and_ps(goB, nextReB), _mm_andnot_ps(goB, zrB));
        ziA = _mm_or_ps(_mm_and_ps(goA, nextImA), _mm_andnot_ps(goA, ziA));
        ziB = _mm_or_ps(_mm_and_ps(goB, nextImB), _mm_andnot_ps(goB, ziB));
        // A running lane's mask is all ones, that is −1: subtracting it counts the step
        nA = _mm_sub_epi32(nA, _mm_castps_si128(goA));
        nB = _mm_sub_epi32(nB, _mm_castps_si128(goB));
    }
    _mm_storeu_si128((__m128i*)counts, nA);
    _mm_storeu_si128((__m128i*)(counts + 4), nB);
}
#else
// The same steps one lane at a time, for processors without SSE2
void escapeCounts(const float* startRe, const float* startIm, float cRe, float cIm, int maxIter, int* counts) {
    for (int lane = 0; lane < kLanes; lane++) {
        float zr = startRe[lane], zi = startIm[lane];
        int n = 0;
        for (int i = 0; i < maxIter; i++) {
            const float rr = zr * zr, ii = zi * zi;
            if (!(rr + ii < kEscapeRadiusSq)) break;
            const float nextIm = (2.0f * zr) * zi + cIm;
            zr = (rr - ii) + cRe;
            zi = nextIm;
            n++;
        }
        counts[lane] = n;
    }
}
#endif

void computeCounts(JuliaBuffers& b, const JuliaFrame& f) {
    float startRe[kLanes], startIm[kLanes];
    int laneCounts[kLanes];
    for (int y = 0; y < f.rows; y++) {
        int* rowCounts = &b.counts[(size_t)y * f.cols];
        for (int x0 = 0; x0 < f.cols; x0 += kLanes) {
            const int lanes = (f.cols - x0 < kLanes) ? f.cols - x0 : kLanes;
            for (int i = 0; i < kLanes; i++) {
                // Lanes past the row's end start outside the radius and stop at once
                startRe[i] = (i < lanes) ? b.columnU[x0 + i] + b.rowWarp[y] : kEscapeRadiusSq;
                startIm[i] = (i < lanes) ? b.rowV[y] + b.columnWarp[x0 + i] : 0.0f;
            }
            escapeCounts(startRe, startIm, f.cRe, f.cIm, f.maxIter, laneCounts);
            for (int i = 0; i < lanes; i++) rowCounts[x0 + i] = laneCounts[i];
        }
    }
}

// What depends on the escape count alone: glyph, value and the count's share of the hue
void prepareLevels(JuliaBuffers& b, const JuliaFrame& f) {
    b.levels.resize((size_t)f.maxIter + 1);
    for (int n = 0; n <= f.maxIter; n++) {
        const float frac = (float)n / (float)f.maxIter;
        Level& level = b.levels[n];
        level.glyph = rampGlyph(f.style, showPow(frac, 0.83f));
        level.hueBase = f.hueRate * f.t + frac * 170.0f + 210.0f;
        level.value = clamp01(showPow(frac, 1.2f) * (f.beatShaped * 0.3f + 0.72f) + 0.18f);
        level.column = -1;
    }
}

// Colours depend on the count and the column only, so each column converts each count once
void drawCells(AsciiFramebuffer& fb, JuliaBuffers& b, const JuliaFrame& f) {
    for (int x = 0; x < f.cols; x++) {
        const float columnHue = (float)x * 0.12f;
        for (int y = 0; y < f.rows; y++) {
            Level& level = b.levels[b.counts[(size_t)y * f.cols + x]];
            if (level.column != x) {
                const float hue = fmodf(level.hueBase + columnHue, 360.0f);
                level.fg = showColorFromHsv(hue, f.sat, level.value);
                level.bg = showColorFromHsv(fmodf(hue + 26.0f, 360.0f), f.sat * 0.42f, level.value * 0.17f + 0.06f);
                level.column = x;
            }
            fb.setCell(x, y, level.glyph, level.fg, level.bg);
        }
    }
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
        const float angle = phase + (float)k * 6.2831855f / 6.0f + 0.16f * showSin(0.9f * f.t + (float)k);
        const float c = showCos(angle);
        const float s = showSin(angle);
        for (int j = 0; j < len; j++) {
            const float r = head - spacing * (float)j;
            if (r < 0.0f) continue;
            const int cellX = (int)roundf(cx + r * c);
            const int cellY = (int)roundf(cy + r * s);
            if (cellX >= 0 && cellX < f.cols && cellY >= 0 && cellY < f.rows) {
                fb.setCell(cellX, cellY, (uint32_t)(unsigned char)text[j], color, kSpokeBackground);
            }
        }
    }
}

}  // namespace

void julia_blast(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo*, const AudioFeatures* audio) {
    if (fb.cols < kMinGridSize || fb.rows < kMinGridSize) return;
    const JuliaFrame f = makeFrame(fb, sceneTime, audio);

    JuliaBuffers& b = buffers;
    if (b.cols != f.cols || b.rows != f.rows) resizeBuffers(b, f.cols, f.rows);
    prepareAxes(b, f);
    computeCounts(b, f);
    prepareLevels(b, f);
    drawCells(fb, b, f);

    drawSpokeText(fb, f, "VX26", 0.35f * f.t, f.bass * 8.0f + 11.5f, kLogoColor);
    drawSpokeText(fb, f, "67", 1.2f - 0.45f * f.t, f.treble * 10.0f + 13.0f, kNumberColor);
}
