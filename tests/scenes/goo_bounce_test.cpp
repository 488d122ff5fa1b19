#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenes/goo_bounce.h"
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
    void render(float t, const AudioFeatures& audio = AudioFeatures{}) {
        fb.clear(kSceneBackground);
        const BeatInfo beat = scene_harness::beatAt(t);
        goo_bounce(fb, t, kSceneBackground, &beat, &audio);
    }
};

using Balls = GooBall[kGooBallCount];

// The scene's state outlives a test: a frame far ahead and then one at t = 0 restarts it from the
// table, whatever an earlier test left behind
void restartScene() {
    Grid g(10, 10);
    g.render(1.0e6f);
    g.render(0.0f);
}

bool sameBall(const GooBall& a, const GooBall& b) {
    return a.x == b.x && a.y == b.y && a.vx == b.vx && a.vy == b.vy && a.r == b.r && a.w == b.w;
}

bool sameBalls(const GooBall* a, const GooBall* b) {
    for (int i = 0; i < kGooBallCount; i++) {
        if (!sameBall(a[i], b[i])) return false;
    }
    return true;
}

// Balls far apart with small radii, so no pair is close enough to push
void spreadOut(Balls& balls) {
    const float spots[kGooBallCount][2] = {{-0.8f, -0.8f}, {0.8f, -0.8f}, {-0.8f, 0.8f}, {0.8f, 0.8f}, {0.0f, 0.8f}};
    for (int i = 0; i < kGooBallCount; i++) balls[i] = GooBall{spots[i][0], spots[i][1], 0.0f, 0.0f, 0.2f, 0.5f};
}

// One cell written out plainly from the balls the frame was drawn with
Cell referenceCell(const GooBall* balls, int cols, int rows, bool blocks, float t, const AudioFeatures& audio, int x,
                   int y) {
    const bool valid = audio.valid;
    const float drive = valid ? clamp(audio.beat * 0.95f + audio.bass, 0.0f, 1.35f) : 0.0f;
    const float mid = valid ? audio.mid : 0.0f, treble = valid ? audio.treble : 0.0f;
    const float px = 2.0f * ((float)x / (float)(cols - 1) - 0.5f);
    const float py = 2.0f * ((float)y / (float)(rows - 1) - 0.5f);
    const float X = px + sinf((mid * 3.0f + 3.8f) * py + (mid * 2.4f + 2.0f) * t) * (mid * 0.1f + 0.09f);
    const float Y = py + sinf((treble * 4.5f + 4.6f) * px - (treble * 5.0f + 2.2f) * t) * (treble * 0.08f + 0.08f);
    float sum = 0.0f, weighted = 0.0f, peak = 0.0f;
    for (int k = 0; k < kGooBallCount; k++) {
        const GooBall& b = balls[k];
        const float f = b.r * b.r / ((X - b.x) * (X - b.x) + (Y - b.y) * (Y - b.y) + 0.001f);
        sum += f;
        weighted += f * b.w;
        peak = f > peak ? f : peak;
    }
    const float F = sum + sinf((X + Y) * (treble * 6.0f + 7.5f) + (treble * 11.0f + 8.0f) * t) * (treble * 0.06f + 0.02f);
    const float rim = clamp((F - 0.88f) / 0.24f, 0.0f, 1.0f);
    const float body = clamp((F - 1.0f) / 1.45f, 0.0f, 1.0f);
    const float m = sum > 0.001f ? clamp(weighted / sum, 0.0f, 1.0f) : 0.5f;
    const int r0 = (int)(40.0f * (1.0f - m) + 255.0f * m);
    const int g0 = (int)(170.0f * (1.0f - m) + 120.0f * m);
    const int b0 = (int)(255.0f * (1.0f - m) + 40.0f * m);
    const float bright = rim * 0.72f + 0.36f + drive * 0.18f;
    auto byte = [](float v) { const int i = (int)v; return (unsigned char)(i < 0 ? 0 : (i > 255 ? 255 : i)); };
    Cell c;
    c.codepoint = rampGlyph(blocks ? RampStyle::Block : RampStyle::Dense, powf(body, 0.74f));
    c.fg = {byte((float)r0 * bright), byte((float)g0 * bright), byte((float)b0 * bright), 255};
    c.bg = {byte((float)r0 * 0.11f * body + 8.0f + peak * 0.8f), byte((float)g0 * 0.11f * body + 9.0f),
            byte((float)b0 * 0.13f * body + 12.0f), 255};
    return c;
}

