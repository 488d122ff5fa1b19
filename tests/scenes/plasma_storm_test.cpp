#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

struct Grid {
    AsciiFramebuffer fb;
    Grid(int cols, int rows, bool blocks = false) : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {
        fb.blockGlyphs = blocks;
    }
    void render(float t, const AudioFeatures& audio) {
        fb.clear(kSceneBackground);
        const BeatInfo beat = scene_harness::beatAt(t);
        plasma_storm(fb, t, kSceneBackground, &beat, &audio);
    }
};

AudioFeatures levels(float bass, float mid, float treble, float beat) {
    return scene_harness::audioLevels(bass, mid, treble, beat);
}

// The plasma written out cell by cell, as plainly as the formulas read
Cell referenceCell(int cols, int rows, bool blocks, float t, const AudioFeatures& audio, int x, int y) {
    const bool valid = audio.valid;
    const float mid = valid ? audio.mid : 0.0f, treble = valid ? audio.treble : 0.0f;
    const float drive = valid ? clamp(audio.bass * 0.95f + audio.beat * 0.8f, 0.0f, 1.25f) : 0.0f;
    const float twist = drive * 0.55f + 0.22f + mid * 0.25f;
    const float hueBase = (mid * 55.0f + 28.0f + treble * 24.0f) * t;
    const float f0 = mid * 3.2f + 3.0f, f1 = treble * 6.0f + 3.4f, f2 = treble * 2.6f + 2.5f, f3 = mid * 2.8f + 3.3f;
    const float p1 = (mid * 2.2f + 0.9f + drive * 0.9f) * t, p2 = (treble * 2.8f + 1.0f) * t;
    const float p3 = (mid * 2.1f + 1.5f) * t, p4 = (drive * 2.8f + 1.8f) * t, p5 = (treble * 1.9f + 0.8f) * t;
    const float shear = treble * 0.08f + 0.03f;
    const float sat = clamp(treble * 0.22f + 0.66f, 0.0f, 1.0f);

    const float u = 2.0f * ((float)x / (float)(cols - 1) - 0.5f);
    const float v = 2.0f * ((float)y / (float)(rows - 1) - 0.5f);
    const float r = sqrtf(u * u + v * v) + 0.000001f;
    const float th = sinf(f0 * r - p1) * twist + atan2f(v, u) + cosf((u - v) * 1.8f + p2) * shear;
    const float px = cosf(th) * r, py = sinf(th) * r;
    const float s1 = sinf((px + py) * f2 - p4) * 0.34f;
    const float s2 = sinf(px * f1 + p3) * 0.42f;
    const float s3 = cosf((px * 0.55f - py * 0.82f) * f3 + p5) * 0.24f;
    const float c = clamp((s1 + s2 + s3) * 0.5f + 0.5f, 0.0f, 1.0f);
    const float h = fmodf(c * 110.0f + hueBase + (drive * 35.0f + 60.0f) * r, 360.0f);
    Cell cell;
    cell.codepoint = rampGlyph(blocks ? RampStyle::Block : RampStyle::Dense, powf(c, 1.15f));
    cell.fg = ColorFromHSV(h, sat, clamp((drive * 0.16f + 0.52f) * c + 0.32f, 0.0f, 1.0f));
    cell.bg = ColorFromHSV(fmodf(h + 28.0f, 360.0f), sat * 0.45f, clamp((mid * 0.08f + 0.12f) * c + 0.05f, 0.0f, 1.0f));
    return cell;
}

}  // namespace

TEST(PlasmaStormCells, SilentWorkedValuesAtTimeZero) {
    Grid g(120, 42);
    g.render(0.0f, AudioFeatures{});
    // Corner (0, 0): c = 0.9318, powf(c, 1.15) * 22 = 20.3 -> "B"; hue 102.5 + 60 * sqrt(2) = 187.3
    // (cyan: red lowest, blue at the value 0.52 * c + 0.32 = 0.8045)
    EXPECT_EQ(g.fb.at(0, 0).codepoint, (uint32_t)'B');
    EXPECT_EQ(g.fb.at(0, 0).fg, (Color{69, 188, 205, 255}));
    // Background: hue 215.3, saturation 0.297, value 0.12 * c + 0.05 = 0.1618
    EXPECT_EQ(g.fb.at(0, 0).bg, (Color{29, 34, 41, 255}));
    // Opposite corner (119, 41): c = 0.306 -> index 5, "i"
    EXPECT_EQ(g.fb.at(119, 41).codepoint, (uint32_t)'i');
    // With the block glyphs the same brightness picks index 3 of " ░▒▓█"
    Grid blocks(120, 42, true);
    blocks.render(0.0f, AudioFeatures{});
    EXPECT_EQ(blocks.fb.at(0, 0).codepoint, 0x2593u);
    EXPECT_EQ(blocks.fb.at(0, 0).fg, g.fb.at(0, 0).fg);
    EXPECT_EQ(blocks.fb.at(119, 41).codepoint, 0x2591u);
}

