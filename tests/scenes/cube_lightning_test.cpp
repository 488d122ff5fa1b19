#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "framebuffer/ascii_framebuffer.h"
#include "scenes/cube_lightning.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr float kPi = 3.14159265f;
const Color kBg = {1, 2, 3, 255};

// A cleared cells-only grid
struct TestGrid : AsciiFramebuffer {
    explicit TestGrid(int c = 120, int r = 42) : AsciiFramebuffer(c, r, 10, 18, FramebufferBacking::CellsOnly) {}
};

bool isBolt(const Cell& c) { return c.codepoint == '/' || c.codepoint == '\\' || c.codepoint == '|'; }

int countBolt(const AsciiFramebuffer& fb) { return (int)std::count_if(fb.cells.begin(), fb.cells.end(), isBolt); }

int lowestBoltRow(const AsciiFramebuffer& fb) {
    int lowest = -1;
    for (size_t i = 0; i < fb.cells.size(); ++i) lowest = isBolt(fb.cells[i]) ? (int)i / fb.cols : lowest;
    return lowest;
}

}  // namespace

TEST(CubeLightningHash, MatchesTheSineHashAndStaysInUnitRange) {
    // fract(sin(311.7)·43758.547) and friends, worked in double precision
    EXPECT_NEAR(lightningHash(0.0f), 0.4037f, 0.01f);
    EXPECT_NEAR(lightningHash(1.0f), 0.5206f, 0.01f);
    for (float x = -27.4f; x < 27.4f; x += 0.0137f) {
        ASSERT_TRUE(lightningHash(x) >= 0.0f && lightningHash(x) < 1.0f) << x;
    }
}

TEST(CubeLightningSchedule, FirstFrameSpawnsAtOnceAndGapsFollowTheFacing) {
    // Strikes follow each other after 0.75 to 1.3 gaps: a face head-on gives a gap of 0.14 s, a
    // corner towards the viewer 0.3429 s; the hashed spread covers most of that range
    EXPECT_FLOAT_EQ(strikeGap(1.0f), 0.14f);
    for (const float facing : {1.0f, 0.57735027f}) {
        const float gap = facing == 1.0f ? 0.14f : 0.3429f;
        LightningSchedule schedule;
        std::vector<float> starts;
        for (int i = 0; i <= 600; ++i) {
            updateLightning(schedule, 2.0f + (float)i / 60.0f, facing, 1.0f);
            for (int k = 0; k < schedule.count; ++k) {
                const float start = schedule.strikes[k].start;
                if (starts.empty() || start > starts.back()) starts.push_back(start);
            }
        }
        EXPECT_EQ(starts[0], 2.0f);
        std::vector<float> gaps;
        for (size_t i = 1; i < starts.size(); ++i) gaps.push_back(starts[i] - starts[i - 1]);
        const auto [shortest, longest] = std::minmax_element(gaps.begin(), gaps.end());
        EXPECT_TRUE(*shortest >= 0.75f * gap - 1e-3f && *shortest < 0.9f * gap) << *shortest;
        EXPECT_TRUE(*longest <= 1.3f * gap + 1e-3f && *longest > 1.15f * gap) << *longest;
    }
}

TEST(CubeLightningSchedule, LongFrameSpawnsEveryDueStrikeAtItsOwnTime) {
    LightningSchedule schedule;
    updateLightning(schedule, 0.0f, 1.0f, 1.0f);
    updateLightning(schedule, 0.5f, 1.0f, 1.0f);  // At most 0.182 s apart: at least 3 more strikes
    ASSERT_GE(schedule.count, 3);
    for (int i = 1; i < schedule.count; ++i) {
        EXPECT_GE(schedule.strikes[i].start - schedule.strikes[i - 1].start, 0.105f - 1e-4f) << i;
    }
}

TEST(CubeLightningSchedule, FifteenthStrikeDropsTheOldestAndExpiryIsByAge) {
    LightningSchedule full;
    for (int i = 0; i < 15; ++i) appendStrike(full, LightningStrike{(float)i, 100.0f, 0.5f});
    ASSERT_EQ(full.count, 14);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(full.strikes[i].start, (float)(i + 1));

    // Expired wherever they are in the list, at an age of exactly 1
    LightningSchedule schedule;
    schedule.lastTime = 0.0f;
    schedule.nextSpawn = 100.0f;  // No spawns
    appendStrike(schedule, LightningStrike{0.0f, 0.5f, 0.1f});      // Age 0.5 at t = 0.25
    appendStrike(schedule, LightningStrike{0.125f, 0.125f, 0.2f});  // Age exactly 1: gone
    appendStrike(schedule, LightningStrike{0.25f, 0.25f, 0.3f});    // Age 0
    updateLightning(schedule, 0.25f, 1.0f, 1.0f);
    ASSERT_EQ(schedule.count, 2);
    EXPECT_EQ(schedule.strikes[1].seed, 0.3f);
}

