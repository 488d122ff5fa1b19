// The spinning cube and the lightning it draws around itself.

#include <numeric>

#include "scene_harness.h"
#include "scenes/cube.h"

namespace {

using scene_harness::audioLevels;

constexpr float kPi = 3.14159265f;
constexpr Color kArgBg = {1, 2, 3, 255};  // A scene background no pattern cell can have

struct Grid : AsciiFramebuffer {
    explicit Grid(int c = 120, int r = 42) : AsciiFramebuffer(c, r, 10, 18, FramebufferBacking::CellsOnly) {}
    Grid& render(float t) {  // Silent, on the beat; a frame at a later time than before re-arms the lightning
        const BeatInfo beat{};
        const AudioFeatures silence;
        clear(kSceneBackground);
        cube(*this, t, kArgBg, &beat, &silence);
        return *this;
    }
};

float flashAt(float t, float beatPhase, const AudioFeatures& audio) {
    BeatInfo beat{};
    beat.beatPhase = beatPhase;
    return cubeFrame(t, 120, 42, &beat, &audio).look.flash;
}

int countBolt(const AsciiFramebuffer& fb) {
    return (int)std::count_if(fb.cells.begin(), fb.cells.end(),
                              [](const Cell& c) { return c.codepoint == '/' || c.codepoint == '\\' || c.codepoint == '|'; });
}

BoltEnd bolt(AsciiFramebuffer& fb, float x, float y, float heading, int steps, float intensity = 1.0f,
             bool main = true, std::vector<Vector2> targets = {}) {
    return drawBolt(fb, LightningBolt{x, y, heading, 0.0f, steps, intensity, main}, targets.data(),
                    (int)targets.size(), kArgBg);
}

}  // namespace

TEST(CubeFrame, SpinFollowsTheBandsAndFlashTheBeat) {
    const AudioFeatures stale = audioLevels(0.9f, 0.9f, 0.9f, 1.0f, false), full = audioLevels(1.0f, 1.0f, 1.0f, 0.0f);
    const CubeFrame quiet = cubeFrame(2.0f, 120, 42, nullptr, &stale), loud = cubeFrame(2.0f, 40, 100, nullptr, &full);
    EXPECT_TRUE(quiet.angX == 1.76f && quiet.angY == 2.28f && quiet.angZ == 1.26f) << "a stale record is silence";
    EXPECT_TRUE(loud.angX == 2.46f && loud.angY == 3.38f && loud.angZ == 1.86f && loud.scale == 0.92f * 40.0f);
    EXPECT_FLOAT_EQ(flashAt(0.0f, 0.0f, stale), 0.85f);            // 0.3 (0.55 + 0.45) + 0.55
    EXPECT_NEAR(flashAt(0.0f, 0.5f, stale), 0.687578f, 1e-5f);     // (1 - 0.5)^6 = 1/64
    EXPECT_NEAR(flashAt(kPi / 48.0f, 0.0f, stale), 1.15f, 1e-5f);  // sin(24 t) = 1
    EXPECT_NEAR(flashAt(0.0f, 0.0f, audioLevels(0.0f, 0.0f, 0.0f, 1.0f)), 0.955f, 1e-5f);
}

TEST(CubeFrame, FacingAndEdgeTargets) {
    const CubeLook look = cubeFrame(0.0f, 120, 42, nullptr, nullptr).look;  // No spin: face 5 head-on
    EXPECT_TRUE(look.facing == 1.0f && look.size == 1.225f) << "size 1.1 + 0.25 * wobble 0.5";
    // A quarter turn about x, then atan(1/sqrt(2)) about y, points a corner at the viewer
    EXPECT_NEAR(cubeFacing(makeCubeRotation(kPi / 4.0f, atanf(0.70710678f), 0.3f)), 0.57735027f, 1e-6f);
    EXPECT_EQ(normalize(Vector3{0.0001f, 0.0f, 0.0f}).x, 0.0f);
    // Nine points an edge; corner 0 at depth 3 lands on (60 - 38.64 / 3, 21 - 38.64 * 0.58 / 3)
    Vector2 t[kCubeEdgeTargetCapacity];
    ASSERT_EQ(cubeEdgeTargets(cubeFrame(0.0f, 120, 42, nullptr, nullptr), 120, 42, t), 108);
    EXPECT_TRUE(fabsf(t[0].x - 47.12f) < 1e-4f && fabsf(t[0].y - 13.5296f) < 1e-4f && fabsf(t[8].x - 72.88f) < 1e-4f);
    EXPECT_EQ(t[9].x, t[8].x) << "corner 1 ends one edge and starts the next";
}

