#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "framebuffer/ascii_framebuffer.h"
#include "scenes/cube_lightning.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kCornerFacing = 0.57735027f;  // 1/sqrt(3): a corner towards the viewer
constexpr float kPi = 3.14159265f;
const Color kBg = {1, 2, 3, 255};

// A cleared cells-only grid
struct TestGrid : AsciiFramebuffer {
    explicit TestGrid(int c = 120, int r = 42) : AsciiFramebuffer(c, r, 10, 18, FramebufferBacking::CellsOnly) {}
};

bool isBoltGlyph(uint32_t c) { return c == '/' || c == '\\' || c == '|'; }

int countCells(const AsciiFramebuffer& fb, bool (*pred)(uint32_t)) {
    int n = 0;
    for (const Cell& c : fb.cells) n += pred(c.codepoint) ? 1 : 0;
    return n;
}

bool sameCells(const std::vector<Cell>& a, const std::vector<Cell>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// Start times of every strike spawned while running 60 fps frames from 0 to `seconds`.
std::vector<float> spawnTimes(float facing, float seconds) {
    LightningSchedule schedule;
    std::vector<float> starts;
    for (int i = 0; (float)i * kFrame <= seconds; ++i) {
        updateLightning(schedule, (float)i * kFrame, facing, 1.0f);
        for (int s = 0; s < schedule.count; ++s) {
            const float start = schedule.strikes[s].start;
            if (starts.empty() || start > starts.back()) starts.push_back(start);
        }
    }
    return starts;
}

}  // namespace

TEST(CubeLightningHash, MatchesTheSineHashAndStaysInUnitRange) {
    // fract(sin(311.7)*43758.547) and friends, worked in double precision
    EXPECT_NEAR(lightningHash(0.0f), 0.4037f, 0.01f);
    EXPECT_NEAR(lightningHash(1.0f), 0.5206f, 0.01f);
    EXPECT_NEAR(lightningHash(0.5f), 0.6295f, 0.01f);
    for (int i = -2000; i < 2000; ++i) {
        const float h = lightningHash((float)i * 0.0137f);
        EXPECT_GE(h, 0.0f);
        EXPECT_LT(h, 1.0f);
    }
}

TEST(CubeLightningSchedule, FirstFrameSpawnsAtOnce) {
    for (float t0 : {0.0f, 5.0f}) {
        LightningSchedule schedule;
        updateLightning(schedule, t0, 1.0f, 1.225f);
        ASSERT_EQ(schedule.count, 1);
        EXPECT_EQ(schedule.strikes[0].start, t0);
        EXPECT_GE(schedule.strikes[0].duration, 0.22f);
        EXPECT_LT(schedule.strikes[0].duration, 0.4f);
        EXPECT_GE(schedule.strikes[0].seed, 0.0f);
        EXPECT_LT(schedule.strikes[0].seed, 1.0f);
        // The next one is due 0.75 to 1.3 gaps later; a face head-on gives a gap of 0.14 s
        EXPECT_GE(schedule.nextSpawn - t0, 0.105f - 1e-4f);
        EXPECT_LE(schedule.nextSpawn - t0, 0.182f + 1e-4f);
        EXPECT_EQ(schedule.lastTime, t0);
    }
}

TEST(CubeLightningSchedule, SpawnGapsFollowTheFacing) {
    EXPECT_FLOAT_EQ(strikeGap(1.0f), 0.14f);
    EXPECT_NEAR(strikeGap(kCornerFacing), 0.3429f, 1e-4f);

    struct Case { float facing, lo, hi; };
    for (const Case c : {Case{1.0f, 0.105f, 0.182f}, Case{kCornerFacing, 0.2572f, 0.4458f}}) {
        const std::vector<float> starts = spawnTimes(c.facing, 30.0f);
        ASSERT_GT(starts.size(), 60u);
        float shortest = 1e9f, longest = 0.0f;
        for (size_t i = 1; i < starts.size(); ++i) {
            const float gap = starts[i] - starts[i - 1];
            EXPECT_GE(gap, c.lo - 1e-3f) << "facing " << c.facing << " strike " << i;
            EXPECT_LE(gap, c.hi + 1e-3f) << "facing " << c.facing << " strike " << i;
            shortest = fminf(shortest, gap);
            longest = fmaxf(longest, gap);
        }
        // The hashed spread covers most of its range
        EXPECT_LT(shortest, c.lo + 0.25f * (c.hi - c.lo));
        EXPECT_GT(longest, c.hi - 0.25f * (c.hi - c.lo));
    }
}

