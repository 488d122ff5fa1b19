#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "math/show_math.h"
#include "scenes/goo_bounce.h"
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

using scene_harness::SceneGrid;
using Balls = GooBall[kGooBallCount];

// The scene's state outlives a test: a frame far ahead, then one at t = 0, restarts it from the table
void restartScene() { SceneGrid(goo_bounce, 10, 10).freshStart(0.0f); }

// All five balls equal, bit for bit
bool sameBalls(const GooBall* a, const GooBall* b) { return std::memcmp(a, b, sizeof(GooBall) * kGooBallCount) == 0; }

// Balls far apart with small radii, so no pair is close enough to push
void spreadOut(Balls& balls) {
    const float spots[kGooBallCount][2] = {{-0.8f, -0.8f}, {0.8f, -0.8f}, {-0.8f, 0.8f}, {0.8f, 0.8f}, {0.0f, 0.8f}};
    for (int i = 0; i < kGooBallCount; i++) balls[i] = GooBall{spots[i][0], spots[i][1], 0.0f, 0.0f, 0.2f, 0.5f};
}

// One cell written out plainly from the balls the frame was drawn with
Cell referenceCell(const AsciiFramebuffer& fb, float t, const AudioFeatures& audio, int x, int y) {
    const float drive = audio.valid ? clamp(audio.beat * 0.95f + audio.bass, 0.0f, 1.35f) : 0.0f;
    const float mid = audio.valid ? audio.mid : 0.0f, treble = audio.valid ? audio.treble : 0.0f;
    const float px = 2.0f * ((float)x / (float)(fb.cols - 1) - 0.5f);
    const float py = 2.0f * ((float)y / (float)(fb.rows - 1) - 0.5f);
    const float X = px + showSin((mid * 3.0f + 3.8f) * py + (mid * 2.4f + 2.0f) * t) * (mid * 0.1f + 0.09f);
    const float Y = py + showSin((treble * 4.5f + 4.6f) * px - (treble * 5.0f + 2.2f) * t) * (treble * 0.08f + 0.08f);
    float sum = 0.0f, weighted = 0.0f, peak = 0.0f;
    for (int k = 0; k < kGooBallCount; k++) {
        const GooBall& b = gooBalls()[k];
        const float f = b.r * b.r / ((X - b.x) * (X - b.x) + (Y - b.y) * (Y - b.y) + 0.001f);
        sum += f, weighted += f * b.w, peak = std::max(peak, f);
    }
    const float F = sum + showSin((X + Y) * (treble * 6 + 7.5f) + (treble * 11 + 8) * t) * (treble * 0.06f + 0.02f);
    const float rim = clamp((F - 0.88f) / 0.24f, 0.0f, 1.0f), body = clamp((F - 1.0f) / 1.45f, 0.0f, 1.0f);
    const float m = sum > 0.001f ? clamp(weighted / sum, 0.0f, 1.0f) : 0.5f;
    const int r0 = (int)(40 * (1 - m) + 255 * m), g0 = (int)(170 * (1 - m) + 120 * m);
    const int b0 = (int)(255 * (1 - m) + 40 * m);
    const float bright = rim * 0.72f + 0.36f + drive * 0.18f;
    auto byte = [](float v) { return (unsigned char)clamp((float)(int)v, 0.0f, 255.0f); };
    return Cell{rampGlyph(fb.blockGlyphs ? RampStyle::Block : RampStyle::Dense, showPow(body, 0.74f)),
                {byte(r0 * bright), byte(g0 * bright), byte(b0 * bright), 255},
                {byte(r0 * 0.11f * body + 8 + peak * 0.8f), byte(g0 * 0.11f * body + 9), byte(b0 * 0.13f * body + 12),
                 255}};
}

}  // namespace