TEST(CubeScene, WorkedCellsOfTheFirstFrames) {
    Grid g;
    g.render(10000.0f);
    // Background at x = y = 0, t = 0: every wave is sin(0), so w = 0.5 -> ":"
    EXPECT_EQ(g.render(0.0f).at(0, 0), (Cell{':', {39, 74, 167, 255}, {23, 33, 66, 255}}));
    // Face 5 head-on, sample (-0.04, -0.04) at depth 3: lum 0.8151, q 0.8 -> "#", 0.7740 of (26, 245, 255)
    EXPECT_EQ(g.at(59, 20), (Cell{'#', {20, 189, 197, 255}, kArgBg}));
    // Faces 3 and 5 share the top edge point; face 3, sampled first, keeps it unlit: 0.4658 of (255, 190, 28)
    EXPECT_EQ(g.at(59, 13), (Cell{':', {118, 88, 13, 255}, kArgBg}));
    // At t = 0.05 the three waves nearly peak together: w = 0.9954 and blue reaches 256, kept as 0
    for (int frame = 1; frame <= 3; ++frame) g.render((float)frame / 60.0f);
    EXPECT_EQ(g.at(13, 9), (Cell{';', {66, 119, 0, 255}, {38, 57, 111, 255}}));
}

TEST(CubeLightning, StrikesFollowAfterGapsSetByTheFacingAndRearmOnlyBackwards) {
    EXPECT_NEAR(lightningHash(0.0f), 0.4037f, 0.01f);  // fract(sin(311.7) * 43758.547), worked in double
    EXPECT_FLOAT_EQ(strikeGap(1.0f), 0.14f);  // 0.75 to 1.3 times 0.14 s head-on, 0.3429 s corner-on
    for (const float facing : {1.0f, 0.57735027f}) {
        LightningSchedule schedule;
        std::vector<float> starts;
        for (int i = 0; i <= 600; ++i) {
            updateLightning(schedule, 2.0f + (float)i / 60.0f, facing, 1.0f);
            const float start = schedule.count > 0 ? schedule.strikes[schedule.count - 1].start : 0.0f;
            if (starts.empty() || start > starts.back()) starts.push_back(start);
        }
        EXPECT_EQ(starts[0], 2.0f) << "the first frame spawns at once";
        std::adjacent_difference(starts.begin(), starts.end(), starts.begin());
        const auto [shortest, longest] = std::minmax_element(starts.begin() + 1, starts.end());
        const float gap = facing == 1.0f ? 0.14f : 0.3429f;
        EXPECT_TRUE(*shortest >= 0.75f * gap - 1e-3f && *shortest < 0.9f * gap) << *shortest;
        EXPECT_TRUE(*longest <= 1.3f * gap + 1e-3f && *longest > 1.15f * gap) << *longest;
        const int live = schedule.count;
        LightningSchedule fresh;
        updateLightning(schedule, 12.0f, facing, 1.0f);  // The same time again is no step backwards
        EXPECT_EQ(schedule.count, live);
        updateLightning(schedule, 1.0f, facing, 1.0f);  // Back to 1 s: re-armed as a first frame at 1 s
        updateLightning(fresh, 1.0f, facing, 1.0f);
        EXPECT_TRUE(schedule.count == 1 && schedule.strikes[0].seed == fresh.strikes[0].seed &&
                    schedule.nextSpawn == fresh.nextSpawn);
    }
    LightningSchedule full, late;
    for (int i = 0; i < 15; ++i) appendStrike(full, LightningStrike{(float)i, 100.0f, 0.5f});
    EXPECT_TRUE(full.count == 14 && full.strikes[0].start == 1.0f) << "the fifteenth drops the oldest";
    updateLightning(late, 8388608.0f, 1.0f, 1.0f);  // At 2^23 s a gap no longer moves the time:
    updateLightning(late, 8388608.0f, 1.0f, 1.0f);  // the spawn loop must still end
    EXPECT_GE(late.count, 1);
}

