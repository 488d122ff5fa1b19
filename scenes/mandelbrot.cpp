// mandelbrot: the Mandelbrot set near (−0.58, 0.01), its zoom pulsing on every beat and its sample
// plane gently swirled by audio-driven rings and, in the upper part, a bend; RGB straight from the
// escape count, the column, the time and the audio levels.
#include "scenes/mandelbrot.h"

#include <cmath>  // Required for: sqrtf(), roundf()
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>  // SSE2: the escape loop runs eight cells at once
#endif

#include "math/show_math.h"  // Required for: showSin(), showCos(), showPow(), showSinArray(), showSinCosArray()
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kBaseIterations = 96;  // maxIter in silence
constexpr float kEscapeRadiusSq = 4.0f;
constexpr float kMinSwirlMix = 0.06f;
constexpr float kMaxSwirlMix = 0.34f;
constexpr int kMaxIterations = 128;  // maxIter with beat and treble both 1
constexpr int kLanes = 8;            // Cells iterated together: two SSE vectors of four
// Squared bounds of the regions the escape loop is skipped in: multipliers below 0.98 in size
constexpr float kCardioidMultiplierSq = 0.98f * 0.98f;
constexpr float kBulbRadiusSq = (0.98f / 4.0f) * (0.98f / 4.0f);

// Everything that is the same for every cell of one frame
struct MandelFrame {
    int cols, rows;
    float bass, mid, treble, beat;
    float centreRe, centreIm;
    float scaleRe, scaleIm;
    float swirlMix;
    int maxIter;
    float ringAmp, ringFreq, ringPhase;
    float bendAmp, bendPhase;
    float rowWaveAmp, rowWavePhase;
    float rippleAmp, ripplePhase;
    float liftPhase;
    float redPhase;
    RampStyle style;
};

// What one row shares
struct MandelRow {
    float ny;
    float topWeight;  // Strength of the bend: 0 from just above the middle down, 1 at the top
    float bendAmp;    // topWeight · bendAmp
    float rowWave;
    float baseIm;
};

// What one column shares
struct MandelColumn {
    float nx;
    float bendWave;  // sin(9·nx + bendPhase)
    float baseRe;
    unsigned char red;
};

// What one escape count shares
struct MandelLevel {
    uint32_t glyph;
    unsigned char green, blue;
};

// One row's wave arguments, their sines and cosines and the sample points made from them
struct MandelWaves {
    std::vector<float> ringArg, ring, rippleArg, ripple, a1, s1, c1, a2, s2, c2;
    std::vector<float> px, py, qx, liftArg, lift, cRe, cIm;

    void resize(int cols) {
        for (std::vector<float>* v : {&ringArg, &ring, &rippleArg, &ripple, &a1, &s1, &c1, &a2, &s2, &c2, &px, &py,
                                      &qx, &liftArg, &lift, &cRe, &cIm}) {
            v->assign((size_t)cols, 0.0f);
        }
    }
};

// Scratch space sized with the grid; it carries no picture from one frame to the next
struct MandelBuffers {
    int cols = 0;
    std::vector<MandelColumn> columns;
    std::vector<MandelLevel> levels;  // Indexed by escape count 0..maxIter
    std::vector<int> counts;          // Escape count per cell of the row being drawn
    std::vector<float> pendingRe, pendingIm;  // Sample points of the row that need the loop...
    std::vector<int> pendingColumn;           // ...and their columns
    MandelWaves waves;
};

MandelBuffers buffers;

void resizeBuffers(MandelBuffers& b, int cols) {
    // Room for a whole row of pending points plus the padding of the last group of lanes
    const size_t padded = (size_t)(cols + kLanes);
    b.cols = cols;
    b.columns.assign(cols, MandelColumn{});
    b.counts.assign(cols, 0);
    b.pendingRe.assign(padded, 0.0f);
    b.pendingIm.assign(padded, 0.0f);
    b.pendingColumn.assign(padded, 0);
    b.levels.reserve(kMaxIterations + 1);
    b.waves.resize(cols);
}

// A channel stored as the low 8 bits of its truncated value, so values outside 0..255 wrap
unsigned char wrapChannel(float value) { return (unsigned char)(int)value; }