int countMismatches(const AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
    int mismatches = 0;
    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            const Cell expected = referenceCell(gooBalls(), fb.cols, fb.rows, fb.blockGlyphs, t, audio, x, y);
            if (fb.at(x, y) != expected && mismatches++ < 3) {
                ADD_FAILURE() << fb.cols << "x" << fb.rows << " t " << t << " cell " << x << "," << y;
            }
        }
    }
    return mismatches;
}

}  // namespace

TEST(GooBounceSimulation, FirstFrameAndTimeGoingBackwardsStartFromTheTable) {
    restartScene();
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "dt is 0 on the first frame";
    Grid g(120, 42);
    g.render(7.0f);
    g.render(3.0f);
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "any time on a fresh start";
    g.render(3.5f);
    EXPECT_FALSE(sameBalls(gooBalls(), gooInitialBalls));
    g.render(3.25f);
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "time ran backwards: fresh start, no motion";
    g.render(3.25f + 1.0f / 60.0f);
    EXPECT_FALSE(sameBalls(gooBalls(), gooInitialBalls));
}

TEST(GooBounceSimulation, LongFrameGapsMoveAtMostOneClampedStep) {
    Grid g(120, 42);
    Balls afterGap, afterStep;
    restartScene();
    g.render(1.0f);
    for (int i = 0; i < kGooBallCount; i++) afterGap[i] = gooBalls()[i];
    g.render(0.0f);
    g.render(0.12f);
    for (int i = 0; i < kGooBallCount; i++) afterStep[i] = gooBalls()[i];
    EXPECT_TRUE(sameBalls(afterGap, afterStep));
    g.render(0.0f);
    g.render(0.11f);
    EXPECT_FALSE(sameBalls(gooBalls(), afterStep));
}

TEST(GooBounceSimulation, SilenceOrbitsWithinTheWallsAndSettlesTheRadii) {
    Grid g(60, 20);
    restartScene();
    for (int frame = 1; frame <= 480; frame++) {
        g.render((float)frame / 60.0f);
        for (int i = 0; i < kGooBallCount; i++) {
            ASSERT_LE(fabsf(gooBalls()[i].x), 1.08f);
            ASSERT_LE(fabsf(gooBalls()[i].y), 1.08f);
        }
    }
    const float targets[kGooBallCount] = {0.26f, 0.31f, 0.36f, 0.26f, 0.31f};
    for (int i = 0; i < kGooBallCount; i++) {
        EXPECT_NEAR(gooBalls()[i].r, targets[i], 1e-4f) << "ball " << i;
        EXPECT_EQ(gooBalls()[i].w, gooInitialBalls[i].w) << "colour weights never change";
        EXPECT_FALSE(gooBalls()[i].x == gooInitialBalls[i].x && gooBalls()[i].y == gooInitialBalls[i].y);
    }
}

TEST(GooBounceSimulation, WallsPutBallsBackAndReverseAtEightyEightPercent) {
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
    EXPECT_GT(balls[2].x, -1.08f);
}

TEST(GooBounceSimulation, BeatRiseKicksOutwardsLaterBallsHarder) {
    Balls calm, kicked, barely;
    spreadOut(calm);
    spreadOut(kicked);
    spreadOut(barely);
    stepGooBalls(calm, 0.01f, 0.0f, 0.0f, 0.0f);
    stepGooBalls(kicked, 0.01f, 0.5f, 0.0f, 0.0f);
    stepGooBalls(barely, 0.01f, 0.001f, 0.0f, 0.0f);
    const float damp = 0.972388f;  // e^(-2.8 * 0.01)
    for (int i = 0; i < kGooBallCount; i++) {
        const float dvx = kicked[i].vx - calm[i].vx, dvy = kicked[i].vy - calm[i].vy;
        // s = rise * kick * (0.5 + 0.2 i) with kick 0.8 in silence
        const float s = 0.5f * 0.8f * (0.5f + 0.2f * (float)i);
        EXPECT_NEAR(sqrtf(dvx * dvx + dvy * dvy), s * damp, 1e-5f) << "ball " << i;
        EXPECT_GT(dvx * calm[i].x + dvy * calm[i].y, 0.0f) << "outwards";
        EXPECT_TRUE(sameBall(barely[i], calm[i])) << "a rise of 0.001 is no beat";
    }
}