TEST(CubeLightningSchedule, LongFrameSpawnsEveryDueStrikeAtItsOwnTime) {
    LightningSchedule schedule;
    updateLightning(schedule, 0.0f, 1.0f, 1.0f);
    updateLightning(schedule, 0.5f, 1.0f, 1.0f);  // At most 0.182 s apart: at least 3 more strikes
    ASSERT_GE(schedule.count, 3);
    for (int i = 0; i < schedule.count; ++i) {
        const LightningStrike& s = schedule.strikes[i];
        EXPECT_LE(s.start, 0.5f);
        EXPECT_LT((0.5f - s.start) / s.duration, 1.0f) << "an expired strike stayed";
        if (i > 0) {
            const float gap = s.start - schedule.strikes[i - 1].start;
            EXPECT_GE(gap, 0.105f - 1e-4f);
            EXPECT_LE(gap, 0.182f + 1e-4f);
        }
    }
    EXPECT_GT(schedule.nextSpawn, 0.5f);
    EXPECT_LE(schedule.nextSpawn - schedule.strikes[schedule.count - 1].start, 0.182f + 1e-4f);
}

TEST(CubeLightningSchedule, FifteenthStrikeDropsTheOldest) {
    LightningSchedule schedule;
    for (int i = 0; i < 14; ++i) appendStrike(schedule, LightningStrike{(float)i, 100.0f, 0.5f});
    ASSERT_EQ(schedule.count, 14);
    EXPECT_EQ(schedule.strikes[0].start, 0.0f);
    appendStrike(schedule, LightningStrike{14.0f, 100.0f, 0.5f});
    ASSERT_EQ(schedule.count, 14);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(schedule.strikes[i].start, (float)(i + 1));

    // A frame long enough for dozens of spawns never holds more than 14
    LightningSchedule longRun;
    updateLightning(longRun, 0.0f, 1.0f, 1.0f);
    longRun.strikes[0].duration = 1000.0f;  // Would live on, but is dropped all the same
    updateLightning(longRun, 4.0f, 1.0f, 1.0f);
    EXPECT_LE(longRun.count, 14);
    for (int i = 0; i < longRun.count; ++i) EXPECT_GT(longRun.strikes[i].start, 0.0f);
}

TEST(CubeLightningSchedule, ExpiresStrikesAtTheEndOfTheirLifeWhereverTheyAre) {
    LightningSchedule schedule;
    schedule.lastTime = 0.0f;
    schedule.nextSpawn = 100.0f;  // No spawns in this test
    appendStrike(schedule, LightningStrike{0.0f, 0.5f, 0.1f});      // Age 0.5 at t = 0.25
    appendStrike(schedule, LightningStrike{0.125f, 0.125f, 0.2f});  // Age exactly 1: gone
    appendStrike(schedule, LightningStrike{0.25f, 0.25f, 0.3f});    // Age 0
    updateLightning(schedule, 0.25f, 1.0f, 1.0f);
    ASSERT_EQ(schedule.count, 2);
    EXPECT_EQ(schedule.strikes[0].seed, 0.1f);
    EXPECT_EQ(schedule.strikes[1].seed, 0.3f);
}

