#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "math/hsv_color.h"
#include "math/show_math.h"
#include "scene_harness.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "scenes/starfield_warp.h"

namespace {

constexpr Color kStarBg = {8, 10, 15, 255};

void render(AsciiFramebuffer& fb, float t, float beatPos, const AudioFeatures& audio = AudioFeatures{}) {
    BeatInfo beat = {};
    beat.beatPos = beatPos;
    fb.clear(kSceneBackground);
    starfield_warp(fb, t, kSceneBackground, &beat, &audio);
}

// The frame written out from the formulas: the gradient from (12, 21, 44) on the top row to
// (4, 7, 14) on the bottom one, then star by star, later over earlier
void referenceRender(AsciiFramebuffer& fb, float t, float beatPos, const AudioFeatures& a) {
    const float bass = a.valid ? a.bass : 0.0f, mid = a.valid ? a.mid : 0.0f;
    const float treble = a.valid ? a.treble : 0.0f, beat = a.valid ? a.beat : 0.0f;
    const float warp = 1.0f + 0.85f * beat + 0.55f * bass;
    const float sway = showSin(0.04f * beatPos + 0.23f * t) * (0.22f * mid + 0.18f);
    const float twinklePhase = ((0.75f * beat + 0.25f + 0.35f * treble) * 2.4f + 3.2f) * t;
    const float down[] = {1.8f, 4.0f, 7.8f}, side[] = {0.18f, 0.45f, 0.95f}, bright[] = {0.62f, 0.8f, 1.0f};
    const bool b = fb.blockGlyphs;
    const uint32_t glyphs[] = {b ? 0x2591u : '.', b ? 0x2592u : '*', b ? 0x2593u : '#'};
    for (int y = 0; y < fb.rows; ++y) {
        const float f = 1.0f - (float)y / (float)std::max(fb.rows - 1, 1);
        const Color bg = {(unsigned char)(int)(8.0f * f + 4.0f), (unsigned char)(int)(14.0f * f + 7.0f),
                          (unsigned char)(int)(30.0f * f + 14.0f), 255};
        for (int x = 0; x < fb.cols; ++x) fb.setCell(x, y, ' ', {0, 0, 0, 255}, bg);
    }
    for (int L = 0; L < kStarLayers; ++L) {
        for (int i = 0; i < starLayerSize(L, fb.cols, fb.rows); ++i) {
            const Star s = makeStar(L, (uint32_t)i, fb.cols, fb.rows);
            float x = fmodf(s.x + warp * side[L] * t + (float)(L + 1) * sway, (float)fb.cols);
            float y = fmodf(s.y + warp * down[L] * t, (float)fb.rows);
            if (x < 0.0f) x += (float)fb.cols;
            if (y < 0.0f) y += (float)fb.rows;
            const int X = (int)floorf(x), Y = (int)floorf(y);
            if (X < 0 || X >= fb.cols || Y < 0 || Y >= fb.rows) continue;
            const float v = (0.7f + 0.3f * (0.6f + 0.4f * showSin(11.0f * s.z + twinklePhase))) * bright[L];
            const Color c =
                showColorFromHsv(208.0f + 12.0f * (float)L + 16.0f * beat, 0.2f + 0.1f * (float)L, clamp(v, 0.0f, 1.0f));
            fb.setCell(X, Y, glyphs[L], c, kStarBg);
            const Color trail = {(unsigned char)(int)(c.r * 0.6f), (unsigned char)(int)(c.g * 0.6f),
                                 (unsigned char)(int)(c.b * 0.65f), 255};
            if (L == 2 && X >= 1) fb.setCell(X - 1, Y, glyphs[1], trail, kStarBg);
        }
    }
}

void expectMatchesReference(int cols, int rows, bool blocks, float t, float beatPos, const AudioFeatures& audio) {
    AsciiFramebuffer got(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    AsciiFramebuffer want(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    got.blockGlyphs = want.blockGlyphs = blocks;
    render(got, t, beatPos, audio);
    referenceRender(want, t, beatPos, audio);
    EXPECT_EQ(scene_harness::firstDifferentCell(got, want), -1) << cols << "x" << rows << " t " << t;
}

}  // namespace

TEST(StarfieldWarpStars, LayerSizesAndKeysFollowTheGrid) {
    EXPECT_EQ(starLayerSize(0, 40, 20), 120);
    EXPECT_EQ(starLayerSize(1, 40, 20), 80);
    EXPECT_EQ(starLayerSize(2, 40, 20), 60);
    EXPECT_EQ(starLayerSize(0, 120, 42), 252);
    EXPECT_EQ(starLayerSize(1, 120, 42), 168);
    EXPECT_EQ(starLayerSize(2, 120, 42), 126);
    EXPECT_EQ(starLayerSize(0, 59, 41), 120);  // 2419 cells still round down to the minimum
    // Star 2 of layer 1: key 100000 + 17 + 2·0x9E3779B1, wrapped to 32 bits
    const uint32_t key = 100017u + 2u * 0x9E3779B1u;
    const Star s = makeStar(1, 2, 120, 42);
    EXPECT_EQ(s.x, unit(key) * 120.0f);
    EXPECT_EQ(s.y, unit(key ^ 0x9E3779B9u) * 42.0f);
    EXPECT_EQ(s.z, unit(key ^ 0x7F4A7C15u));
}

TEST(StarfieldWarpFrame, MatchesThePlainFormulasCellForCell) {
    // Sizes change between frames (once in width alone), so the field is regenerated each time;
    // both glyph sets, silence, loud, invalid and scripted audio, and times that wrap every layer
    AudioFeatures stale = scene_harness::audioLevels(0.6f, 0.5f, 0.8f, 0.75f);
    stale.valid = false;
    expectMatchesReference(120, 42, false, 0.0f, 0.0f, AudioFeatures{});
    expectMatchesReference(40, 20, false, 2.5f, 7.0f, scene_harness::audioLevels(0.6f, 0.5f, 0.8f, 0.75f));
    expectMatchesReference(173, 60, true, 9.75f, 30.0f, scene_harness::scriptedAudio(9.75f));
    expectMatchesReference(120, 42, true, 31.0f, 64.5f, stale);
    expectMatchesReference(100, 42, false, 31.0f, 64.5f, scene_harness::audioLevels(1.0f, 1.0f, 1.0f, 1.0f));
    expectMatchesReference(20, 12, false, 1.0f, 0.0f, AudioFeatures{});
}

TEST(StarfieldWarpFrame, NearStarInColumnZeroHasNoTrail) {
    // The last near star, drawn last, just past the right edge with the sway held at zero
    const Star s = makeStar(2, (uint32_t)starLayerSize(2, 120, 42) - 1, 120, 42);
    const float t = (120.5f - s.x) / 0.95f, beatPos = -0.23f * t / 0.04f;
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, t, beatPos);
    const int y = (int)fmodf(s.y + 7.8f * t, 42.0f);
    ASSERT_EQ(fb.at(0, y).codepoint, (uint32_t)'#');
    expectMatchesReference(120, 42, false, t, beatPos, AudioFeatures{});
}

TEST(StarfieldWarpFrame, GridsBelowTheMinimumAreLeftUntouched) {
    const Cell marker = {'?', {1, 2, 3, 255}, {4, 5, 6, 255}};
    for (const auto& size : {std::pair<int, int>{19, 20}, {20, 11}}) {
        AsciiFramebuffer fb(size.first, size.second, 10, 18, FramebufferBacking::CellsOnly);
        for (Cell& c : fb.cells) c = marker;
        const BeatInfo beat = {};
        const AudioFeatures audio = scene_harness::scriptedAudio(1.0f);
        starfield_warp(fb, 1.0f, kSceneBackground, &beat, &audio);
        for (const Cell& c : fb.cells) ASSERT_EQ(c, marker);
    }
}

TEST(StarfieldWarpFrame, Deterministic) {
    const uint64_t value = scene_harness::determinismHash(starfield_warp);
    EXPECT_EQ(value, 9627653386732769129ull) << "actual " << value;
}
