
#include <cstring>

#include "scene_harness.h"
#include "scenes/goo_bounce.h"

namespace {

using scene_harness::SceneGrid;
using Balls = GooBall[kGooBallCount];

bool sameBalls(const GooBall* a, const GooBall* b) { return std::memcmp(a, b, sizeof(GooBall) * kGooBallCount) == 0; }

// Balls far apart with small radii, so no pair is close enough to push
void spreadOut(Balls& balls) {
    const float x[] = {-0.8f, 0.8f, -0.8f, 0.8f, 0.0f}, y[] = {-0.8f, -0.8f, 0.8f, 0.8f, 0.8f};
    for (int i = 0; i < kGooBallCount; i++) balls[i] = GooBall{x[i], y[i], 0.0f, 0.0f, 0.2f, 0.5f};
}

}  // namespace

TEST(GooBounce, FreshStartsDrawTheTableAndLongGapsMoveOneClampedStep) {
    SceneGrid g(goo_bounce);
    g.freshStart(3.0f);
    EXPECT_TRUE(sameBalls(gooBalls(), gooInitialBalls)) << "dt is 0 on a fresh start, at any time";
    Balls afterGap;
    g.render(4.0f);
    std::copy(gooBalls(), gooBalls() + kGooBallCount, afterGap);
    EXPECT_TRUE((g.render(0.0f), sameBalls(gooBalls(), gooInitialBalls))) << "time ran backwards: no motion";
    EXPECT_TRUE((g.render(0.12f), sameBalls(gooBalls(), afterGap))) << "1 s moves the balls as far as 0.12 s";
    EXPECT_TRUE((g.render(0.11f), sameBalls(gooBalls(), gooInitialBalls))) << "a short step back restarts too";
    EXPECT_TRUE((SceneGrid(goo_bounce, 9, 40).render(0.5f), sameBalls(gooBalls(), gooInitialBalls))) << "too small";
}

TEST(GooBounce, WallsBounceBallsBackAndRadiiApproachTheirTargets) {
    Balls balls;
    spreadOut(balls);  // Two of them about to leave through the right and the top walls
    balls[1] = GooBall{1.07f, 0.0f, 2.0f, 0.0f, 0.2f, 0.5f};
    balls[2] = GooBall{-0.5f, -1.05f, 0.0f, -3.0f, 0.2f, 0.5f};
    stepGooBalls(balls, 0.1f, 0.0f, 0.0f, 0.0f);
    // vx' = 2 - 0.18 * 1.07 * 0.1 = 1.98074, damped by e^-0.28 to 1.49701: past the wall, 88 % back
    EXPECT_TRUE(balls[1].x == 1.08f && fabsf(balls[1].vx + 0.88f * 1.49701f) < 2e-5f) << balls[1].vx;
    // vy' = -3 + (0.1 * -0.5 + 0.18 * 1.05) * 0.1 = -2.98610, damped to -2.25685: past the top wall
    EXPECT_TRUE(balls[2].y == -1.08f && fabsf(balls[2].vy - 0.88f * 2.25685f) < 2e-5f) << balls[2].vy;
    // Silent radius targets 0.26, 0.31, 0.36, 0.26, 0.31, approached at the rate 4.5 * dt
    const float targets[kGooBallCount] = {0.26f, 0.31f, 0.36f, 0.26f, 0.31f};
    for (int i = 0; i < kGooBallCount; i++) EXPECT_FLOAT_EQ(balls[i].r, 0.2f + (targets[i] - 0.2f) * 0.45f) << i;
}

TEST(GooBounce, BeatRiseKicksOutwardsLaterBallsHarder) {
    Balls calm, kicked, barely;
    for (Balls* b : {&calm, &kicked, &barely}) spreadOut(*b);
    stepGooBalls(calm, 0.01f, 0.0f, 0.0f, 0.0f);
    stepGooBalls(kicked, 0.01f, 0.5f, 0.0f, 0.0f);
    EXPECT_TRUE((stepGooBalls(barely, 0.01f, 0.001f, 0.0f, 0.0f), sameBalls(barely, calm))) << "a rise of 0.001 is no beat";
    for (int i = 0; i < kGooBallCount; i++) {
        const float dvx = kicked[i].vx - calm[i].vx, dvy = kicked[i].vy - calm[i].vy;
        // rise * kick * (0.5 + 0.2 i) with kick 0.8 in silence, damped by e^(-2.8 * 0.01)
        EXPECT_NEAR(sqrtf(dvx * dvx + dvy * dvy), 0.5f * 0.8f * (0.5f + 0.2f * (float)i) * 0.972388f, 1e-5f) << i;
        EXPECT_GT(dvx * calm[i].x + dvy * calm[i].y, 0.0f) << "ball " << i << " is thrown outwards";
    }
}

TEST(GooBounce, OverlappingBallsPushApartSymmetrically) {
    Balls balls;
    spreadOut(balls);
    balls[0] = GooBall{-0.05f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    balls[4] = GooBall{0.05f, 0.0f, 0.0f, 0.0f, 0.3f, 0.5f};
    stepGooBalls(balls, 0.05f, 0.0f, 0.0f, 0.0f);
    // Radii 0.291 and 0.30225: reach 0.367815 at distance 0.0999659 after the move; the push
    // (0.367815 - 0.0999659) * 1.8 * 0.05 against the spring's 0.000391211
    EXPECT_NEAR(balls[0].vx, 0.000391211f - 0.0241052f, 3e-6f);
    EXPECT_TRUE(balls[0].vx == -balls[4].vx && balls[0].vy == -balls[4].vy && balls[0].x == -balls[4].x);
    EXPECT_LT(balls[0].x, -0.049f) << "separation moves velocities only";
}

TEST(GooBounce, CellOnTheBallCentres) {
    // At t = 0 in silence the centre cell of a 121 x 43 grid samples the field at (0, 0) exactly
    SceneGrid g(goo_bounce, 121, 43);
    g.freshStart(0.0f);
    for (int i = 0; i < kGooBallCount; i++) gooBalls()[i] = GooBall{0, 0, 0, 0, gooInitialBalls[i].r, gooInitialBalls[i].w};
    g.render(0.0f);  // dt 0: drawn where they were placed
    // f = r^2 / 0.001: 193.6, 160, 108.9, 84.1, 129.6; sum 676.2, weighted 299.775, m = 0.4433;
    // base (135, 147, 159), rim 1, so bright 1.08; background red 135 * 0.11 + 8 + 0.8 * 193.6
    EXPECT_EQ(g.at(60, 21), (Cell{'@', {145, 158, 171, 255}, {177, 25, 32, 255}}));
    EXPECT_TRUE(g.at(0, 0).codepoint == ' ' && g.at(0, 0).bg.g == 9) << "far from every ball the field is weak";
}
