#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenes/cube.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kCornerFacing = 0.57735027f;  // 1/sqrt(3)
constexpr Color kArgBg = {1, 2, 3, 255};      // A scene background no pattern cell can have

BeatInfo beatPhaseOf(float phase) {
    BeatInfo b{};
    b.beatPhase = phase;
    return b;
}

AudioFeatures levels(bool valid, float bass, float mid, float treble, float beat) {
    AudioFeatures a;
    a.valid = valid;
    a.bass = bass;
    a.mid = mid;
    a.treble = treble;
    a.beat = beat;
    return a;
}

struct Grid {
    AsciiFramebuffer fb;
    Grid(int cols = 120, int rows = 42) : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {}
    void render(float t, float beatPhase = 0.0f, const AudioFeatures& audio = AudioFeatures{}) {
        const BeatInfo beat = beatPhaseOf(beatPhase);
        fb.clear(kSceneBackground);
        cube(fb, t, kArgBg, &beat, &audio);
    }
};

// The cube keeps its lightning across calls; a frame later than any test uses makes the next
// frame a step backwards in time, which re-arms it like a first frame.
void rearmCube() {
    Grid g(36, 14);
    g.render(1000.0f);
}

bool sameCells(const AsciiFramebuffer& a, const AsciiFramebuffer& b) {
    if (a.cols != b.cols || a.rows != b.rows) return false;
    for (size_t i = 0; i < a.cells.size(); ++i) {
        if (a.cells[i] != b.cells[i]) return false;
    }
    return true;
}

bool isPatternGlyph(uint32_t c) { return c == ' ' || c == '.' || c == ':' || c == ';' || c == 'i'; }

}  // namespace

TEST(CubeFrame, SpinFollowsTheBandsAndIgnoresAnInvalidRecord) {
    const BeatInfo beat = beatPhaseOf(0.0f);
    const AudioFeatures loudButInvalid = levels(false, 0.9f, 0.9f, 0.9f, 0.9f);
    for (const AudioFeatures* audio : {&loudButInvalid, (const AudioFeatures*)nullptr}) {
        const CubeFrame f = cubeFrame(2.0f, 120, 42, &beat, audio);
        EXPECT_FLOAT_EQ(f.angX, 1.76f);
        EXPECT_FLOAT_EQ(f.angY, 2.28f);
        EXPECT_FLOAT_EQ(f.angZ, 1.26f);
    }
    const AudioFeatures full = levels(true, 1.0f, 1.0f, 1.0f, 0.0f);
    const CubeFrame f = cubeFrame(2.0f, 120, 42, &beat, &full);
    EXPECT_FLOAT_EQ(f.angX, 2.46f);
    EXPECT_FLOAT_EQ(f.angY, 3.38f);
    EXPECT_FLOAT_EQ(f.angZ, 1.86f);
    EXPECT_FLOAT_EQ(f.scale, 0.92f * 42.0f);
    EXPECT_FLOAT_EQ(cubeFrame(0.0f, 40, 100, &beat, &full).scale, 0.92f * 40.0f);
}

TEST(CubeFrame, FlashFollowsTheBeatPhaseTheFlickerAndTheBeat) {
    const AudioFeatures silent = levels(false, 0.0f, 0.0f, 0.0f, 1.0f);
    auto flashAt = [&](float t, float phase, const AudioFeatures& a) {
        const BeatInfo beat = beatPhaseOf(phase);
        return cubeFrame(t, 120, 42, &beat, &a).look.flash;
    };
    EXPECT_FLOAT_EQ(flashAt(0.0f, 0.0f, silent), 0.85f);        // 0.3 * (0.55 + 0.45) + 0.55
    EXPECT_FLOAT_EQ(flashAt(0.0f, 1.0f, silent), 0.685f);       // Beat gone: 0.3 * 0.45 + 0.55
    EXPECT_NEAR(flashAt(0.0f, 0.5f, silent), 0.687578f, 1e-5f);  // (1 - 0.5)^6 = 1/64
    EXPECT_NEAR(flashAt(kPi / 48.0f, 0.0f, silent), 1.15f, 1e-5f);  // sin(24t) = 1
    EXPECT_NEAR(flashAt(0.0f, 0.0f, levels(true, 0.0f, 0.0f, 0.0f, 1.0f)), 0.955f, 1e-5f);
    // Without a beat record the phase counts as 0
    EXPECT_FLOAT_EQ(cubeFrame(0.0f, 120, 42, nullptr, &silent).look.flash, 0.85f);
}