TEST(GooBounceSimulation, FreshStartsDrawTheTableAndLongGapsMoveOneClampedStep) {
    SceneGrid g(goo_bounce, 120, 42);
    g.freshStart(3.0f);
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "dt is 0 on a fresh start, at any time";
    g.render(4.0f);
    Balls afterGap;
    std::copy(gooBalls(), gooBalls() + kGooBallCount, afterGap);
    g.render(0.0f);
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "time ran backwards: fresh start, no motion";
    g.render(0.12f);
    EXPECT_TRUE(sameBalls(gooBalls(), afterGap)) << "1 s moves the balls as far as 0.12 s";
    g.render(0.11f);
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "a short step back restarts too";
    g.render(0.22f);  // About 0.11 s
    EXPECT_FALSE(sameBalls(gooBalls(), afterGap));
}

TEST(GooBounceSimulation, WallsPutBallsBackAndRadiiApproachTheirTargets) {
    Balls balls;
    spreadOut(balls);
    balls[1] = GooBall{1.07f, 0.0f, 2.0f, 0.0f, 0.2f, 0.5f};
    balls[2] = GooBall{-0.5f, -1.05f, 0.0f, -3.0f, 0.2f, 0.5f};
    stepGooBalls(balls, 0.1f, 0.0f, 0.0f, 0.0f);
    // vx' = 2 - 0.18 * 1.07 * 0.1 = 1.98074, damped by e^-0.28 = 0.755784 to 1.49701: past the wall
    EXPECT_EQ(balls[1].x, 1.08f);
    EXPECT_NEAR(balls[1].vx, -0.88f * 1.49701f, 2e-5f);
    // vy' = -3 + (0.1 * -0.5 + 0.18 * 1.05) * 0.1 = -2.98610, damped to -2.25685: past the top wall
    EXPECT_EQ(balls[2].y, -1.08f);
    EXPECT_NEAR(balls[2].vy, 0.88f * 2.25685f, 2e-5f);
    // Silent radius targets 0.26, 0.31, 0.36, 0.26, 0.31, approached at the rate 4.5 * dt
    const float targets[kGooBallCount] = {0.26f, 0.31f, 0.36f, 0.26f, 0.31f};
    for (int i = 0; i < kGooBallCount; i++) EXPECT_FLOAT_EQ(balls[i].r, 0.2f + (targets[i] - 0.2f) * 0.45f) << i;
}

TEST(GooBounceSimulation, BeatRiseKicksOutwardsLaterBallsHarder) {
    Balls calm, kicked, barely;
    for (Balls* b : {&calm, &kicked, &barely}) spreadOut(*b);
    stepGooBalls(calm, 0.01f, 0.0f, 0.0f, 0.0f);
    stepGooBalls(kicked, 0.01f, 0.5f, 0.0f, 0.0f);
    stepGooBalls(barely, 0.01f, 0.001f, 0.0f, 0.0f);
    EXPECT_TRUE(sameBalls(barely, calm)) << "a rise of 0.001 is no beat";
    for (int i = 0; i < kGooBallCount; i++) {
        const float dvx = kicked[i].vx - calm[i].vx, dvy = kicked[i].vy - calm[i].vy;
        // s = rise * kick * (0.5 + 0.2 i) with kick 0.8 in silence, damped by e^(-2.8 * 0.01)
        EXPECT_NEAR(sqrtf(dvx * dvx + dvy * dvy), 0.5f * 0.8f * (0.5f + 0.2f * (float)i) * 0.972388f, 1e-5f) << i;
        EXPECT_GT(dvx * calm[i].x + dvy * calm[i].y, 0.0f) << "ball " << i << " is thrown outwards";
    }
}

