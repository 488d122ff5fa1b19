#include <gtest/gtest.h>

#include <cmath>

#include "math/show_math.h"
#include "scenes/mandelbrot.h"
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

using scene_harness::audioLevels;

void render(AsciiFramebuffer& fb, float t, float beatPhase, const AudioFeatures& audio, Color bg = kSceneBackground) {
    BeatInfo beat = scene_harness::beatAt(0.0f);
    beat.beatPhase = beatPhase;
    fb.clear(kSceneBackground);
    mandelbrot(fb, t, bg, &beat, &audio);
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

// The frame written out cell by cell from the formulas, with nothing hoisted, tabulated or skipped
void referenceRender(AsciiFramebuffer& fb, float t, Color bg, float beatPhase, const AudioFeatures& a) {
    const float bass = a.valid ? a.bass : 0.0f, mid = a.valid ? a.mid : 0.0f;
    const float treble = a.valid ? a.treble : 0.0f, beat = a.valid ? a.beat : 0.0f;
    const float zoom = (1.0f + 0.07f * showPow(1.0f - beatPhase, 5.0f)) * (0.9f + 0.28f * beat + 0.14f * bass) *
                       (1.22f + 0.24f * showSin((mid * 0.24f + 0.2f) * t));
    const float centreRe = 0.09f * showCos((bass * 0.1f + 0.13f) * t) - 0.58f;
    const float centreIm = 0.07f * showSin((treble * 0.12f + 0.18f) * t) + 0.01f;
    const float scaleRe = 3.1f / zoom, scaleIm = 2.1f / zoom;
    const float swirlMix = clamp(mid * 0.12f + bass * 0.14f + 0.08f + beat * 0.2f, 0.06f, 0.34f);
    const int maxIter = 96 + (int)roundf(beat * 12.0f + treble * 20.0f);
    const float rowWaveAmp = bass * 0.03f + 0.01f + beat * 0.025f, redPhase = (treble * 5.0f + 1.8f) * t;
    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            const float ny = (float)y / (float)(fb.rows - 1) - 0.5f;
            const float nx = (float)x / (float)(fb.cols - 1) - 0.5f;
            const float a1 = (mid * 0.022f + 0.01f + beat * 0.015f) *
                             showSin(sqrtf(nx * nx + ny * ny) * (bass * 18.0f + 9.0f) + (mid * 2.5f + 1.8f) * t);
            const float px = showCos(a1) * nx - showSin(a1) * ny;
            const float py = showSin(a1) * nx + showCos(a1) * ny;
            const float a2 = clamp01((-ny - 0.03f) * 2.2f) * (mid * 0.085f + 0.035f + beat * 0.07f) *
                             showSin(9.0f * nx + (mid * 1.7f + 1.6f) * t);
            const float qx = showCos(a2) * px - showSin(a2) * py + rowWaveAmp * showSin(9.0f * ny + (bass * 5.0f + 2.0f) * t) +
                             (treble * 0.014f + 0.006f) * showSin(13.0f * nx + 11.0f * ny + (treble * 9.0f + 6.5f) * t);
            const float qy =
                showSin(a2) * px + showCos(a2) * py + 0.4f * rowWaveAmp * showSin(6.5f * qx + (mid * 1.1f + 1.0f) * t);
            const float baseRe = centreRe + scaleRe * nx, baseIm = centreIm + scaleIm * ny;
            const int n = plainEscapeCount(baseRe + swirlMix * ((centreRe + scaleRe * qx) - baseRe),
                                           baseIm + swirlMix * ((centreIm + scaleIm * qy) - baseIm), maxIter);
            const float f = (float)n / (float)maxIter;
            const Color fg = {(unsigned char)(int)(showSin((float)x * 0.05f + redPhase) * 110.0f + 100.0f),
                              (unsigned char)(int)(f * 100.0f + 140.0f + treble * 48.0f + mid * 24.0f),
                              (unsigned char)(int)((1.0f - f) * 150.0f + 90.0f + bass * 48.0f), 255};
            fb.setCell(x, y, rampGlyph(fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense, f), fg, bg);
        }
    }
}