TEST(CubeFrame, FacingSizeAndEnergyHeadOnAndCornerOn) {
    // First frame: no spin, face 5 looks straight at the viewer, wobble 0.5
    const BeatInfo beat = beatPhaseOf(0.0f);
    const AudioFeatures silent;
    const CubeLook look = cubeFrame(0.0f, 120, 42, &beat, &silent).look;
    EXPECT_FLOAT_EQ(look.facing, 1.0f);
    EXPECT_FLOAT_EQ(look.size, 1.225f);  // 1.1 + 0.25 * 0.5
    EXPECT_NEAR(look.energy, 0.85f * 1.225f, 1e-6f);

    // A quarter turn about x, then atan(1/sqrt(2)) about y, points a corner at the viewer
    EXPECT_NEAR(cubeFacing(makeCubeRotation(kPi / 4.0f, atanf(0.70710678f), 0.3f)), kCornerFacing, 1e-6f);
    EXPECT_FLOAT_EQ(cubeFacing(makeCubeRotation(kPi / 2.0f, kPi, 1.0f)), 1.0f);

    // Any pose lies between the two
    for (int i = 0; i < 500; ++i) {
        const float f = cubeFacing(makeCubeRotation(0.37f * (float)i, 0.53f * (float)i, 0.71f * (float)i));
        EXPECT_GE(f, kCornerFacing - 1e-6f);
        EXPECT_LE(f, 1.0f);
    }
}

TEST(CubeFrame, RotateTurnsAboutXThenYThenZ) {
    // About x by 90 degrees takes y to z; then about y by 90 degrees takes z to x
    const Vector3 p = rotate(Vector3{0.0f, 1.0f, 0.0f}, makeCubeRotation(kPi / 2.0f, kPi / 2.0f, 0.0f));
    EXPECT_NEAR(p.x, 1.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
    // Then about z by 90 degrees takes x to y
    const Vector3 q = rotate(Vector3{0.0f, 1.0f, 0.0f}, makeCubeRotation(kPi / 2.0f, kPi / 2.0f, kPi / 2.0f));
    EXPECT_NEAR(q.x, 0.0f, 1e-6f);
    EXPECT_NEAR(q.y, 1.0f, 1e-6f);

    const Vector3 n = normalize(Vector3{3.0f, 0.0f, -4.0f});
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, -0.8f);
    const Vector3 zero = normalize(Vector3{0.0001f, 0.0f, 0.0f});
    EXPECT_EQ(zero.x, 0.0f);
}

TEST(CubeEdgeTargets, NinePointsPerEdgeOnGridOnly) {
    const BeatInfo beat = beatPhaseOf(0.0f);
    const AudioFeatures silent;
    Vector2 targets[kCubeEdgeTargetCapacity];

    // No spin on 120 x 42: corner 0 at depth 3 lands on (60 - 38.64/3, 21 - 38.64*0.58/3)
    const CubeFrame f = cubeFrame(0.0f, 120, 42, &beat, &silent);
    ASSERT_EQ(cubeEdgeTargets(f, 120, 42, targets), 108);
    EXPECT_NEAR(targets[0].x, 47.12f, 1e-4f);
    EXPECT_NEAR(targets[0].y, 13.5296f, 1e-4f);
    EXPECT_NEAR(targets[8].x, 72.88f, 1e-4f);  // Corner 1 ends edge (0, 1)...
    EXPECT_EQ(targets[9].x, targets[8].x);     // ...and starts edge (1, 2) again
    EXPECT_EQ(targets[9].y, targets[8].y);
    EXPECT_NEAR(targets[1].x, 47.12f + 0.125f * (72.88f - 47.12f), 1e-4f);

    // The projection scale follows the shorter side, so every pose stays on the grid, even on the
    // smallest grid and on one taller than wide
    const int sizes[][2] = {{36, 14}, {520, 220}, {36, 220}};
    for (const auto& s : sizes) {
        for (int i = 0; i < 200; ++i) {
            const AudioFeatures audio = scene_harness::scriptedAudio((float)i * 0.09f);
            const CubeFrame g = cubeFrame((float)i * 0.09f, s[0], s[1], &beat, &audio);
            ASSERT_EQ(cubeEdgeTargets(g, s[0], s[1], targets), 108);
            for (int k = 0; k < 108; ++k) {
                EXPECT_GE(targets[k].x, 0.0f);
                EXPECT_LT(targets[k].x, (float)s[0]);
                EXPECT_GE(targets[k].y, 0.0f);
                EXPECT_LT(targets[k].y, (float)s[1]);
            }
        }
    }
}

