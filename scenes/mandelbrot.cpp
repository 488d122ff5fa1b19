// mandelbrot: the Mandelbrot set near (−0.58, 0.01), its zoom pulsing on every beat and its sample
// plane gently swirled by audio-driven rings and, in the upper part, a bend; RGB straight from the
// escape count, the column, the time and the audio levels.
#include <cmath>  // Required for: sinf(), cosf(), sqrtf(), powf(), roundf()

#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kBaseIterations = 96;  // maxIter in silence
constexpr float kEscapeRadiusSq = 4.0f;
constexpr float kMinSwirlMix = 0.06f;
constexpr float kMaxSwirlMix = 0.34f;

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
    float rowWave;
    float baseIm;
};

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
    const float pulse = 1.0f + 0.07f * powf(1.0f - beatPhase, 5.0f);
    const float zoom = pulse * (0.9f + 0.28f * f.beat + 0.14f * f.bass) *
                       (1.22f + 0.24f * sinf((f.mid * 0.24f + 0.2f) * t));
    f.centreRe = 0.09f * cosf((f.bass * 0.1f + 0.13f) * t) - 0.58f;
    f.centreIm = 0.07f * sinf((f.treble * 0.12f + 0.18f) * t) + 0.01f;
    f.scaleRe = 3.1f / zoom;
    f.scaleIm = 2.1f / zoom;
    f.swirlMix = clamp(f.mid * 0.12f + f.bass * 0.14f + 0.08f + f.beat * 0.2f, kMinSwirlMix, kMaxSwirlMix);
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
    r.rowWave = f.rowWaveAmp * sinf(9.0f * r.ny + f.rowWavePhase);
    r.baseIm = f.centreIm + f.scaleIm * r.ny;
    return r;
}

// The swirled sample point of cell x of the row: rings, then the bend, mixed into the straight mapping
void samplePoint(const MandelFrame& f, const MandelRow& row, int x, float* cRe, float* cIm) {
    const float nx = (float)x / (float)(f.cols - 1) - 0.5f;
    const float ny = row.ny;
    const float r = sqrtf(nx * nx + ny * ny);

    const float a1 = f.ringAmp * sinf(r * f.ringFreq + f.ringPhase);
    const float c1 = cosf(a1);
    const float s1 = sinf(a1);
    const float px = c1 * nx - s1 * ny;
    const float py = s1 * nx + c1 * ny;

    const float a2 = row.topWeight * f.bendAmp * sinf(9.0f * nx + f.bendPhase);
    const float c2 = cosf(a2);
    const float s2 = sinf(a2);
    const float qx = c2 * px - s2 * py + row.rowWave + f.rippleAmp * sinf(13.0f * nx + 11.0f * ny + f.ripplePhase);
    const float qy = s2 * px + c2 * py + 0.4f * f.rowWaveAmp * sinf(6.5f * qx + f.liftPhase);

    const float baseRe = f.centreRe + f.scaleRe * nx;
    *cRe = baseRe + f.swirlMix * ((f.centreRe + f.scaleRe * qx) - baseRe);
    *cIm = row.baseIm + f.swirlMix * ((f.centreIm + f.scaleIm * qy) - row.baseIm);
}

// Steps of z ← z² + c from z = 0 until |z|² passes 4 (exactly 4 goes on), at most maxIter
int escapeCount(float cRe, float cIm, int maxIter) {
    float zr = 0.0f;
    float zi = 0.0f;
    int n = 0;
    while (n < maxIter) {
        const float nextRe = zr * zr - zi * zi + cRe;
        zi = 2.0f * zr * zi + cIm;
        zr = nextRe;
        n++;
        if (zr * zr + zi * zi > kEscapeRadiusSq) break;
    }
    return n;
}

// A channel stored as the low 8 bits of its truncated value, so values outside 0..255 wrap
unsigned char wrapChannel(float value) { return (unsigned char)(int)value; }

void drawCell(AsciiFramebuffer& fb, const MandelFrame& f, int x, int y, int n, Color bg) {
    const float frac = (float)n / (float)f.maxIter;
    Color fg;
    fg.r = wrapChannel(sinf((float)x * 0.05f + f.redPhase) * 110.0f + 100.0f);
    fg.g = wrapChannel(frac * 100.0f + 140.0f + f.treble * 48.0f + f.mid * 24.0f);
    fg.b = wrapChannel((1.0f - frac) * 150.0f + 90.0f + f.bass * 48.0f);
    fg.a = 255;
    fb.setCell(x, y, rampGlyph(f.style, frac), fg, bg);
}

}  // namespace

void mandelbrot(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio) {
    if (fb.rows < 1) return;
    const MandelFrame f = makeFrame(fb, sceneTime, beat, audio);

    for (int y = 0; y < f.rows; y++) {
        const MandelRow row = makeRow(f, y);
        for (int x = 0; x < f.cols; x++) {
            float cRe, cIm;
            samplePoint(f, row, x, &cRe, &cIm);
            drawCell(fb, f, x, y, escapeCount(cRe, cIm, f.maxIter), bg);
        }
    }
}
