#include <gtest/gtest.h>

#include <cmath>

#include "app/zoom.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

AudioFeatures levels(float bass, float mid, float treble, float beat) { return AudioFeatures{true, 0.0f, bass, mid, treble, beat}; }

// Runs the spring for 20 s of 60 fps frames; returns the last level.
int settle(ZoomSpring& spring, const AudioFeatures& audio, const char* scene) {
    int level = 0;
    for (float t = 0.0f; t < 20.0f; t += kFrame) level = zoomStep(spring, kFrame, audio, scene);
    return level;
}

}  // namespace

TEST(Zoom, ClassAndSettledLevelByScene) {
    const struct { const char* scene; ZoomClass zoomClass; int silentLevel; } cases[] = {{"cellular", ZoomClass::Fluid, 1},         {"dual_fluid", ZoomClass::Fluid, 1},
                 {"mandelbrot", ZoomClass::Fractal, 2},     {"julia_blast", ZoomClass::Fractal, 2},
                 {"end_credits", ZoomClass::Steady, 0},     {"starfield_warp", ZoomClass::Steady, 0},
                 {"wave_scroll", ZoomClass::Normal, 2},     {"mandelbrot2", ZoomClass::Normal, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(zoomClassFor(c.scene), c.zoomClass) << c.scene;
        ZoomSpring spring;
        spring.userZoom = 4.0f;  // Steady scenes ignore the viewer too
        EXPECT_EQ(settle(spring, AudioFeatures{}, c.scene), c.zoomClass == ZoomClass::Steady ? 0 : c.silentLevel + 4) << c.scene;
        EXPECT_TRUE(c.zoomClass != ZoomClass::Normal || fabsf(spring.springPos - 9.0f * 0.55f / 11.2f) < 1e-3f) << c.scene;
    }
    EXPECT_EQ(zoomClassFor(nullptr), ZoomClass::Normal);
    ZoomSpring loud;
    EXPECT_EQ(settle(loud, levels(1.0f, 0.5f, 0.5f, 1.0f), "goo_bounce"), -6);
}

TEST(Zoom, ViewerZoomIsClampedAndSpringSharesInsideTheDeadBandLeaveItsLevel) {
    ZoomSpring spring;
    for (int i = 0; i < 20; ++i) zoomOut(spring);  // '-': smaller cells, a higher level
    EXPECT_EQ(spring.userZoom, 4.0f);
    for (int i = 0; i < 40; ++i) zoomIn(spring);
    EXPECT_EQ(spring.userZoom, -4.0f);
    // The spring at its negative limit with the viewer at -4 would pass -7
    spring.springPos = -1.0f;
    spring.springVel = -1.8f;
    EXPECT_EQ(zoomStep(spring, kFrame, levels(1.0f, 0.0f, 0.0f, 1.0f), "wave_scroll"), -7);

    // In silence with dt 0 the spring stands still: its share is 0.78 * 7 * springPos
    const struct { float userZoom, springPos; int level; } cases[] = {{1.5f, 0.05f, 2}, {-1.5f, 0.0f, -2},  // round() half away from zero
                 {0.2f, 0.06f, 0},                      // Share 0.33: inside the 0.35 band
                 {0.2f, 0.07f, 1}};                     // Share 0.38: 0.58 rounds up
    for (const auto& c : cases) {
        ZoomSpring s;
        s.userZoom = c.userZoom;
        s.springPos = c.springPos;
        EXPECT_EQ(zoomStep(s, 0.0f, AudioFeatures{}, "wave_scroll"), c.level) << c.userZoom << " " << c.springPos;
    }
}

TEST(Zoom, BeatRisesKickTheSpringWhichStaysInRangeAndNaNActsAsSilence) {
    ZoomSpring spring;
    zoomStep(spring, kFrame, levels(0.0f, 0.0f, 0.0f, 0.0f), "wave_scroll");
    const float calm = spring.springVel;
    zoomStep(spring, kFrame, levels(0.0f, 0.0f, 0.0f, 0.8f), "wave_scroll");
    EXPECT_LT(spring.springVel, calm - 1.0f);
    for (int i = 0; i < 600; ++i) {
        const float beat = (i % 7 == 0) ? 1.0f : 0.0f;
        zoomStep(spring, 0.12f, levels(beat, 1.0f - beat, 0.3f, beat), "goo_bounce");
        ASSERT_TRUE(fabsf(spring.springVel) <= 1.8f && fabsf(spring.springPos) <= 1.0f) << i;
    }

    ZoomSpring quiet, poisoned;  // NaN levels act as silence; a spring that holds NaN starts again from rest
    poisoned.springPos = poisoned.springVel = poisoned.prevBeat = NAN;
    for (int i = 0; i < 120; ++i) {
        const AudioFeatures nan = i % 2 ? levels(NAN, 0.0f, 0.0f, 0.0f) : levels(0.0f, NAN, NAN, NAN);
        EXPECT_EQ(zoomStep(poisoned, kFrame, nan, "plasma_storm"), zoomStep(quiet, kFrame, {}, "plasma_storm"));
    }
    EXPECT_EQ(poisoned.springPos, quiet.springPos);
}

// On a steady scene the spring still moves by its own force, then both decay within the frame:
// worked by hand for springPos 0.5 at rest, silence, dt 0.1 (stiffness 16, damping 11).
TEST(Zoom, SteadyScenesDecayTheSpringTowardsRest) {
    ZoomSpring spring;
    spring.springPos = 0.5f;
    spring.userZoom = 3.0f;
    EXPECT_EQ(zoomStep(spring, 0.1f, AudioFeatures{}, "end_credits"), 0);
    // vel = e^-1.1 * (16 * 0.1 * -0.5 - 2.2 * 0.1 * 0.5) = -0.3029127; pos = 0.5 + vel, then
    // pos * e^-1.2 and vel * e^-1.4
    EXPECT_NEAR(spring.springPos, 0.0593616f, 2e-6f);
    EXPECT_NEAR(spring.springVel, -0.0746973f, 2e-6f);
}