TEST(CubeLightning, BoltGlyphsColoursAndEnds) {
    // Seed 0: the first step keeps its heading; y 10.42 rounds to 10, straight down 11.14 to 11
    Grid right, left, down, bright, star, edge(40, 20);
    EXPECT_EQ(bolt(right, 20.0f, 10.0f, 0.0f, 1), BoltEnd::StepsDone);
    bolt(left, 20.0f, 10.0f, kPi, 1);
    bolt(down, 20.0f, 10.0f, kPi * 0.5f, 1);
    EXPECT_EQ(right.at(21, 10), (Cell{'/', {220, 245, 255, 255}, kArgBg}));
    EXPECT_EQ(right.at(20, 10), (Cell{'.', {90, 155, 255, 255}, kArgBg}));
    EXPECT_TRUE(left.at(19, 10).codepoint == '\\' && down.at(20, 11).codepoint == '|');
    EXPECT_EQ(countBolt(right) + countBolt(left) + countBolt(down), 3);
    // Intensity 2 saturates: core white, halo (180, 255, 255); a branch steps 0.65 across
    bolt(bright, 20.0f, 10.0f, 0.0f, 1, 2.0f, false);
    EXPECT_EQ(bright.at(21, 10), (Cell{'/', {255, 255, 255, 255}, kArgBg}));
    EXPECT_EQ(bright.at(22, 10).fg, (Color{180, 255, 255, 255}));
    // Towards the left edge: the step onto the outer column ends the bolt, undrawn
    EXPECT_EQ(bolt(edge, 4.0f, 10.0f, kPi, 100), BoltEnd::Border);
    for (int y = 0; y < 20; ++y) EXPECT_EQ(std::string("/\\|").find((char)edge.at(0, y).codepoint), std::string::npos);
    // Down from (20, 5): the step to y 6.14 is 0.86 above the target, pulled 0.25 on into (20, 6)
    EXPECT_EQ(bolt(star, 20.0f, 5.0f, kPi * 0.5f, 30, 0.5f, true, {{20.0f, 7.0f}}), BoltEnd::Star);
    EXPECT_EQ(star.at(20, 6), (Cell{'*', {122, 125, 255, 255}, kArgBg}));
    EXPECT_TRUE(star.at(21, 6).codepoint == '.' && countBolt(star) == 0) << "the star is the only step";
    // A touch is anything below 1.3 squared cells
    EXPECT_EQ(bolt(right, 20.0f, 5.0f, kPi * 0.5f, 1, 1.0f, true, {{20.0f, 6.14f + sqrtf(1.2f)}}), BoltEnd::Star);
    EXPECT_EQ(bolt(right, 20.0f, 5.0f, kPi * 0.5f, 1, 1.0f, true, {{20.0f, 6.14f + sqrtf(1.4f)}}), BoltEnd::StepsDone);
}

TEST(CubeLightning, FaintStrikesDrawNothingAndYoungOnesAreShort) {
    const CubeLook look = {1.0f, 1.0f, 0.5f, 1.0f};
    LightningSchedule fading, young;
    appendStrike(fading, LightningStrike{0.0f, 1.0f, 0.4f});
    appendStrike(young, LightningStrike{0.0f, 0.3f, 0.1f});
    Grid faint, dim, born;
    drawLightning(faint, fading, 0.99f, look, nullptr, 0, kArgBg);  // Intensity about 0.0155
    drawLightning(dim, fading, 0.97f, look, nullptr, 0, kArgBg);    // Intensity about 0.047
    drawLightning(born, young, 0.0f, look, nullptr, 0, kArgBg);     // The least 4 steps, a branch of 3
    EXPECT_TRUE(faint.cells == Grid().cells && countBolt(dim) > 0 && countBolt(born) == 7);
}
