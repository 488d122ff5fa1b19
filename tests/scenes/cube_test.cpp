#include <gtest/gtest.h>

#include <cmath>

#include "scenes/cube.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr Color kArgBg = {1, 2, 3, 255};  // A scene background no pattern cell can have

struct Grid {
    AsciiFramebuffer fb;
    Grid(int cols = 120, int rows = 42) : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {}
    void render(float t) {  // Silent, on the beat
        const BeatInfo beat{};
        const AudioFeatures silence;
        fb.clear(kSceneBackground);
        cube(fb, t, kArgBg, &beat, &silence);
    }
};

// The cube keeps its lightning across calls; a frame later than any test uses makes the next
// frame a step backwards in time, which re-arms it like a first frame.
void rearmCube() { Grid(36, 14).render(1000.0f); }

CubeLook lookAt(float t, float beatPhase, const AudioFeatures& audio) {
    BeatInfo beat{};
    beat.beatPhase = beatPhase;
    return cubeFrame(t, 120, 42, &beat, &audio).look;
}

}  // namespace

TEST(CubeFrame, SpinFollowsTheBandsAndIgnoresAnInvalidRecord) {
    AudioFeatures loudButInvalid = scene_harness::audioLevels(0.9f, 0.9f, 0.9f, 0.9f);
    loudButInvalid.valid = false;
    const CubeFrame quiet = cubeFrame(2.0f, 120, 42, nullptr, &loudButInvalid);
    EXPECT_FLOAT_EQ(quiet.angX, 1.76f);
    EXPECT_FLOAT_EQ(quiet.angY, 2.28f);
    EXPECT_FLOAT_EQ(quiet.angZ, 1.26f);
    const AudioFeatures full = scene_harness::audioLevels(1.0f, 1.0f, 1.0f, 0.0f);
    const CubeFrame loud = cubeFrame(2.0f, 40, 100, nullptr, &full);
    EXPECT_FLOAT_EQ(loud.angX, 2.46f);
    EXPECT_FLOAT_EQ(loud.angY, 3.38f);
    EXPECT_FLOAT_EQ(loud.angZ, 1.86f);
    EXPECT_FLOAT_EQ(loud.scale, 0.92f * 40.0f);  // The shorter side
}

TEST(CubeFrame, FlashFollowsTheBeatPhaseTheFlickerAndTheBeat) {
    AudioFeatures silent = scene_harness::audioLevels(0.0f, 0.0f, 0.0f, 1.0f);
    silent.valid = false;
    EXPECT_FLOAT_EQ(lookAt(0.0f, 0.0f, silent).flash, 0.85f);            // 0.3 · (0.55 + 0.45) + 0.55
    EXPECT_NEAR(lookAt(0.0f, 0.5f, silent).flash, 0.687578f, 1e-5f);     // (1 − 0.5)^6 = 1/64
    EXPECT_NEAR(lookAt(kPi / 48.0f, 0.0f, silent).flash, 1.15f, 1e-5f);  // sin(24t) = 1
    EXPECT_NEAR(lookAt(0.0f, 0.0f, scene_harness::audioLevels(0.0f, 0.0f, 0.0f, 1.0f)).flash, 0.955f, 1e-5f);
}

TEST(CubeFrame, FacingSizeAndEnergyHeadOnAndCornerOn) {
    // First frame: no spin, face 5 looks straight at the viewer, wobble 0.5
    const CubeLook look = lookAt(0.0f, 0.0f, AudioFeatures{});
    EXPECT_FLOAT_EQ(look.facing, 1.0f);
    EXPECT_FLOAT_EQ(look.size, 1.225f);  // 1.1 + 0.25 · 0.5
    EXPECT_NEAR(look.energy, 0.85f * 1.225f, 1e-6f);
    // A quarter turn about x, then atan(1/√2) about y, points a corner at the viewer
    EXPECT_NEAR(cubeFacing(makeCubeRotation(kPi / 4.0f, atanf(0.70710678f), 0.3f)), 0.57735027f, 1e-6f);
}