void expectMatchesReference(int cols, int rows, bool block, float t, float beatPhase, const AudioFeatures& audio) {
    const Color bg = {200, 1, 77, 9};  // every cell's background is the argument
    AsciiFramebuffer got(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    AsciiFramebuffer want(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    got.blockGlyphs = want.blockGlyphs = block;
    render(got, t, beatPhase, audio, bg);
    referenceRender(want, t, bg, beatPhase, audio);
    EXPECT_EQ(scene_harness::firstDifferentCell(got, want), -1) << cols << "x" << rows << " t " << t;
}

}  // namespace

TEST(MandelbrotColour, InsideTheSetGreenWrapsBlueKeepsAndRedFollowsTheColumn) {
    // At t = 0 the view is centred on (−0.49, 0.01), deep in the main cardioid: n = maxIter, f = 1,
    // so the glyph is the densest, g = 240 + 48·treble + 24·mid and b = 90 + 48·bass, as bytes;
    // r = sin(0.05·x)·110 + 100, so column 86 gives −0.78, truncated to 0
    AsciiFramebuffer fb(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    AudioFeatures stale = audioLevels(1.0f, 1.0f, 1.0f, 1.0f);
    stale.valid = false;  // every level reads 0
    render(fb, 0.0f, 0.5f, stale);
    EXPECT_EQ(fb.at(86, 30), (Cell{'@', {0, 240, 90, 255}, kSceneBackground}));
    render(fb, 0.0f, 0.5f, audioLevels(1.0f, 1.0f, 1.0f, 0.0f));
    EXPECT_EQ(fb.at(86, 30).fg, (Color{0, 56, 138, 255}));  // g = 312 wraps to 56
    EXPECT_EQ(fb.at(0, 30).fg.r, 100);
    EXPECT_EQ(fb.at(94, 30).fg.r, 247);  // −9.99 is truncated to −9 and stored as 247
    fb.blockGlyphs = true;
    render(fb, 0.0f, 0.5f, AudioFeatures{});
    EXPECT_EQ(fb.at(86, 30).codepoint, 0x2588u);
}

TEST(MandelbrotReference, MatchesThePlainFormulasCellForCell) {
    // Sizes up and down (the scratch buffers follow the width), both ramps, silence, loud, invalid and
    // scripted audio, and beat phases across the pulse
    AudioFeatures stale = audioLevels(0.8f, 0.7f, 0.6f, 0.5f);
    stale.valid = false;
    expectMatchesReference(120, 42, false, 0.0f, 0.0f, AudioFeatures{});
    expectMatchesReference(430, 150, true, 7.9f, 0.97f, scene_harness::scriptedAudio(7.9f));
    expectMatchesReference(61, 23, false, 4.4f, 0.1f, audioLevels(1.0f, 1.0f, 1.0f, 1.0f));
    expectMatchesReference(36, 14, true, 0.3f, 0.5f, stale);
}

TEST(MandelbrotShortcut, PointsItCallsInsideNeverEscape) {
    // The scene asks for at most 128 steps; check four times as many
    constexpr int kSteps = 512;
    int inside = 0;
    // A lattice over the main cardioid and the period-2 bulb
    for (float im = -0.75f; im <= 0.75f; im += 1.0f / 128.0f) {
        for (float re = -1.3f; re <= 0.4f; re += 1.0f / 128.0f) {
            if (!insideMainBulbs(re, im)) continue;
            inside++;
            ASSERT_EQ(plainEscapeCount(re, im, kSteps), kSteps) << re << " " << im;
        }
    }
    EXPECT_GT(inside, 17000);
    // Points hugging the edges of both regions, on either side of the shortcut's bound
    for (int k = 0; k < 4000; k++) {
        const double angle = 6.283185307179586 * k / 4000.0;
        for (double size : {0.979, 0.98, 0.981, 1.0}) {
            const double muRe = size * cos(angle), muIm = size * sin(angle);
            // Cardioid: c = μ/2 − μ²/4; bulb: c = −1 + μ/4
            const double edges[2][2] = {{muRe / 2 - (muRe * muRe - muIm * muIm) / 4, muIm / 2 - muRe * muIm / 2},
                                        {-1.0 + muRe / 4, muIm / 4}};
            for (const auto& edge : edges) {
                if (insideMainBulbs((float)edge[0], (float)edge[1])) {
                    ASSERT_EQ(plainEscapeCount((float)edge[0], (float)edge[1], kSteps), kSteps)
                        << edge[0] << " " << edge[1];
                }
            }
        }
    }
    EXPECT_TRUE(insideMainBulbs(-1.0f, 0.1f));
    EXPECT_FALSE(insideMainBulbs(-0.75f, 0.0f)) << "where cardioid and bulb touch";
}

TEST(MandelbrotDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(mandelbrot);
    EXPECT_EQ(value, 11908865478811417793ull) << "actual " << value;
}