TEST(CubeLightningSchedule, RearmsWhenTimeRunsBackwards) {
    LightningSchedule schedule;
    for (int i = 0; i <= 120; ++i) updateLightning(schedule, (float)i * kFrame, 1.0f, 1.0f);
    ASSERT_GT(schedule.count, 0);

    updateLightning(schedule, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(schedule.count, 1);
    EXPECT_EQ(schedule.strikes[0].start, 1.0f);
    const float next = schedule.nextSpawn;
    EXPECT_GE(next - 1.0f, 0.105f - 1e-4f);
    EXPECT_LE(next - 1.0f, 0.182f + 1e-4f);

    // The same time again is not a step backwards: nothing changes
    updateLightning(schedule, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(schedule.count, 1);
    EXPECT_EQ(schedule.nextSpawn, next);

    // A re-armed schedule matches a fresh one
    LightningSchedule fresh;
    updateLightning(fresh, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(fresh.strikes[0].seed, schedule.strikes[0].seed);
    EXPECT_EQ(fresh.strikes[0].duration, schedule.strikes[0].duration);
}

TEST(CubeLightningSchedule, HugeSceneTimesDoNotHang) {
    LightningSchedule schedule;
    updateLightning(schedule, 8388608.0f, 1.0f, 1.0f);  // 2^23 s: a gap no longer moves the time
    updateLightning(schedule, 8388608.0f, 1.0f, 1.0f);
    EXPECT_GE(schedule.count, 1);
    EXPECT_LE(schedule.count, 14);
}

TEST(CubeLightningBolt, EndsOnTheOutermostRowOrColumn) {
    const int cols = 40, rows = 20;
    struct Case { float x, y, heading; };
    // Left, right and down; a step landing on the outer ring ends the bolt before it draws
    for (const Case c : {Case{4.0f, 10.0f, kPi}, Case{35.0f, 10.0f, 0.0f}, Case{20.0f, 12.0f, kPi * 0.5f}}) {
        TestGrid fb(cols, rows);
        EXPECT_EQ(drawBolt(fb, LightningBolt{c.x, c.y, c.heading, 0.0f, 100, 1.0f, true}, nullptr, 0, kBg),
                  BoltEnd::Border);
        EXPECT_GT(countCells(fb, isBoltGlyph), 0);
        for (int y = 0; y < rows; ++y) {
            EXPECT_FALSE(isBoltGlyph(fb.at(0, y).codepoint));
            EXPECT_FALSE(isBoltGlyph(fb.at(cols - 1, y).codepoint));
        }
        for (int x = 0; x < cols; ++x) {
            EXPECT_EQ(fb.at(x, 0).codepoint, (uint32_t)' ');
            EXPECT_FALSE(isBoltGlyph(fb.at(x, rows - 1).codepoint));
        }
    }
}

TEST(CubeLightningBolt, GlyphsFollowTheSlopeAndColoursClamp) {
    struct Case { float heading; uint32_t glyph; int x; };
    // Seed 0: the first step keeps its heading
    for (const Case c : {Case{0.0f, '/', 21}, Case{kPi, '\\', 19}, Case{kPi * 0.5f, '|', 20}}) {
        TestGrid fb;
        EXPECT_EQ(drawBolt(fb, LightningBolt{20.0f, 10.0f, c.heading, 0.0f, 1, 1.0f, true}, nullptr, 0, kBg),
                  BoltEnd::StepsDone);
        int drawnX = -1, drawnY = -1;
        for (int y = 0; y < fb.rows; ++y) {
            for (int x = 0; x < fb.cols; ++x) {
                if (isBoltGlyph(fb.at(x, y).codepoint)) drawnX = x, drawnY = y;
            }
        }
        ASSERT_EQ(drawnX, c.x) << "heading " << c.heading;
        EXPECT_EQ(fb.at(drawnX, drawnY).codepoint, c.glyph);
        EXPECT_EQ(fb.at(drawnX, drawnY).fg, (Color{220, 245, 255, 255}));
        EXPECT_EQ(fb.at(drawnX, drawnY).bg, kBg);
        EXPECT_EQ(fb.at(drawnX - 1, drawnY).codepoint, (uint32_t)'.');
        EXPECT_EQ(fb.at(drawnX + 1, drawnY).fg, (Color{90, 155, 255, 255}));
    }

    // Intensity 2 saturates: core white, halo (180, 255, 255); a branch steps 0.65 across
    TestGrid fb;
    drawBolt(fb, LightningBolt{20.0f, 10.0f, 0.0f, 0.0f, 1, 2.0f, false}, nullptr, 0, kBg);
    EXPECT_EQ(fb.at(21, 10).codepoint, (uint32_t)'/');  // 20.65 rounds to 21, y 10.42 to 10
    EXPECT_EQ(fb.at(21, 10).fg, (Color{255, 255, 255, 255}));
    EXPECT_EQ(fb.at(20, 10).fg, (Color{180, 255, 255, 255}));
}

TEST(CubeLightningBolt, EndsInAStarOnTouchingATarget) {
    // Straight down from (20, 5): the first step reaches y 6.14, 0.86 cells above the target,
    // is pulled 0.25 further down and lands in (20, 6)
    const Vector2 target = {20.0f, 7.0f};
    for (float I : {1.0f, 0.5f}) {
        TestGrid fb;
        EXPECT_EQ(drawBolt(fb, LightningBolt{20.0f, 5.0f, kPi * 0.5f, 0.0f, 30, I, true}, &target, 1, kBg),
                  BoltEnd::Star);
        EXPECT_EQ(fb.at(20, 6).codepoint, (uint32_t)'*');
        EXPECT_EQ(fb.at(20, 6).fg, I == 1.0f ? (Color{245, 250, 255, 255}) : (Color{122, 125, 255, 255}));
        EXPECT_EQ(fb.at(19, 6).codepoint, (uint32_t)'.');
        EXPECT_EQ(fb.at(21, 6).codepoint, (uint32_t)'.');
        EXPECT_EQ(countCells(fb, isBoltGlyph), 0) << "the star is the only step";
    }

    // A touch is anything below 1.3 squared cells: 1.2 ends in a star, 1.4 not yet
    for (const float d2 : {1.2f, 1.4f}) {
        const Vector2 near = {20.0f, 6.14f + sqrtf(d2)};
        TestGrid fb;
        const BoltEnd end = drawBolt(fb, LightningBolt{20.0f, 5.0f, kPi * 0.5f, 0.0f, 1, 1.0f, true}, &near, 1, kBg);
        EXPECT_EQ(end, d2 < 1.3f ? BoltEnd::Star : BoltEnd::StepsDone) << "squared distance " << d2;
    }

    // Without targets the same bolt never ends in a star
    TestGrid fb;
    EXPECT_EQ(drawBolt(fb, LightningBolt{20.0f, 5.0f, kPi * 0.5f, 0.0f, 100, 1.0f, true}, nullptr, 0, kBg),
              BoltEnd::Border);
    EXPECT_EQ(countCells(fb, [](uint32_t c) { return c == '*'; }), 0);
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
    // One step: only the choice of the first target shows, and it differs between left and right
    ASSERT_FALSE(sameCells(render(1, {left}), render(1, {right})));
    EXPECT_TRUE(sameCells(render(1, {left, right}), render(1, {left})));
    EXPECT_TRUE(sameCells(render(1, {right, left}), render(1, {right})));
    EXPECT_TRUE(sameCells(render(1, {left, nearer, right}), render(1, {nearer})));
    EXPECT_FALSE(sameCells(render(1, {right}), render(1, {}))) << "a target within 6 cells bends the bolt";

    // A target that is never within 6 cells leaves the walk alone
    EXPECT_TRUE(sameCells(render(12, {Vector2{10.0f, 30.0f}}), render(12, {})));
}

TEST(CubeLightningStrikes, FaintStrikesStayButDrawNothing) {
    const CubeLook look = {1.0f, 1.0f, 0.5f, 1.0f};
    LightningSchedule schedule;
    appendStrike(schedule, LightningStrike{0.0f, 1.0f, 0.4f});
    // Age 0.99: fall 0.015, intensity about 0.0155
    TestGrid faint;
    drawLightning(faint, schedule, 0.99f, look, nullptr, 0, kBg);
    EXPECT_EQ(countCells(faint, [](uint32_t c) { return c != ' '; }), 0);

    // Age 0.97: intensity about 0.047, drawn
    TestGrid dim;
    drawLightning(dim, schedule, 0.97f, look, nullptr, 0, kBg);
    EXPECT_GT(countCells(dim, isBoltGlyph), 0);
}

TEST(CubeLightningStrikes, MainBoltGrowsDownFromTheTopEdge) {
    const CubeLook look = {1.0f, 1.0f, 0.5f, 1.0f};
    auto lowestRow = [](const AsciiFramebuffer& fb, int& topRow) {
        int lowest = -1;
        topRow = fb.rows;
        for (int y = 0; y < fb.rows; ++y) {
            for (int x = 0; x < fb.cols; ++x) {
                if (isBoltGlyph(fb.at(x, y).codepoint)) {
                    lowest = y;
                    if (y < topRow) topRow = y;
                }
            }
        }
        return lowest;
    };
    LightningSchedule schedule;
    appendStrike(schedule, LightningStrike{0.0f, 0.3f, 0.5f});

    // Just born: the main bolt has its minimum of 4 steps and the branch hangs from its short length
    TestGrid young;
    drawLightning(young, schedule, 0.0f, look, nullptr, 0, kBg);
    int top = 0;
    const int youngLowest = lowestRow(young, top);
    EXPECT_EQ(top, 1) << "the first step of the main bolt lands on row 1";
    EXPECT_GE(youngLowest, 3);
    EXPECT_LE(youngLowest, 8);

    // Past 34 % of its life the main bolt has 63 steps on 42 rows and runs to the bottom
    TestGrid grown;
    drawLightning(grown, schedule, 0.15f, look, nullptr, 0, kBg);
    EXPECT_GE(lowestRow(grown, top), 30);
    EXPECT_EQ(top, 1);
}
