#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "math/hsv_color.h"
#include "math/show_math.h"
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr Color kLogo = {245, 235, 180, 255};
constexpr Color kNumber = {255, 180, 140, 255};
constexpr Color kTextBg = {8, 10, 15, 255};

void render(AsciiFramebuffer& fb, float t, const AudioFeatures& audio = AudioFeatures{}) {
    const BeatInfo beat = scene_harness::beatAt(t);
    fb.clear(kSceneBackground);
    julia_blast(fb, t, kSceneBackground, &beat, &audio);
}

// Cells holding `ch` written by the spoke text of colour `colour`
int countText(const AsciiFramebuffer& fb, char ch, Color colour) {
    return (int)std::count_if(fb.cells.begin(), fb.cells.end(),
                              [&](const Cell& c) { return c.codepoint == (uint32_t)ch && c.fg == colour; });
}

// The frame written out cell by cell from the formulas, with nothing hoisted or tabulated
void referenceRender(AsciiFramebuffer& fb, float t, const AudioFeatures& a) {
    const float bass = a.valid ? a.bass : 0.0f, mid = a.valid ? a.mid : 0.0f;
    const float treble = a.valid ? a.treble : 0.0f, beat = a.valid ? a.beat : 0.0f;
    const float beatShaped = showPow(clamp01(beat), 0.65f);
    const float zoom = 1.08f + 0.22f * showSin((mid * 0.35f + 0.85f) * t) + 0.45f * beatShaped + 0.1f * bass;
    const float cRe = 0.24f * showSin((mid * 0.55f + 0.62f) * t + 2.0f * bass) - 0.73f;
    const float cIm = 0.18f * showCos((treble * 1.1f + 0.78f) * t + 3.5f * beat);
    const int maxIter = 112 + (int)roundf(30.0f * beat + 34.0f * treble);
    const float warpAmp = bass * 0.055f + 0.03f + beat * 0.05f, sat = clamp01(treble * 0.24f + 0.64f);
    const float aspect = (float)fb.cols / (float)fb.rows;
    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            const float u = ((float)x / (float)(fb.cols - 1) - 0.5f) * (2.7f / zoom) * aspect;
            const float v = ((float)y / (float)(fb.rows - 1) - 0.5f) * (2.2f / zoom);
            float zr = u + warpAmp * showSin((mid * 1.9f + 2.0f) * t + 7.0f * v);
            float zi = v + warpAmp * showSin(6.0f * u - (treble * 2.4f + 2.3f) * t);
            int n = 0;
            while (zr * zr + zi * zi < 4.0f && n < maxIter) {
                const float re = zr * zr - zi * zi + cRe;
                zi = 2.0f * zr * zi + cIm;
                zr = re;
                n++;
            }
            const float f = (float)n / (float)maxIter;
            const float h = fmodf((mid * 34.0f + 44.0f) * t + f * 170.0f + 210.0f + (float)x * 0.12f, 360.0f);
            const float value = clamp01(showPow(f, 1.2f) * (beatShaped * 0.3f + 0.72f) + 0.18f);
            fb.setCell(x, y, rampGlyph(fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense, showPow(f, 0.83f)),
                       showColorFromHsv(h, sat, value),
                       showColorFromHsv(fmodf(h + 26.0f, 360.0f), sat * 0.42f, value * 0.17f + 0.06f));
        }
    }
    auto spokes = [&](const char* text, float phase, float speed, Color colour) {
        const int len = (int)strlen(text);
        const float L = (float)(std::max(fb.cols, fb.rows) + 3 * len);
        const float head = fmodf((beat * 1.4f + 1.0f) * (speed * t) + beatShaped * 8.0f, L);
        for (int k = 0; k < 6; k++) {
            const float angle = phase + (float)k * 6.2831855f / 6.0f + 0.16f * showSin(0.9f * t + (float)k);
            for (int j = 0; j < len; j++) {
                const float r = head - (beatShaped * 0.85f + 1.25f) * (float)j;
                const int X = (int)roundf((float)(fb.cols / 2) + r * showCos(angle));
                const int Y = (int)roundf((float)(fb.rows / 2) + r * showSin(angle));
                if (r >= 0.0f && X >= 0 && X < fb.cols && Y >= 0 && Y < fb.rows) {
                    fb.setCell(X, Y, (unsigned char)text[j], colour, kTextBg);
                }
            }
        }
    };
    spokes("VX26", 0.35f * t, bass * 8.0f + 11.5f, kLogo);
    spokes("67", 1.2f - 0.45f * t, treble * 10.0f + 13.0f, kNumber);
}