TEST(GooBounceSimulation, OverlappingBallsPushApartSymmetrically) {
    Balls balls;
    spreadOut(balls);
    balls[0] = GooBall{-0.05f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    balls[4] = GooBall{0.05f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    Balls apart;
    spreadOut(apart);
    apart[0] = GooBall{-0.5f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    apart[4] = GooBall{0.5f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    stepGooBalls(balls, 0.05f, 0.0f, 0.0f, 0.0f);
    stepGooBalls(apart, 0.05f, 0.0f, 0.0f, 0.0f);
    // The spring alone pulls both towards the centre; the overlap wins and drives them apart
    EXPECT_GT(apart[0].vx, 0.0f);
    EXPECT_LT(balls[0].vx, 0.0f);
    // Radii 0.291 and 0.30225 after the step: reach 0.367815; distance 0.0999659 after the move;
    // push (0.367815 - 0.0999659) * 1.8 * 0.05 = 0.0241064 against the spring's 0.000391211
    EXPECT_NEAR(balls[0].vx, 0.000391211f - 0.0241052f, 3e-6f);
    EXPECT_EQ(balls[0].vx, -balls[4].vx);
    EXPECT_EQ(balls[0].vy, -balls[4].vy);
    // Separation moves velocities only
    EXPECT_EQ(balls[0].x, -balls[4].x);
    EXPECT_LT(balls[0].x, -0.049f);
}

TEST(GooBounceSimulation, GridsBelowTenAreLeftUntouched) {
    restartScene();
    const Cell marker{'?', {1, 2, 3, 4}, {5, 6, 7, 8}};
    const int sizes[][2] = {{9, 40}, {40, 9}};
    for (const auto& size : sizes) {
        AsciiFramebuffer fb(size[0], size[1], 10, 18, FramebufferBacking::CellsOnly);
        for (Cell& c : fb.cells) c = marker;
        const AudioFeatures audio = scene_harness::scriptedAudio(0.5f);
        goo_bounce(fb, 0.5f, kSceneBackground, nullptr, &audio);
        for (const Cell& c : fb.cells) EXPECT_EQ(c, marker) << size[0] << " x " << size[1];
    }
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "the state is not touched either";
    Grid g(10, 10);
    for (Cell& c : g.fb.cells) c = marker;
    goo_bounce(g.fb, 0.0f, kSceneBackground, nullptr, nullptr);
    EXPECT_NE(g.fb.at(0, 0), marker) << "10 x 10 is drawn";
}

TEST(GooBounceDrawing, CellOnTheBallCentres) {
    // At t = 0 in silence the centre cell of a 121 x 43 grid samples the field at (0, 0) exactly
    Grid g(121, 43);
    restartScene();
    for (int i = 0; i < kGooBallCount; i++) gooBalls()[i] = GooBall{0.0f, 0.0f, 0.0f, 0.0f, gooInitialBalls[i].r, gooInitialBalls[i].w};
    g.render(0.0f);  // dt 0: drawn where they were placed
    // f = r^2 / 0.001: 193.6, 160, 108.9, 84.1, 129.6; sum 676.2, weighted 299.775, m = 0.4433
    // base (135, 147, 159); rim 1, so bright 1.08; background red 135 * 0.11 + 8 + 0.8 * 193.6
    const Cell& c = g.fb.at(60, 21);
    EXPECT_EQ(c.codepoint, (uint32_t)'@');
    EXPECT_EQ(c.fg, (Color{145, 158, 171, 255}));
    EXPECT_EQ(c.bg, (Color{177, 25, 32, 255}));

    // Block ramp: the densest block
    Grid blocks(121, 43, true);
    blocks.render(0.0f);
    EXPECT_EQ(blocks.fb.at(60, 21).codepoint, 0x2588u);
    // Far from every ball the field is weak: a space on the unlit background
    EXPECT_EQ(blocks.fb.at(0, 0).codepoint, 32u);
    EXPECT_EQ(blocks.fb.at(0, 0).bg.g, 9);
    EXPECT_EQ(blocks.fb.at(0, 0).bg.b, 12);
}

TEST(GooBounceDrawing, MatchesThePlainFormulasCellForCell) {
    Grid small(120, 42), large(173, 60, true);
    restartScene();
    for (int frame = 0; frame < 40; frame++) {
        const float t = (float)frame * 0.05f;
        const AudioFeatures audio = frame < 30 ? scene_harness::scriptedAudio(t) : AudioFeatures{};
        Grid& g = (frame / 10) % 2 == 0 ? small : large;
        g.render(t, audio);
        EXPECT_EQ(countMismatches(g.fb, t, audio), 0) << "frame " << frame;
    }
}

TEST(GooBounceDeterminism, StoredHash) {
    restartScene();
    const uint64_t value = scene_harness::determinismHash(goo_bounce);
    EXPECT_EQ(value, 18154839172998443580ull) << "actual " << value;
}