TEST(CubeLightningSchedule, RearmsWhenTimeRunsBackwardsNotWhenItStands) {
    LightningSchedule schedule, fresh;
    for (int i = 0; i <= 120; ++i) updateLightning(schedule, (float)i / 60.0f, 1.0f, 1.0f);
    // The same time again is not a step backwards: the live strikes stay
    const int live = schedule.count;
    ASSERT_GT(live, 1);
    updateLightning(schedule, 2.0f, 1.0f, 1.0f);
    EXPECT_EQ(schedule.count, live);
    // Back to 1 s: the list is emptied and re-armed as on a first frame at 1 s
    updateLightning(schedule, 1.0f, 1.0f, 1.0f);
    updateLightning(fresh, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(schedule.count, 1);
    EXPECT_EQ(schedule.strikes[0].seed, fresh.strikes[0].seed);
    EXPECT_EQ(schedule.nextSpawn, fresh.nextSpawn);
    // At 2^23 s a gap no longer moves the time: the spawn loop must still end
    LightningSchedule late;
    updateLightning(late, 8388608.0f, 1.0f, 1.0f);
    updateLightning(late, 8388608.0f, 1.0f, 1.0f);
    EXPECT_GE(late.count, 1);
}

TEST(CubeLightningBolt, EndsOnTheOutermostRowOrColumn) {
    // Left, right and down from near an edge; a step landing on the outer ring ends the bolt
    const float starts[][3] = {{4.0f, 10.0f, kPi}, {35.0f, 10.0f, 0.0f}, {20.0f, 12.0f, kPi * 0.5f}};
    for (const auto& s : starts) {
        TestGrid fb(40, 20);
        EXPECT_EQ(drawBolt(fb, LightningBolt{s[0], s[1], s[2], 0.0f, 100, 1.0f, true}, nullptr, 0, kBg),
                  BoltEnd::Border);
        EXPECT_GT(countBolt(fb), 0);
        for (int y = 0; y < 20; ++y) EXPECT_FALSE(isBolt(fb.at(0, y)) || isBolt(fb.at(39, y))) << y;
        for (int x = 0; x < 40; ++x) EXPECT_FALSE(isBolt(fb.at(x, 0)) || isBolt(fb.at(x, 19))) << x;
    }
}

TEST(CubeLightningBolt, GlyphsFollowTheSlopeAndColoursClamp) {
    // Seed 0: the first step keeps its heading; y 10.42 rounds to 10, straight down 11.14 to 11
    TestGrid right, left, down, bright;
    EXPECT_EQ(drawBolt(right, LightningBolt{20.0f, 10.0f, 0.0f, 0.0f, 1, 1.0f, true}, nullptr, 0, kBg),
              BoltEnd::StepsDone);
    drawBolt(left, LightningBolt{20.0f, 10.0f, kPi, 0.0f, 1, 1.0f, true}, nullptr, 0, kBg);
    drawBolt(down, LightningBolt{20.0f, 10.0f, kPi * 0.5f, 0.0f, 1, 1.0f, true}, nullptr, 0, kBg);
    EXPECT_EQ(right.at(21, 10), (Cell{'/', {220, 245, 255, 255}, kBg}));
    EXPECT_EQ(right.at(20, 10), (Cell{'.', {90, 155, 255, 255}, kBg}));
    EXPECT_EQ(left.at(19, 10).codepoint, (uint32_t)'\\');
    EXPECT_EQ(down.at(20, 11).codepoint, (uint32_t)'|');
    EXPECT_EQ(countBolt(right) + countBolt(left) + countBolt(down), 3);
    // Intensity 2 saturates: core white, halo (180, 255, 255); a branch steps 0.65 across
    drawBolt(bright, LightningBolt{20.0f, 10.0f, 0.0f, 0.0f, 1, 2.0f, false}, nullptr, 0, kBg);
    EXPECT_EQ(bright.at(21, 10), (Cell{'/', {255, 255, 255, 255}, kBg}));
    EXPECT_EQ(bright.at(22, 10).fg, (Color{180, 255, 255, 255}));
}

TEST(CubeLightningBolt, EndsInAStarOnTouchingATarget) {
    // Straight down from (20, 5): the first step reaches y 6.14, 0.86 cells above the target,
    // is pulled 0.25 further down and lands in (20, 6)
    const Vector2 target = {20.0f, 7.0f};
    TestGrid fb;
    EXPECT_EQ(drawBolt(fb, LightningBolt{20.0f, 5.0f, kPi * 0.5f, 0.0f, 30, 0.5f, true}, &target, 1, kBg),
              BoltEnd::Star);
    EXPECT_EQ(fb.at(20, 6), (Cell{'*', {122, 125, 255, 255}, kBg}));
    EXPECT_EQ(fb.at(21, 6).codepoint, (uint32_t)'.');
    EXPECT_EQ(countBolt(fb), 0) << "the star is the only step";
    // A touch is anything below 1.3 squared cells: 1.2 ends in a star, 1.4 not yet
    for (const float d2 : {1.2f, 1.4f}) {
        const Vector2 near = {20.0f, 6.14f + sqrtf(d2)};
        TestGrid g;
        EXPECT_EQ(drawBolt(g, LightningBolt{20.0f, 5.0f, kPi * 0.5f, 0.0f, 1, 1.0f, true}, &near, 1, kBg),
                  d2 < 1.3f ? BoltEnd::Star : BoltEnd::StepsDone) << "squared distance " << d2;
    }
}

TEST(CubeLightningBolt, SteersToTheNearestTargetTheEarlierOnATie) {
    // The first step lands on (60.4, 6.14); left and right are both 26 squared cells away from it,
    // and the pull rounds it to column 60 or 61
    const Vector2 left = {55.4f, 7.14f}, right = {65.4f, 7.14f}, nearer = {64.4f, 7.0f};
    auto render = [](int steps, std::vector<Vector2> targets) {
        TestGrid fb;
        drawBolt(fb, LightningBolt{60.4f, 5.0f, kPi * 0.5f, 0.0f, steps, 1.0f, true}, targets.data(),
                 (int)targets.size(), kBg);
        return fb.cells;
    };
    ASSERT_NE(render(1, {left}), render(1, {right}));
    EXPECT_EQ(render(1, {left, right}), render(1, {left}));
    EXPECT_EQ(render(1, {right, left}), render(1, {right}));
    EXPECT_EQ(render(1, {left, nearer, right}), render(1, {nearer}));
    EXPECT_NE(render(1, {right}), render(1, {})) << "a target within 6 cells bends the bolt";
    EXPECT_EQ(render(12, {Vector2{10.0f, 30.0f}}), render(12, {})) << "one never within 6 cells does not";
}

TEST(CubeLightningStrikes, FaintStrikesDrawNothingAndTheMainBoltGrowsFromTheTop) {
    const CubeLook look = {1.0f, 1.0f, 0.5f, 1.0f};
    LightningSchedule fading;
    appendStrike(fading, LightningStrike{0.0f, 1.0f, 0.4f});
    TestGrid faint, dim;
    drawLightning(faint, fading, 0.99f, look, nullptr, 0, kBg);  // Intensity about 0.0155
    drawLightning(dim, fading, 0.97f, look, nullptr, 0, kBg);    // Intensity about 0.047
    EXPECT_EQ(scene_harness::hashCells(faint), scene_harness::hashCells(TestGrid()));
    EXPECT_GT(countBolt(dim), 0);

    // Just born, the main bolt has its minimum of 4 steps and its one branch (seed 0.1) 3 steps,
    // seven cells; past 34 % of its life the main bolt has 63 steps on 42 rows and runs to the bottom
    LightningSchedule schedule;
    appendStrike(schedule, LightningStrike{0.0f, 0.3f, 0.1f});
    TestGrid young, grown;
    drawLightning(young, schedule, 0.0f, look, nullptr, 0, kBg);
    drawLightning(grown, schedule, 0.15f, look, nullptr, 0, kBg);
    EXPECT_EQ(countBolt(young), 7);
    EXPECT_GE(lowestBoltRow(grown), 30);
}
