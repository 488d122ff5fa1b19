#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "math/hsv_color.h"
#include "math/show_math.h"
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

using scene_harness::SceneGrid;

// The plasma written out cell by cell, as plainly as the formulas read
Cell referenceCell(const AsciiFramebuffer& fb, float t, const AudioFeatures& audio, int x, int y) {
    const float mid = audio.valid ? audio.mid : 0.0f, treble = audio.valid ? audio.treble : 0.0f;
    const float drive = audio.valid ? clamp(audio.bass * 0.95f + audio.beat * 0.8f, 0.0f, 1.25f) : 0.0f;
    const float u = 2.0f * ((float)x / (float)(fb.cols - 1) - 0.5f);
    const float v = 2.0f * ((float)y / (float)(fb.rows - 1) - 0.5f);
    const float r = sqrtf(u * u + v * v) + 0.000001f;
    const float twist = drive * 0.55f + 0.22f + mid * 0.25f;
    const float th = showSin((mid * 3.2f + 3.0f) * r - (mid * 2.2f + 0.9f + drive * 0.9f) * t) * twist + showAtan2(v, u) +
                     showCos((u - v) * 1.8f + (treble * 2.8f + 1.0f) * t) * (treble * 0.08f + 0.03f);
    const float px = showCos(th) * r, py = showSin(th) * r;
    const float s1 = showSin((px + py) * (treble * 2.6f + 2.5f) - (drive * 2.8f + 1.8f) * t) * 0.34f;
    const float s2 = showSin(px * (treble * 6.0f + 3.4f) + (mid * 2.1f + 1.5f) * t) * 0.42f;
    const float s3 = showCos((px * 0.55f - py * 0.82f) * (mid * 2.8f + 3.3f) + (treble * 1.9f + 0.8f) * t) * 0.24f;
    const float c = clamp((s1 + s2 + s3) * 0.5f + 0.5f, 0.0f, 1.0f);
    const float hueBase = (mid * 55.0f + 28.0f + treble * 24.0f) * t;
    const float h = fmodf(c * 110.0f + hueBase + (drive * 35.0f + 60.0f) * r, 360.0f);
    const float sat = clamp(treble * 0.22f + 0.66f, 0.0f, 1.0f);
    const float bgValue = clamp((mid * 0.08f + 0.12f) * c + 0.05f, 0.0f, 1.0f);
    return Cell{rampGlyph(fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense, showPow(c, 1.15f)),
                showColorFromHsv(h, sat, clamp((drive * 0.16f + 0.52f) * c + 0.32f, 0.0f, 1.0f)),
                showColorFromHsv(fmodf(h + 28.0f, 360.0f), sat * 0.45f, bgValue)};
}

}  // namespace

TEST(PlasmaStormCells, SilentWorkedValuesAtTimeZero) {
    SceneGrid g(plasma_storm, 120, 42), blocks(plasma_storm, 120, 42, true), odd(plasma_storm, 121, 43);
    g.render(0.0f);
    // Corner (0, 0): c = 0.9318, showPow(c, 1.15) * 22 = 20.3 -> "B"; hue 102.5 + 60 * sqrt(2) = 187.3 (cyan)
    // at value 0.52 * c + 0.32 = 0.8045; background hue 215.3, saturation 0.297, value 0.12 * c + 0.05
    EXPECT_EQ(g.fb.at(0, 0), (Cell{'B', {69, 188, 205, 255}, {29, 34, 41, 255}}));
    // Opposite corner (119, 41): c = 0.306 -> index 5, "i"
    EXPECT_EQ(g.fb.at(119, 41).codepoint, (uint32_t)'i');
    // With the block glyphs the same brightness picks index 3 of " ░▒▓█"
    blocks.render(0.0f);
    EXPECT_EQ(blocks.fb.at(0, 0).codepoint, 0x2593u);
    EXPECT_EQ(blocks.fb.at(119, 41).codepoint, 0x2591u);
    // Centre of an odd grid: u = v = 0, angle showAtan2(0, 0) = 0, radius 1e-6; only s3 = 0.24 survives:
    // c = 0.62, showPow(0.62, 1.15) * 22 = 12.7 -> "3"; hue 68.2 (yellow-green), value 0.6424
    odd.render(0.0f);
    EXPECT_EQ(odd.fb.at(60, 21).codepoint, (uint32_t)'3');
    EXPECT_EQ(odd.fb.at(60, 21).fg, (Color{149, 163, 55, 255}));
}

TEST(PlasmaStormCells, GridsBelowEightByEightAreLeftUntouched) {
    const Cell marker{'?', {1, 2, 3, 4}, {5, 6, 7, 8}};
    const AudioFeatures audio = scene_harness::scriptedAudio(0.5f);
    for (const auto& [cols, rows] : {std::pair<int, int>{7, 40}, {40, 7}, {0, 0}, {8, 8}}) {
        SceneGrid g(plasma_storm, cols, rows);
        for (Cell& c : g.fb.cells) c = marker;
        plasma_storm(g.fb, 0.5f, kSceneBackground, nullptr, &audio);
        EXPECT_EQ(scene_harness::allCellsAre(g.fb, marker), cols < 8 || rows < 8) << cols << " x " << rows;
    }
}

TEST(PlasmaStormReference, MatchesThePlainFormulasCellForCell) {
    AudioFeatures invalid = scene_harness::audioLevels(0.9f, 0.8f, 0.7f, 1.0f);
    invalid.valid = false;
    struct Case {
        int cols, rows;
        bool blocks;
        float t;
        AudioFeatures audio;
    } cases[] = {
        {120, 42, false, 0.0f, AudioFeatures{}},
        {120, 50, true, 0.1f, invalid},  // Same width, other height: the polar forms must be rebuilt
        {173, 60, true, 3.7f, scene_harness::scriptedAudio(3.7f)},
        {121, 43, false, 12.25f, scene_harness::audioLevels(2.0f, 1.0f, 1.0f, 1.0f)},  // drive clamped to 1.25
        {430, 150, false, 41.0f, scene_harness::scriptedAudio(41.0f)},                  // hues wrap many times
        {8, 8, true, 0.5f, scene_harness::audioLevels(0.1f, 0.2f, 0.3f, 0.4f)},
    };
    for (const Case& k : cases) {
        SceneGrid g(plasma_storm, k.cols, k.rows, k.blocks);
        g.render(k.t, k.audio);
        int mismatches = 0;
        for (int y = 0; y < k.rows; y++)
            for (int x = 0; x < k.cols; x++) mismatches += g.fb.at(x, y) != referenceCell(g.fb, k.t, k.audio, x, y);
        EXPECT_EQ(mismatches, 0) << k.cols << " x " << k.rows << " at " << k.t;
    }
}

TEST(PlasmaStormDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(plasma_storm);
    EXPECT_EQ(value, 9217278245927420802ull) << "actual " << value;
}