TEST(GooBounceSimulation, OverlappingBallsPushApartSymmetrically) {
    Balls balls;
    spreadOut(balls);
    balls[0] = GooBall{-0.05f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    balls[4] = GooBall{0.05f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    stepGooBalls(balls, 0.05f, 0.0f, 0.0f, 0.0f);
    // Radii 0.291 and 0.30225 after the step: reach 0.367815; distance 0.0999659 after the move;
    // push (0.367815 - 0.0999659) * 1.8 * 0.05 = 0.0241064 against the spring's 0.000391211
    EXPECT_NEAR(balls[0].vx, 0.000391211f - 0.0241052f, 3e-6f);
    EXPECT_EQ(balls[0].vx, -balls[4].vx);
    EXPECT_EQ(balls[0].vy, -balls[4].vy);
    EXPECT_EQ(balls[0].x, -balls[4].x);
    EXPECT_LT(balls[0].x, -0.049f) << "separation moves velocities only";
}

TEST(GooBounceGrid, GridsBelowTenAreLeftUntouched) {
    restartScene();
    const Cell marker{'?', {1, 2, 3, 4}, {5, 6, 7, 8}};
    const AudioFeatures audio = scene_harness::scriptedAudio(0.5f);
    for (const auto& [cols, rows] : {std::pair<int, int>{9, 40}, {40, 9}, {10, 10}}) {
        SceneGrid g(goo_bounce, cols, rows);
        for (Cell& c : g.fb.cells) c = marker;
        goo_bounce(g.fb, 0.5f, kSceneBackground, nullptr, &audio);
        const bool small = cols < 10 || rows < 10;
        EXPECT_EQ(scene_harness::allCellsAre(g.fb, marker), small) << cols << " x " << rows;
        EXPECT_EQ(sameBalls(gooBalls(), gooInitialBalls), small) << "only a drawn frame moves the balls";
    }
}

TEST(GooBounceDrawing, CellOnTheBallCentres) {
    // At t = 0 in silence the centre cell of a 121 x 43 grid samples the field at (0, 0) exactly
    SceneGrid g(goo_bounce, 121, 43);
    restartScene();
    for (int i = 0; i < kGooBallCount; i++) {
        gooBalls()[i] = GooBall{0, 0, 0, 0, gooInitialBalls[i].r, gooInitialBalls[i].w};
    }
    g.render(0.0f);  // dt 0: drawn where they were placed
    // f = r^2 / 0.001: 193.6, 160, 108.9, 84.1, 129.6; sum 676.2, weighted 299.775, m = 0.4433
    // base (135, 147, 159); rim 1, so bright 1.08; background red 135 * 0.11 + 8 + 0.8 * 193.6
    EXPECT_EQ(g.fb.at(60, 21), (Cell{'@', {145, 158, 171, 255}, {177, 25, 32, 255}}));
    // Far from every ball the field is weak: a space on the unlit background
    EXPECT_EQ(g.fb.at(0, 0).codepoint, 32u);
    EXPECT_EQ(g.fb.at(0, 0).bg.g, 9);
}

TEST(GooBounceDrawing, MatchesThePlainFormulasCellForCell) {
    // Two sizes, block glyphs on the larger; music, then the same fields marked invalid, then silence
    SceneGrid small(goo_bounce, 120, 42), large(goo_bounce, 173, 60, true);
    restartScene();
    for (int frame = 0; frame < 40; frame++) {
        const float t = (float)frame * 0.05f;
        AudioFeatures audio = frame < 30 ? scene_harness::scriptedAudio(t) : AudioFeatures{};
        audio.valid = audio.valid && frame < 25;
        SceneGrid& g = (frame / 10) % 2 == 0 ? small : large;
        g.render(t, audio);
        int mismatches = 0;
        for (int y = 0; y < g.fb.rows; y++)
            for (int x = 0; x < g.fb.cols; x++) mismatches += g.fb.at(x, y) != referenceCell(g.fb, t, audio, x, y);
        EXPECT_EQ(mismatches, 0) << "frame " << frame;
    }
}

TEST(GooBounceDeterminism, StoredHash) {
    restartScene();
    const uint64_t value = scene_harness::determinismHash(goo_bounce);
    EXPECT_EQ(value, 18154839172998443580ull) << "actual " << value;
}