void expectMatchesReference(int cols, int rows, bool block, float t, const AudioFeatures& audio) {
    AsciiFramebuffer got(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    AsciiFramebuffer want(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    got.blockGlyphs = want.blockGlyphs = block;
    render(got, t, audio);
    referenceRender(want, t, audio);
    EXPECT_EQ(scene_harness::firstDifferentCell(got, want), -1) << cols << "x" << rows << " t " << t;
}

}  // namespace

TEST(JuliaBlastGrid, GridsBelowEightCellsAreLeftUntouched) {
    const Cell marker{'?', {1, 2, 3, 255}, {4, 5, 6, 255}};
    const BeatInfo beat = scene_harness::beatAt(1.0f);
    const AudioFeatures audio = scene_harness::audioLevels(0.5f, 0.5f, 0.5f, 0.5f);
    for (const auto& size : {std::pair<int, int>{7, 40}, {40, 7}, {8, 8}}) {
        AsciiFramebuffer fb(size.first, size.second, 10, 18, FramebufferBacking::CellsOnly);
        for (Cell& c : fb.cells) c = marker;
        julia_blast(fb, 1.0f, kSceneBackground, &beat, &audio);
        EXPECT_EQ(fb.at(0, 0) == marker, size.first < 8 || size.second < 8) << size.first << "x" << size.second;
    }
}

TEST(JuliaBlastCells, CornerCellEscapesAtOnceWithWorkedColours) {
    // t = 0, silence: zoom 1.08, the corner sample point lies far outside the radius, so n = 0:
    // hue 210, value 0.18, saturation 0.64; background hue 236, saturation 0.2688, value 0.0906
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 0.0f);
    EXPECT_EQ(fb.at(0, 0), (Cell{' ', {16, 31, 45, 255}, {16, 17, 23, 255}}));
}

TEST(JuliaBlastSpokes, HeadsStartInTheCentreTrailAndWrap) {
    // At t = 0 only the heads are out, in the centre cell, and the "6" of "67" overwrites the "V"
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 0.0f);
    EXPECT_EQ(fb.at(60, 21), (Cell{'6', kNumber, kTextBg}));
    EXPECT_EQ(countText(fb, 'V', kLogo), 0);
    // t = 0.1: the "VX26" head at 1.15 is below the spacing 1.25, so only the "V" is out
    render(fb, 0.1f);
    EXPECT_GT(countText(fb, 'V', kLogo), 0);
    EXPECT_EQ(countText(fb, 'X', kLogo), 0);
    // t = 0.5: head 5.75, radii 5.75, 4.5, 3.25, 2.0: all four characters are out
    render(fb, 0.5f);
    EXPECT_GT(countText(fb, '6', kLogo), 0);
    // Path length 120 + 12 = 132: at t = 11.5 the head has wrapped to 0.25 and only "V" is out
    render(fb, 11.5f);
    EXPECT_EQ(countText(fb, 'X', kLogo), 0);
    EXPECT_EQ(fb.at(60, 21), (Cell{'V', kLogo, kTextBg}));
}

TEST(JuliaBlastReference, MatchesThePlainFormulasCellForCell) {
    // Sizes up and down, both ramps, silence, scripted, loud and invalid audio; on 8 x 8 at t = 1.2
    // "VX26" lies wholly off the grid and "67" has wrapped (15.6 mod 14)
    AudioFeatures stale = scene_harness::audioLevels(0.9f, 0.8f, 0.7f, 0.6f);
    stale.valid = false;
    expectMatchesReference(120, 42, false, 0.0f, AudioFeatures{});
    expectMatchesReference(430, 150, true, 7.9f, scene_harness::scriptedAudio(7.9f));
    expectMatchesReference(61, 23, false, 4.4f, scene_harness::audioLevels(1.0f, 1.0f, 1.0f, 1.0f));
    expectMatchesReference(8, 8, true, 1.2f, stale);
    expectMatchesReference(173, 60, false, 2.35f, scene_harness::scriptedAudio(2.35f));
}

TEST(JuliaBlastDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(julia_blast);
    EXPECT_EQ(value, 3857844553213178413ull) << "actual " << value;
}
