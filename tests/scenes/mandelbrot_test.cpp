#include <gtest/gtest.h>

#include <cmath>

#include "scenes/mandelbrot.h"
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

AudioFeatures levels(float bass, float mid, float treble, float beat) {
    return scene_harness::audioLevels(bass, mid, treble, beat);
}

BeatInfo beatWithPhase(float phase) {
    BeatInfo b = scene_harness::beatAt(0.0f);
    b.beatPhase = phase;
    return b;
}

void render(AsciiFramebuffer& fb, float t, const BeatInfo& beat, const AudioFeatures& audio,
            Color bg = kSceneBackground) {
    fb.clear(kSceneBackground);
    mandelbrot(fb, t, bg, &beat, &audio);
}

int countGlyph(const AsciiFramebuffer& fb, uint32_t codepoint) {
    int count = 0;
    for (const Cell& c : fb.cells) count += (c.codepoint == codepoint) ? 1 : 0;
    return count;
}

// The frame written out cell by cell from the formulas, with nothing hoisted, tabulated or skipped
void referenceRender(AsciiFramebuffer& fb, float t, Color bg, const BeatInfo& beatInfo, const AudioFeatures& a) {
    const float bass = a.valid ? a.bass : 0.0f, mid = a.valid ? a.mid : 0.0f;
    const float treble = a.valid ? a.treble : 0.0f, beat = a.valid ? a.beat : 0.0f;
    const float zoom = (1.0f + 0.07f * powf(1.0f - beatInfo.beatPhase, 5.0f)) * (0.9f + 0.28f * beat + 0.14f * bass) *
                       (1.22f + 0.24f * sinf((mid * 0.24f + 0.2f) * t));
    const float centreRe = 0.09f * cosf((bass * 0.1f + 0.13f) * t) - 0.58f;
    const float centreIm = 0.07f * sinf((treble * 0.12f + 0.18f) * t) + 0.01f;
    const float scaleRe = 3.1f / zoom, scaleIm = 2.1f / zoom;
    const float swirlMix = clamp(mid * 0.12f + bass * 0.14f + 0.08f + beat * 0.2f, 0.06f, 0.34f);
    const int maxIter = 96 + (int)roundf(beat * 12.0f + treble * 20.0f);
    const float ringAmp = mid * 0.022f + 0.01f + beat * 0.015f, ringFreq = bass * 18.0f + 9.0f;
    const float ringPhase = (mid * 2.5f + 1.8f) * t;
    const float bendAmp = mid * 0.085f + 0.035f + beat * 0.07f, bendPhase = (mid * 1.7f + 1.6f) * t;
    const float rowWaveAmp = bass * 0.03f + 0.01f + beat * 0.025f, rowWavePhase = (bass * 5.0f + 2.0f) * t;
    const float rippleAmp = treble * 0.014f + 0.006f, ripplePhase = (treble * 9.0f + 6.5f) * t;
    const float liftPhase = (mid * 1.1f + 1.0f) * t, redPhase = (treble * 5.0f + 1.8f) * t;

    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            const float ny = (float)y / (float)(fb.rows - 1) - 0.5f;
            const float topWeight = clamp01((-ny - 0.03f) * 2.2f);
            const float rowWave = rowWaveAmp * sinf(9.0f * ny + rowWavePhase);
            const float baseIm = centreIm + scaleIm * ny;
            const float nx = (float)x / (float)(fb.cols - 1) - 0.5f;
            const float r = sqrtf(nx * nx + ny * ny);
            const float a1 = ringAmp * sinf(r * ringFreq + ringPhase);
            const float px = cosf(a1) * nx - sinf(a1) * ny;
            const float py = sinf(a1) * nx + cosf(a1) * ny;
            const float a2 = topWeight * bendAmp * sinf(9.0f * nx + bendPhase);
            const float qx = cosf(a2) * px - sinf(a2) * py + rowWave + rippleAmp * sinf(13.0f * nx + 11.0f * ny + ripplePhase);
            const float qy = sinf(a2) * px + cosf(a2) * py + 0.4f * rowWaveAmp * sinf(6.5f * qx + liftPhase);
            const float baseRe = centreRe + scaleRe * nx;
            const float cRe = baseRe + swirlMix * ((centreRe + scaleRe * qx) - baseRe);
            const float cIm = baseIm + swirlMix * ((centreIm + scaleIm * qy) - baseIm);
            float zr = 0.0f, zi = 0.0f;
            int n = 0;
            while (n < maxIter) {
                const float re = zr * zr - zi * zi + cRe;
                zi = 2.0f * zr * zi + cIm;
                zr = re;
                n++;
                if (zr * zr + zi * zi > 4.0f) break;
            }
            const float f = (float)n / (float)maxIter;
            Color fg;
            fg.r = (unsigned char)(int)(sinf((float)x * 0.05f + redPhase) * 110.0f + 100.0f);
            fg.g = (unsigned char)(int)(f * 100.0f + 140.0f + treble * 48.0f + mid * 24.0f);
            fg.b = (unsigned char)(int)((1.0f - f) * 150.0f + 90.0f + bass * 48.0f);
            fg.a = 255;
            fb.setCell(x, y, rampGlyph(fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense, f), fg, bg);
        }
    }
}