MandelFrame makeFrame(const AsciiFramebuffer& fb, float t, const BeatInfo* beatInfo, const AudioFeatures* audio) {
    MandelFrame f = {};
    f.cols = fb.cols;
    f.rows = fb.rows;
    if (audio != nullptr && audio->valid) {
        f.bass = audio->bass;
        f.mid = audio->mid;
        f.treble = audio->treble;
        f.beat = audio->beat;
    }
    const float beatPhase = (beatInfo != nullptr) ? beatInfo->beatPhase : 0.0f;
    // Largest right on the beat, relaxing towards the next one
    const float pulse = 1.0f + 0.07f * showPow(1.0f - beatPhase, 5.0f);
    const float zoom = pulse * (0.9f + 0.28f * f.beat + 0.14f * f.bass) *
                       (1.22f + 0.24f * showSin((f.mid * 0.24f + 0.2f) * t));
    f.centreRe = 0.09f * showCos((f.bass * 0.1f + 0.13f) * t) - 0.58f;
    f.centreIm = 0.07f * showSin((f.treble * 0.12f + 0.18f) * t) + 0.01f;
    f.scaleRe = 3.1f / zoom;
    f.scaleIm = 2.1f / zoom;
    f.swirlMix = clampf(f.mid * 0.12f + f.bass * 0.14f + 0.08f + f.beat * 0.2f, kMinSwirlMix, kMaxSwirlMix);
    f.maxIter = kBaseIterations + (int)roundf(f.beat * 12.0f + f.treble * 20.0f);
    f.ringAmp = f.mid * 0.022f + 0.01f + f.beat * 0.015f;
    f.ringFreq = f.bass * 18.0f + 9.0f;
    f.ringPhase = (f.mid * 2.5f + 1.8f) * t;
    f.bendAmp = f.mid * 0.085f + 0.035f + f.beat * 0.07f;
    f.bendPhase = (f.mid * 1.7f + 1.6f) * t;
    f.rowWaveAmp = f.bass * 0.03f + 0.01f + f.beat * 0.025f;
    f.rowWavePhase = (f.bass * 5.0f + 2.0f) * t;
    f.rippleAmp = f.treble * 0.014f + 0.006f;
    f.ripplePhase = (f.treble * 9.0f + 6.5f) * t;
    f.liftPhase = (f.mid * 1.1f + 1.0f) * t;
    f.redPhase = (f.treble * 5.0f + 1.8f) * t;
    f.style = fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense;
    return f;
}

MandelRow makeRow(const MandelFrame& f, int y) {
    MandelRow r;
    r.ny = (float)y / (float)(f.rows - 1) - 0.5f;
    r.topWeight = clamp01((-r.ny - 0.03f) * 2.2f);
    r.bendAmp = r.topWeight * f.bendAmp;
    r.rowWave = f.rowWaveAmp * showSin(9.0f * r.ny + f.rowWavePhase);
    r.baseIm = f.centreIm + f.scaleIm * r.ny;
    return r;
}

// Everything that depends on the column alone
void prepareColumns(MandelBuffers& b, const MandelFrame& f) {
    for (int x = 0; x < f.cols; x++) {
        MandelColumn& column = b.columns[x];
        column.nx = (float)x / (float)(f.cols - 1) - 0.5f;
        column.bendWave = showSin(9.0f * column.nx + f.bendPhase);
        column.baseRe = f.centreRe + f.scaleRe * column.nx;
        column.red = wrapChannel(showSin((float)x * 0.05f + f.redPhase) * 110.0f + 100.0f);
    }
}

// Everything that depends on the escape count alone
void prepareLevels(MandelBuffers& b, const MandelFrame& f) {
    b.levels.resize((size_t)f.maxIter + 1);
    for (int n = 0; n <= f.maxIter; n++) {
        const float frac = (float)n / (float)f.maxIter;
        MandelLevel& level = b.levels[n];
        level.glyph = rampGlyph(f.style, frac);
        level.green = wrapChannel(frac * 100.0f + 140.0f + f.treble * 48.0f + f.mid * 24.0f);
        level.blue = wrapChannel((1.0f - frac) * 150.0f + 90.0f + f.bass * 48.0f);
    }
}