TEST(CubeFrame, RotateTurnsAboutXThenYThenZ) {
    // About x by 90 degrees takes y to z, then about y by 90 degrees takes z to x
    const Vector3 p = rotate(Vector3{0.0f, 1.0f, 0.0f}, makeCubeRotation(kPi / 2.0f, kPi / 2.0f, 0.0f));
    EXPECT_NEAR(p.x, 1.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(normalize(Vector3{3.0f, 0.0f, -4.0f}).z, -0.8f);
    EXPECT_EQ(normalize(Vector3{0.0001f, 0.0f, 0.0f}).x, 0.0f);
}

TEST(CubeEdgeTargets, NinePointsPerEdgeOnGridOnly) {
    Vector2 targets[kCubeEdgeTargetCapacity];
    // No spin on 120 x 42: corner 0 at depth 3 lands on (60 − 38.64/3, 21 − 38.64·0.58/3)
    const CubeFrame f = cubeFrame(0.0f, 120, 42, nullptr, nullptr);
    ASSERT_EQ(cubeEdgeTargets(f, 120, 42, targets), 108);
    EXPECT_NEAR(targets[0].x, 47.12f, 1e-4f);
    EXPECT_NEAR(targets[0].y, 13.5296f, 1e-4f);
    EXPECT_NEAR(targets[1].x, 47.12f + 0.125f * (72.88f - 47.12f), 1e-4f);
    EXPECT_NEAR(targets[8].x, 72.88f, 1e-4f);  // Corner 1 ends edge (0, 1)...
    EXPECT_EQ(targets[9].x, targets[8].x);     // ...and starts edge (1, 2) again
    // The scale follows the shorter side, so every pose stays on the grid, even a tall one
    for (int i = 0; i < 40; ++i) {
        const AudioFeatures audio = scene_harness::scriptedAudio((float)i * 0.3f);
        ASSERT_EQ(cubeEdgeTargets(cubeFrame((float)i * 0.3f, 36, 220, nullptr, &audio), 36, 220, targets), 108);
    }
}

TEST(CubeScene, WorkedCellsOfTheFirstFrame) {
    rearmCube();
    Grid g;
    g.render(0.0f);
    // Background pattern at x = y = 0, t = 0: every wave is sin(0), so w = 0.5 → ":"
    EXPECT_EQ(g.fb.at(0, 0), (Cell{':', {39, 74, 167, 255}, {23, 33, 66, 255}}));
    // Face 5 head-on, sample (−0.04, −0.04) at depth 3: shade 0.9376, lum 0.8151, q 0.8 → "#";
    // m = (0.92 + 0.08 sin 5.75) · 0.88 = 0.7740 of (26, 245, 255)
    EXPECT_EQ(g.fb.at(59, 20), (Cell{'#', {20, 189, 197, 255}, kArgBg}));
    // Top edge: face 3 and face 5 share the point (−0.04, −1, −1) at depth 3; face 3, sampled
    // first, keeps the cell, unlit: lum 0.2408, q 0.2 → ":", m = 0.4658 of (255, 190, 28)
    EXPECT_EQ(g.fb.at(59, 13), (Cell{':', {118, 88, 13, 255}, kArgBg}));
    // The block ramp when the font has it: q 0.8 → index 3
    g.fb.blockGlyphs = true;
    g.render(0.0f);
    EXPECT_EQ(g.fb.at(59, 20).codepoint, 0x2593u);
}

TEST(CubeScene, PatternBlueWrapsOnTheBrightestWaves) {
    // At t = 0.05 the three waves nearly peak together around (13, 9): w = 0.9954, size 1.2437,
    // so the foreground blue reaches 256 and keeps only its low 8 bits
    rearmCube();
    Grid g;
    for (int frame = 0; frame <= 3; ++frame) g.render((float)frame / 60.0f);
    EXPECT_EQ(g.fb.at(13, 9), (Cell{';', {66, 119, 0, 255}, {38, 57, 111, 255}}));
}

TEST(CubeScene, BuffersFollowTheGridSizeAndKeepNoPicture) {
    // The same frame after a huge grid and after the same small one, each from lightning re-armed
    // by time running backwards
    rearmCube();
    Grid(520, 220).render(0.0f);
    Grid afterHuge(36, 14);
    afterHuge.render(0.5f);
    rearmCube();
    Grid afterSmall(36, 14);
    afterSmall.render(0.0f);
    afterSmall.render(0.5f);
    EXPECT_EQ(scene_harness::firstDifferentCell(afterHuge.fb, afterSmall.fb), -1);
}

TEST(CubeScene, Determinism) {
    rearmCube();
    const uint64_t value = scene_harness::determinismHash(cube);
    EXPECT_EQ(value, 8187727573282581104ull) << "actual " << value;
}