TEST(CubeScene, WorkedCellsOfTheFirstFrame) {
    rearmCube();
    Grid g;
    g.render(0.0f);
    const AsciiFramebuffer& fb = g.fb;

    // Background pattern at x = y = 0, t = 0: every wave is sin(0), so w = 0.5 -> ":"
    EXPECT_EQ(fb.at(0, 0).codepoint, (uint32_t)':');
    EXPECT_EQ(fb.at(0, 0).fg, (Color{39, 74, 167, 255}));
    EXPECT_EQ(fb.at(0, 0).bg, (Color{23, 33, 66, 255}));

    // Face 5 head-on, sample (-0.04, -0.04) at depth 3: shade 0.9376, lum 0.8151, q 0.8 -> "#";
    // m = (0.92 + 0.08 sin 5.75) * 0.88 = 0.7740 of (26, 245, 255)
    EXPECT_EQ(fb.at(59, 20).codepoint, (uint32_t)'#');
    EXPECT_EQ(fb.at(59, 20).fg, (Color{20, 189, 197, 255}));
    EXPECT_EQ(fb.at(59, 20).bg, kArgBg);

    // Top edge: face 3 and face 5 share the point (-0.04, -1, -1) at depth 3; face 3, sampled
    // first, keeps the cell, unlit: lum 0.2408, q 0.2 -> ":", m = 0.4658 of (255, 190, 28)
    EXPECT_EQ(fb.at(59, 13).codepoint, (uint32_t)':');
    EXPECT_EQ(fb.at(59, 13).fg, (Color{118, 88, 13, 255}));

    // The block ramp when the font has it: q 0.8 -> index 3
    Grid blocks;
    blocks.fb.blockGlyphs = true;
    blocks.render(0.0f);
    EXPECT_EQ(blocks.fb.at(59, 20).codepoint, 0x2593u);
}

TEST(CubeScene, PatternBlueWrapsOnTheBrightestWaves) {
    // At t = 0.05 the three waves nearly peak together around (13, 9): w = 0.9954, size 1.2437,
    // so the foreground blue reaches 256 and keeps only its low 8 bits
    rearmCube();
    Grid g;
    for (int frame = 0; frame <= 3; ++frame) g.render((float)frame / 60.0f);
    const Cell& c = g.fb.at(13, 9);
    EXPECT_EQ(c.codepoint, (uint32_t)';');
    EXPECT_EQ(c.fg, (Color{66, 119, 0, 255}));
    EXPECT_EQ(c.bg, (Color{38, 57, 111, 255}));
}

TEST(CubeScene, CoveredCellsTakeTheSceneBackgroundOthersKeepThePattern) {
    rearmCube();
    Grid g(173, 60);
    int covered = 0, pattern = 0;
    for (int frame = 0; frame < 40; ++frame) {
        g.render((float)frame * 0.05f, 0.3f, scene_harness::scriptedAudio((float)frame * 0.05f));
        for (const Cell& c : g.fb.cells) {
            if (c.bg == kArgBg) {
                ++covered;  // Cube or lightning
            } else {
                ++pattern;
                EXPECT_TRUE(isPatternGlyph(c.codepoint)) << c.codepoint;
                EXPECT_GE(c.bg.r, 8);
                EXPECT_GE(c.bg.g, 10);
                EXPECT_GE(c.bg.b, 22);
            }
        }
    }
    EXPECT_GT(covered, 40 * 300);
    EXPECT_GT(pattern, 40 * 5000);
}

TEST(CubeScene, BuffersFollowTheGridSizeAndKeepNoPicture) {
    // The same frame after a huge grid and after a small one
    rearmCube();
    Grid small(36, 14);
    {
        Grid huge(520, 220);
        huge.render(0.0f);
    }
    small.render(0.5f);
    Grid afterHuge(36, 14);
    afterHuge.fb.cells = small.fb.cells;

    rearmCube();
    small.render(0.0f);
    small.render(0.5f);
    EXPECT_TRUE(sameCells(small.fb, afterHuge.fb));

    // Sizes up and down without writing outside any grid
    rearmCube();
    const int sizes[][2] = {{120, 42}, {173, 60}, {36, 14}, {520, 220}, {144, 50}, {37, 15}};
    float t = 0.0f;
    for (const auto& s : sizes) {
        Grid grid(s[0], s[1]);
        grid.render(t);
        int covered = 0;
        for (const Cell& c : grid.fb.cells) covered += c.bg == kArgBg ? 1 : 0;
        EXPECT_GT(covered, 0) << s[0] << "x" << s[1];
        t += 0.1f;
    }
}

TEST(CubeScene, RearmsWhenTimeRunsBackwards) {
    // Re-armed from a late frame: the frame at t = 0 holds the one new strike
    rearmCube();
    Grid fresh;
    fresh.render(0.0f);

    // Two seconds of strikes, then back to 0: the old strikes are gone
    Grid replay;
    for (int frame = 0; frame <= 120; ++frame) replay.render((float)frame / 60.0f);
    replay.render(0.0f);
    EXPECT_TRUE(sameCells(fresh.fb, replay.fb));
}

TEST(CubeScene, Determinism) {
    rearmCube();
    const uint64_t value = scene_harness::determinismHash(cube);
    EXPECT_EQ(value, 8187727573282581104ull) << "actual " << value;
}