// The swirled sample points of one row: rings, then the bend, mixed into the straight mapping. The
// steps are those of one cell at a time, but each sine and cosine is taken for the whole row in one
// array call, which evaluates two cells at a time.
void samplePoints(MandelBuffers& b, const MandelFrame& f, const MandelRow& row) {
    const int cols = f.cols;
    const float ny = row.ny;
    MandelWaves& w = b.waves;
    for (int x = 0; x < cols; x++) {
        const float nx = b.columns[x].nx;
        const float r = sqrtf(nx * nx + ny * ny);
        w.ringArg[x] = r * f.ringFreq + f.ringPhase;
        w.rippleArg[x] = 13.0f * nx + 11.0f * ny + f.ripplePhase;
        w.a2[x] = row.bendAmp * b.columns[x].bendWave;
    }
    showSinArray(w.ringArg.data(), w.ring.data(), cols);
    showSinArray(w.rippleArg.data(), w.ripple.data(), cols);
    for (int x = 0; x < cols; x++) w.a1[x] = f.ringAmp * w.ring[x];
    showSinCosArray(w.a1.data(), w.s1.data(), w.c1.data(), cols);
    if (row.bendAmp == 0.0f) {
        // Below the bend's reach every angle is a zero, whose cosine is exactly 1 and sine the zero itself
        for (int x = 0; x < cols; x++) {
            w.c2[x] = 1.0f;
            w.s2[x] = w.a2[x];
        }
    } else {
        showSinCosArray(w.a2.data(), w.s2.data(), w.c2.data(), cols);
    }
    for (int x = 0; x < cols; x++) {
        const float nx = b.columns[x].nx;
        const float px = w.c1[x] * nx - w.s1[x] * ny;
        const float py = w.s1[x] * nx + w.c1[x] * ny;
        const float qx = w.c2[x] * px - w.s2[x] * py + row.rowWave + f.rippleAmp * w.ripple[x];
        w.px[x] = px;
        w.py[x] = py;
        w.qx[x] = qx;
        w.liftArg[x] = 6.5f * qx + f.liftPhase;
    }
    showSinArray(w.liftArg.data(), w.lift.data(), cols);
    for (int x = 0; x < cols; x++) {
        const float qx = w.qx[x];
        const float qy = w.s2[x] * w.px[x] + w.c2[x] * w.py[x] + 0.4f * f.rowWaveAmp * w.lift[x];
        const float baseRe = b.columns[x].baseRe;
        w.cRe[x] = baseRe + f.swirlMix * ((f.centreRe + f.scaleRe * qx) - baseRe);
        w.cIm[x] = row.baseIm + f.swirlMix * ((f.centreIm + f.scaleIm * qy) - row.baseIm);
    }
}

#if defined(__SSE2__)
// Escape counts of kLanes sample points at once. Each SSE lane performs exactly the scalar loop's
// single-precision steps: z ← ((zr² − zi²) + cRe, (2·zr)·zi + cIm), count, stop once |z|² > 4
void escapeCounts(const float* pointRe, const float* pointIm, int maxIter, int* counts) {
    const __m128 four = _mm_set1_ps(kEscapeRadiusSq);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 crA = _mm_loadu_ps(pointRe), ciA = _mm_loadu_ps(pointIm);
    const __m128 crB = _mm_loadu_ps(pointRe + 4), ciB = _mm_loadu_ps(pointIm + 4);
    __m128 zrA = _mm_setzero_ps(), ziA = _mm_setzero_ps();
    __m128 zrB = _mm_setzero_ps(), ziB = _mm_setzero_ps();
    __m128 goA = _mm_castsi128_ps(_mm_set1_epi32(-1)), goB = goA;
    __m128i nA = _mm_setzero_si128(), nB = _mm_setzero_si128();
    for (int i = 0; i < maxIter; i++) {
        if (_mm_movemask_ps(_mm_or_ps(goA, goB)) == 0) break;
        const __m128 nextReA = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(zrA, zrA), _mm_mul_ps(ziA, ziA)), crA);
        const __m128 nextReB = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(zrB, zrB), _mm_mul_ps(ziB, ziB)), crB);
        const __m128 nextImA = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(two, zrA), ziA), ciA);
        const __m128 nextImB = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(two, zrB), ziB), ciB);
        zrA = _mm_or_ps(_mm_and_ps(goA, nextReA), _mm_andnot_ps(goA, zrA));
        zrB = _mm_or_ps(_mm_and_ps(goB, nextReB), _mm_andnot_ps(goB, zrB));
        ziA = _mm_or_ps(_mm_and_ps(goA, nextImA), _mm_andnot_ps(goA, ziA));
        ziB = _mm_or_ps(_mm_and_ps(goB, nextImB), _mm_andnot_ps(goB, ziB));
        // A running lane's mask is all ones, that is −1: subtracting it counts the step
        nA = _mm_sub_epi32(nA, _mm_castps_si128(goA));
        nB = _mm_sub_epi32(nB, _mm_castps_si128(goB));
        const __m128 magA = _mm_add_ps(_mm_mul_ps(zrA, zrA), _mm_mul_ps(ziA, ziA));
        const __m128 magB = _mm_add_ps(_mm_mul_ps(zrB, zrB), _mm_mul_ps(ziB, ziB));
        goA = _mm_andnot_ps(_mm_cmpgt_ps(magA, four), goA);
        goB = _mm_andnot_ps(_mm_cmpgt_ps(magB, four), goB);
    }
    _mm_storeu_si128((__m128i*)counts, nA);
    _mm_storeu_si128((__m128i*)(counts + 4), nB);
}
#else
// The same steps one lane at a time, for processors without SSE2
void escapeCounts(const float* pointRe, const float* pointIm, int maxIter, int* counts) {
    for (int lane = 0; lane < kLanes; lane++) {
        float zr = 0.0f, zi = 0.0f;
        int n = 0;
        for (int i = 0; i < maxIter; i++) {
            const float nextRe = (zr * zr - zi * zi) + pointRe[lane];
            const float nextIm = (2.0f * zr) * zi + pointIm[lane];
            zr = nextRe;
            zi = nextIm;
            n++;
            if (zr * zr + zi * zi > kEscapeRadiusSq) break;
        }
        counts[lane] = n;
    }
}
#endif

