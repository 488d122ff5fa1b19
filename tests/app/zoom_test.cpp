#include <gtest/gtest.h>

#include <cmath>

#include "app/zoom.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

AudioFeatures levels(float bass, float mid, float treble, float beat) {
    AudioFeatures a;
    a.valid = true;
    a.bass = bass;
    a.mid = mid;
    a.treble = treble;
    a.beat = beat;
    return a;
}

// Runs the spring for `seconds` of 60 fps frames; returns the last level.
int settle(ZoomSpring& spring, const AudioFeatures& audio, const char* scene, float seconds = 20.0f) {
    int level = 0;
    for (float t = 0.0f; t < seconds; t += kFrame) level = zoomStep(spring, kFrame, audio, scene);
    return level;
}

}  // namespace

TEST(ZoomClass, ByWholeSceneName) {
    EXPECT_EQ(zoomClassFor("cellular"), ZoomClass::Fluid);
    EXPECT_EQ(zoomClassFor("dual_fluid"), ZoomClass::Fluid);
    EXPECT_EQ(zoomClassFor("mandelbrot"), ZoomClass::Fractal);
    EXPECT_EQ(zoomClassFor("julia_blast"), ZoomClass::Fractal);
    EXPECT_EQ(zoomClassFor("end_credits"), ZoomClass::Steady);
    EXPECT_EQ(zoomClassFor("starfield_warp"), ZoomClass::Steady);
    EXPECT_EQ(zoomClassFor("plasma_storm"), ZoomClass::Normal);
    EXPECT_EQ(zoomClassFor("mandelbrot2"), ZoomClass::Normal);
    EXPECT_EQ(zoomClassFor(nullptr), ZoomClass::Normal);
}

TEST(ZoomSpring, SilenceSettlesPerClass) {
    const AudioFeatures silence;
    ZoomSpring normal;
    EXPECT_EQ(settle(normal, silence, "wave_scroll"), 2);
    EXPECT_NEAR(normal.springPos, 9.0f * 0.55f / 11.2f, 1e-3f);
    ZoomSpring fluid;
    EXPECT_EQ(settle(fluid, silence, "cellular"), 1);
    ZoomSpring fractal;
    EXPECT_EQ(settle(fractal, silence, "mandelbrot"), 2);
    ZoomSpring steady;
    EXPECT_EQ(settle(steady, silence, "end_credits"), 0);
    EXPECT_NEAR(steady.springPos, 0.0f, 1e-3f);
}

TEST(ZoomSpring, LoudPassageMakesTheCellsLarge) {
    ZoomSpring spring;
    EXPECT_EQ(settle(spring, levels(1.0f, 0.5f, 0.5f, 1.0f), "goo_bounce"), -6);
}

TEST(ZoomSpring, UserZoomAddsToTheSpringAndIsClamped) {
    ZoomSpring spring;
    for (int i = 0; i < 6; ++i) zoomOut(spring);
    EXPECT_EQ(spring.userZoom, 3.0f);
    EXPECT_EQ(settle(spring, AudioFeatures{}, "wave_scroll"), 5);
    for (int i = 0; i < 20; ++i) zoomOut(spring);
    EXPECT_EQ(spring.userZoom, 4.0f);
    for (int i = 0; i < 40; ++i) zoomIn(spring);
    EXPECT_EQ(spring.userZoom, -4.0f);

    // The spring at its negative limit with the viewer at -4 would pass -7
    spring.springPos = -1.0f;
    spring.springVel = -1.8f;
    EXPECT_EQ(zoomStep(spring, kFrame, levels(1.0f, 0.0f, 0.0f, 1.0f), "wave_scroll"), -7);
}

TEST(ZoomSpring, SmallSpringSharesStayInTheDeadBand) {
    ZoomSpring spring;
    spring.userZoom = 1.5f;
    spring.springPos = 0.05f;  // 0.78 * 7 * 0.05 = 0.27 below the 0.35 band: the viewer's level alone
    const int level = zoomStep(spring, 0.0f, AudioFeatures{}, "wave_scroll");
    EXPECT_EQ(level, 2) << "round(1.5) half away from zero";
    spring.userZoom = -1.5f;
    spring.springPos = 0.0f;
    spring.springVel = 0.0f;
    EXPECT_EQ(zoomStep(spring, 0.0f, AudioFeatures{}, "wave_scroll"), -2);
}

TEST(ZoomSpring, SteadySceneForcesLevelZeroAndDecays) {
    ZoomSpring spring;
    spring.userZoom = 4.0f;
    spring.springPos = 0.8f;
    spring.springVel = 0.5f;
    EXPECT_EQ(zoomStep(spring, kFrame, AudioFeatures{}, "starfield_warp"), 0);
    const float pos = spring.springPos;
    zoomStep(spring, kFrame, AudioFeatures{}, "starfield_warp");
    EXPECT_LT(fabsf(spring.springPos), fabsf(pos));
}

TEST(ZoomSpring, BeatRiseKicksTheVelocityNegativeOnce) {
    ZoomSpring spring;
    zoomStep(spring, kFrame, levels(0.0f, 0.0f, 0.0f, 0.0f), "wave_scroll");
    const float calm = spring.springVel;
    zoomStep(spring, kFrame, levels(0.0f, 0.0f, 0.0f, 0.8f), "wave_scroll");
    EXPECT_LT(spring.springVel, calm - 1.0f);
    EXPECT_EQ(spring.prevBeat, 0.8f);
}

TEST(ZoomSpring, VelocityAndPositionStayInRange) {
    ZoomSpring spring;
    for (int i = 0; i < 600; ++i) {
        const float beat = (i % 7 == 0) ? 1.0f : 0.0f;
        zoomStep(spring, 0.12f, levels(beat, 1.0f - beat, 0.3f, beat), "goo_bounce");
        EXPECT_LE(fabsf(spring.springVel), 1.8f);
        EXPECT_LE(fabsf(spring.springPos), 1.0f);
    }
}

TEST(ZoomSpring, NaNMeasurementsActAsSilenceAndNeverReachTheLevel) {
    ZoomSpring quiet, poisoned;
    const AudioFeatures silence;
    for (const AudioFeatures& nan : {levels(NAN, 0.0f, 0.0f, 0.0f), levels(0.0f, NAN, NAN, NAN)}) {
        for (int i = 0; i < 120; ++i) {
            EXPECT_EQ(zoomStep(poisoned, kFrame, nan, "plasma_storm"), zoomStep(quiet, kFrame, silence, "plasma_storm"));
        }
        EXPECT_EQ(poisoned.springPos, quiet.springPos);
        EXPECT_FALSE(std::isnan(poisoned.springVel));
    }
    // A spring that holds NaN already starts again from rest
    ZoomSpring broken, rest;
    broken.springPos = broken.springVel = broken.prevBeat = NAN;
    EXPECT_EQ(zoomStep(broken, kFrame, silence, "plasma_storm"), zoomStep(rest, kFrame, silence, "plasma_storm"));
    EXPECT_EQ(broken.springPos, rest.springPos);
}