TEST(PlasmaStormCells, CentreOfAnOddGridIsWellDefined) {
    // u = v = 0: angle atan2f(0, 0) = 0, radius 1e-6. At t = 0 in silence only s3 = 0.24 survives:
    // c = 0.62, powf(0.62, 1.15) * 22 = 12.7 -> "3"; hue 68.2 (yellow-green), value 0.6424
    Grid g(121, 43);
    g.render(0.0f, AudioFeatures{});
    const Cell& centre = g.fb.at(60, 21);
    EXPECT_EQ(centre.codepoint, (uint32_t)'3');
    EXPECT_EQ(centre.fg, (Color{149, 163, 55, 255}));
}

TEST(PlasmaStormCells, GridsBelowEightByEightAreLeftUntouched) {
    const Cell marker{'?', {1, 2, 3, 4}, {5, 6, 7, 8}};
    const int sizes[][2] = {{7, 40}, {40, 7}, {1, 1}, {0, 0}};
    for (const auto& size : sizes) {
        AsciiFramebuffer fb(size[0], size[1], 10, 18, FramebufferBacking::CellsOnly);
        for (Cell& c : fb.cells) c = marker;
        const AudioFeatures audio = scene_harness::scriptedAudio(0.5f);
        plasma_storm(fb, 0.5f, kSceneBackground, nullptr, &audio);
        for (const Cell& c : fb.cells) EXPECT_EQ(c, marker) << size[0] << " x " << size[1];
    }
    // 8 x 8 is drawn
    Grid g(8, 8);
    for (Cell& c : g.fb.cells) c = marker;
    g.render(0.5f, AudioFeatures{});
    EXPECT_NE(g.fb.at(0, 0), marker);
}

TEST(PlasmaStormAudio, InvalidAudioIsSilentWhateverItsFields) {
    AudioFeatures noisy = levels(0.9f, 0.8f, 0.7f, 1.0f);
    noisy.valid = false;
    Grid quiet(120, 42), loud(120, 42);
    for (float t : {0.0f, 1.3f}) {
        quiet.render(t, AudioFeatures{});
        loud.render(t, noisy);
        EXPECT_EQ(scene_harness::hashCells(quiet.fb), scene_harness::hashCells(loud.fb));
    }
}

TEST(PlasmaStormAudio, DriveSaturatesAtOnePointTwoFive) {
    // bass and beat act only through drive; once it is clamped, louder gives the same frame
    Grid a(120, 42), b(120, 42), c(120, 42);
    a.render(2.0f, levels(1.0f, 0.4f, 0.6f, 1.0f));   // 0.95 + 0.8 -> 1.25
    b.render(2.0f, levels(3.0f, 0.4f, 0.6f, 2.0f));
    c.render(2.0f, levels(0.5f, 0.4f, 0.6f, 0.5f));   // 0.875: below the clamp
    EXPECT_EQ(scene_harness::hashCells(a.fb), scene_harness::hashCells(b.fb));
    EXPECT_NE(scene_harness::hashCells(a.fb), scene_harness::hashCells(c.fb));
}

TEST(PlasmaStormAudio, MatchesThePlainFormulasCellForCell) {
    struct Case {
        int cols, rows;
        bool blocks;
        float t;
        AudioFeatures audio;
    };
    std::vector<Case> cases = {
        {120, 42, false, 0.0f, AudioFeatures{}},
        {120, 50, false, 0.1f, AudioFeatures{}},  // same width, other height: polar forms rebuilt
        {173, 60, true, 3.7f, scene_harness::scriptedAudio(3.7f)},
        {121, 43, false, 12.25f, levels(2.0f, 1.0f, 1.0f, 1.0f)},
        {430, 150, false, 41.0f, scene_harness::scriptedAudio(41.0f)},
        {8, 8, true, 0.5f, levels(0.1f, 0.2f, 0.3f, 0.4f)},
    };
    // A stretch of music, so hues, levels and phases sweep widely
    for (int i = 0; i < 24; i++) {
        const float t = 0.37f * (float)i;
        cases.push_back({173, 60, i % 2 == 1, t, scene_harness::scriptedAudio(t)});
    }
    for (const Case& k : cases) {
        Grid g(k.cols, k.rows, k.blocks);
        g.render(k.t, k.audio);
        int mismatches = 0;
        for (int y = 0; y < k.rows; y++) {
            for (int x = 0; x < k.cols; x++) {
                const Cell expected = referenceCell(k.cols, k.rows, k.blocks, k.t, k.audio, x, y);
                if (g.fb.at(x, y) != expected && mismatches++ < 5) {
                    ADD_FAILURE() << k.cols << "x" << k.rows << " t " << k.t << " cell " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(PlasmaStormDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(plasma_storm);
    EXPECT_EQ(value, 6586205506242996261ull) << "actual " << value;
}