// Escape counts of one row. Points deep in the main cardioid or the period-2 bulb take maxIter
// at once; the others are packed kLanes at a time into the vector loop.
void computeRowCounts(MandelBuffers& b, const MandelFrame& f, const MandelRow& row) {
    samplePoints(b, f, row);
    int pending = 0;
    for (int x = 0; x < f.cols; x++) {
        const float cRe = b.waves.cRe[x];
        const float cIm = b.waves.cIm[x];
        if (insideMainBulbs(cRe, cIm)) {
            b.counts[x] = f.maxIter;
            continue;
        }
        b.pendingRe[pending] = cRe;
        b.pendingIm[pending] = cIm;
        b.pendingColumn[pending] = x;
        pending++;
    }
    // Lanes past the last pending point start outside the radius and stop after one step
    for (int i = pending; i % kLanes != 0; i++) {
        b.pendingRe[i] = kEscapeRadiusSq;
        b.pendingIm[i] = 0.0f;
    }
    int laneCounts[kLanes];
    for (int first = 0; first < pending; first += kLanes) {
        escapeCounts(&b.pendingRe[first], &b.pendingIm[first], f.maxIter, laneCounts);
        const int lanes = (pending - first < kLanes) ? pending - first : kLanes;
        for (int i = 0; i < lanes; i++) b.counts[b.pendingColumn[first + i]] = laneCounts[i];
    }
}

void drawRow(AsciiFramebuffer& fb, const MandelBuffers& b, int y, Color bg) {
    for (int x = 0; x < fb.cols; x++) {
        const MandelLevel& level = b.levels[b.counts[x]];
        const Color fg = {b.columns[x].red, level.green, level.blue, 255};
        fb.setCell(x, y, level.glyph, fg, bg);
    }
}

}  // namespace

bool insideMainBulbs(float cRe, float cIm) {
    // Period-2 bulb: the 2-cycle's multiplier is 4·(c + 1)
    const float bulbRe = cRe + 1.0f;
    if (bulbRe * bulbRe + cIm * cIm < kBulbRadiusSq) return true;
    // Main cardioid: the fixed point's multiplier is μ = 1 − √w with w = 1 − 4c, and
    // |μ|² = 1 + |w| − 2·Re √w, where Re √w = √((|w| + Re w) / 2)
    const float wRe = 1.0f - 4.0f * cRe;
    const float wIm = -4.0f * cIm;
    const float wAbs = sqrtf(wRe * wRe + wIm * wIm);
    const float rootRe = sqrtf((wAbs + wRe) * 0.5f);
    return 1.0f + wAbs - 2.0f * rootRe < kCardioidMultiplierSq;
}

void mandelbrot(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio) {
    if (fb.rows < 1) return;
    const MandelFrame f = makeFrame(fb, sceneTime, beat, audio);

    MandelBuffers& b = buffers;
    if (b.cols != f.cols) resizeBuffers(b, f.cols);
    prepareColumns(b, f);
    prepareLevels(b, f);
    for (int y = 0; y < f.rows; y++) {
        computeRowCounts(b, f, makeRow(f, y));
        drawRow(fb, b, y, bg);
    }
}