// Steps of the scene's float iteration from z = 0 until |z|² > 4, at most `limit`
int plainEscapeCount(float cRe, float cIm, int limit) {
    float zr = 0.0f, zi = 0.0f;
    int n = 0;
    while (n < limit) {
        const float re = zr * zr - zi * zi + cRe;
        zi = 2.0f * zr * zi + cIm;
        zr = re;
        n++;
        if (zr * zr + zi * zi > 4.0f) break;
    }
    return n;
}

void expectSameCells(const AsciiFramebuffer& got, const AsciiFramebuffer& want, const char* what) {
    int mismatches = 0;
    for (int y = 0; y < got.rows; y++) {
        for (int x = 0; x < got.cols; x++) {
            if (got.at(x, y) != want.at(x, y) && mismatches++ < 5) {
                ADD_FAILURE() << what << " " << got.cols << "x" << got.rows << " cell " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << what;
}

}  // namespace

TEST(MandelbrotGrid, GridsWithoutRowsAreLeftAlone) {
    const BeatInfo beat = beatWithPhase(0.3f);
    const AudioFeatures audio = levels(0.5f, 0.5f, 0.5f, 0.5f);
    AsciiFramebuffer noRows(40, 0, 10, 18, FramebufferBacking::CellsOnly);
    mandelbrot(noRows, 1.0f, kSceneBackground, &beat, &audio);
    EXPECT_TRUE(noRows.cells.empty());
    // The smallest grid the zoom makes is drawn in full
    AsciiFramebuffer small(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    render(small, 1.0f, beat, audio, Color{1, 2, 3, 4});
    for (const Cell& c : small.cells) EXPECT_EQ(c.bg, (Color{1, 2, 3, 4}));
}

TEST(MandelbrotColour, CellsInsideTheSetWrapGreenAndKeepBlue) {
    // At t = 0 the view is centred on (−0.49, 0.01), deep in the main cardioid: n = maxIter, f = 1,
    // so the glyph is the densest, g = 240 + 48·treble + 24·mid and b = 90 + 48·bass, as bytes
    AsciiFramebuffer fb(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    const BeatInfo beat = beatWithPhase(0.5f);
    struct Case {
        AudioFeatures audio;
        unsigned char g, b;
    };
    AudioFeatures stale = levels(1.0f, 1.0f, 1.0f, 1.0f);
    stale.valid = false;
    const Case cases[] = {
        {levels(0.0f, 0.0f, 0.0f, 0.0f), 240, 90},
        {stale, 240, 90},                            // not valid: every level reads 0
        {levels(1.0f, 1.0f, 1.0f, 0.0f), 56, 138},   // g = 312 wraps to 56
        {levels(0.5f, 0.5f, 0.75f, 0.0f), 32, 114},  // g = 288 wraps to 32
    };
    for (const Case& k : cases) {
        render(fb, 0.0f, beat, k.audio);
        const Cell& centre = fb.at(86, 30);
        EXPECT_EQ(centre.codepoint, (uint32_t)'@');
        EXPECT_EQ(centre.fg.g, k.g);
        EXPECT_EQ(centre.fg.b, k.b);
        EXPECT_EQ(centre.fg.a, 255);
    }
    fb.blockGlyphs = true;
    render(fb, 0.0f, beat, levels(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(fb.at(86, 30).codepoint, 0x2588u);
}

TEST(MandelbrotColour, RedFollowsTheColumnAndWrapsBelowZero) {
    // t = 0: r = sin(0.05·x)·110 + 100; column 94 gives −9.99, truncated to −9 and stored as 247
    AsciiFramebuffer fb(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 0.0f, beatWithPhase(0.0f), levels(0.3f, 0.6f, 0.9f, 0.2f));
    for (int y : {0, 29, 59}) {
        EXPECT_EQ(fb.at(0, y).fg.r, 100);
        EXPECT_EQ(fb.at(31, y).fg.r, 209);  // sin(1.55) = 0.99978
        EXPECT_EQ(fb.at(94, y).fg.r, 247);
        EXPECT_EQ(fb.at(100, y).fg.r, 251);  // sin(5.0) = −0.95892: −5.48 becomes −5
    }
}

TEST(MandelbrotColour, BackgroundIsTheArgumentEverywhere) {
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    const Color bg = {200, 1, 77, 9};
    render(fb, 3.3f, scene_harness::beatAt(3.3f), scene_harness::scriptedAudio(3.3f), bg);
    for (const Cell& c : fb.cells) ASSERT_EQ(c.bg, bg);
    EXPECT_GT(countGlyph(fb, '@'), 0);
    EXPECT_GT(countGlyph(fb, ' ') + countGlyph(fb, '.'), 0) << "the view shows the outside too";
}

TEST(MandelbrotZoom, JumpsInOnTheBeatAndRelaxesOut) {
    // The centre lies inside the set, so zooming in shows more of it
    AsciiFramebuffer onBeat(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    AsciiFramebuffer late(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    const AudioFeatures quiet = levels(0.0f, 0.0f, 0.0f, 0.0f);
    render(onBeat, 1.0f, beatWithPhase(0.0f), quiet);
    render(late, 1.0f, beatWithPhase(0.99f), quiet);
    EXPECT_GT(countGlyph(onBeat, '@'), countGlyph(late, '@') + 100);
    // Silence still moves with time alone
    AsciiFramebuffer later(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    render(later, 1.5f, beatWithPhase(0.99f), quiet);
    EXPECT_NE(scene_harness::hashCells(late), scene_harness::hashCells(later));
}

TEST(MandelbrotReference, MatchesThePlainFormulasCellForCell) {
    struct Case {
        int cols, rows;
        bool block;
        float t, beatPhase;
        AudioFeatures audio;
    };
    AudioFeatures stale = levels(0.8f, 0.7f, 0.6f, 0.5f);
    stale.valid = false;
    const Case cases[] = {
        {120, 42, false, 0.0f, 0.0f, AudioFeatures{}},
        {173, 60, true, 2.35f, 0.4f, scene_harness::scriptedAudio(2.35f)},
        {430, 150, false, 7.9f, 0.97f, scene_harness::scriptedAudio(7.9f)},
        {61, 23, false, 4.4f, 0.1f, levels(1.0f, 1.0f, 1.0f, 1.0f)},
        {36, 14, true, 0.3f, 0.5f, stale},
        {520, 220, false, 13.0f, 0.75f, scene_harness::scriptedAudio(13.0f)},
    };
    for (const Case& k : cases) {
        AsciiFramebuffer got(k.cols, k.rows, 10, 18, FramebufferBacking::CellsOnly);
        AsciiFramebuffer want(k.cols, k.rows, 10, 18, FramebufferBacking::CellsOnly);
        got.blockGlyphs = want.blockGlyphs = k.block;
        const BeatInfo beat = beatWithPhase(k.beatPhase);
        const Color bg = {8, 10, 15, 255};
        render(got, k.t, beat, k.audio, bg);
        referenceRender(want, k.t, bg, beat, k.audio);
        expectSameCells(got, want, "frame");
    }
}

TEST(MandelbrotShortcut, PointsItCallsInsideNeverEscape) {
    // The scene asks for at most 128 steps; check four times as many
    constexpr int kSteps = 512;
    int inside = 0;
    // A dense lattice over the main cardioid and the period-2 bulb
    for (float im = -0.75f; im <= 0.75f; im += 1.0f / 256.0f) {
        for (float re = -1.3f; re <= 0.4f; re += 1.0f / 256.0f) {
            if (!insideMainBulbs(re, im)) continue;
            inside++;
            ASSERT_EQ(plainEscapeCount(re, im, kSteps), kSteps) << re << " " << im;
        }
    }
    EXPECT_GT(inside, 70000);
    // Points hugging the edges of both regions, a few units in the last place either way
    for (int k = 0; k < 20000; k++) {
        const double angle = 6.283185307179586 * k / 20000.0;
        for (double size : {0.979, 0.98, 0.981, 1.0}) {
            const double muRe = size * cos(angle), muIm = size * sin(angle);
            // Cardioid: c = μ/2 − μ²/4; bulb: c = −1 + μ/4
            const double edges[2][2] = {{muRe / 2 - (muRe * muRe - muIm * muIm) / 4, muIm / 2 - muRe * muIm / 2},
                                        {-1.0 + muRe / 4, muIm / 4}};
            for (const auto& edge : edges) {
                float re = (float)edge[0];
                for (int step = 0; step < 3; step++, re = nextafterf(re, 1.0f)) {
                    if (insideMainBulbs(re, (float)edge[1])) {
                        ASSERT_EQ(plainEscapeCount(re, (float)edge[1], kSteps), kSteps) << re << " " << edge[1];
                    }
                }
            }
        }
    }
    EXPECT_TRUE(insideMainBulbs(-0.2f, 0.0f));
    EXPECT_TRUE(insideMainBulbs(-1.0f, 0.1f));
    EXPECT_FALSE(insideMainBulbs(-0.75f, 0.0f)) << "where cardioid and bulb touch";
    EXPECT_FALSE(insideMainBulbs(0.26f, 0.0f));
    EXPECT_FALSE(insideMainBulbs(-0.5f, 0.8f));
}

TEST(MandelbrotDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(mandelbrot);
    EXPECT_EQ(value, 16424953575794658508ull) << "actual " << value;
}
