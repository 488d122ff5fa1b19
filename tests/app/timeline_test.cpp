// The show's sequence driven through the frame loop with scripted times, keys and audio.
#include <gtest/gtest.h>

#include <cstring>

#include "app/outro.h"
#include "fake_platform.h"

namespace {

const SceneDesc& row(const char* name) { return *findScene(name); }

struct ShowFixture : ::testing::Test {
    FakePlatform fake;
    Platform platform = fake.platform();
    Show show;

    void SetUp() override {
        fake.now = 2.0f;
        startShow(show, platform);
    }
    void frameAt(float t, unsigned keys = 0) {
        fake.now = t;
        fake.keys = keys;
        runFrame(show, platform);
    }
    const char* scene() const { return currentSceneName(show); }
};

}  // namespace

TEST(SceneDuration, ByScene) {
    EXPECT_NEAR(sceneDuration(row("intro_boot")), 6.1887879f, 1e-6f);
    EXPECT_EQ(sceneDuration(row("cellular")), 10.0f);
    EXPECT_EQ(sceneDuration(row("dual_fluid")), 10.0f);
    EXPECT_EQ(sceneDuration(row("end_credits")), 14.0f);
    for (const char* name : {"wave_scroll", "plasma_storm", "goo_bounce", "julia_blast", "mandelbrot", "cube",
                             "starfield_warp"}) {
        EXPECT_EQ(sceneDuration(row(name)), 8.0f) << name;
    }
}

TEST(TransitionView, DarkensOnlyOverTheLastQuarter) {
    ShowTimeline tl;
    tl.transitionStart = 10.0f;
    const AudioFeatures silence;
    EXPECT_EQ(transitionView(tl, 10.0f + 0.74f * 1.15f, silence).darkenAlpha, 0);
    EXPECT_EQ(transitionView(tl, 10.0f + 0.87f * 1.15f, silence).darkenAlpha, 127);
    EXPECT_EQ(transitionView(tl, 15.0f, silence).darkenAlpha, 255);
    EXPECT_EQ(transitionView(tl, 15.0f, silence).progress, 1.0f);
    EXPECT_EQ(transitionView(tl, 9.0f, silence).progress, 0.0f);
    AudioFeatures loud;
    loud.bass = 1.0f;
    loud.beat = 1.0f;
    EXPECT_EQ(transitionView(tl, 10.5f, loud).punch, 1.0f);
    loud.bass = 0.5f;
    loud.beat = 0.0f;
    EXPECT_NEAR(transitionView(tl, 10.5f, loud).punch, 0.3f, 1e-6f);
}

TEST_F(ShowFixture, StartsOnTheBootConsoleAtZoomZero) {
    EXPECT_EQ(show.mode, ShowMode::Show);
    EXPECT_STREQ(scene(), "intro_boot");
    EXPECT_EQ(show.timeline.sceneStart, 2.0f);
    EXPECT_EQ(show.fb->cols, 120);
    EXPECT_EQ(show.fb->rows, 42);
    EXPECT_TRUE(show.colorBoost);
    EXPECT_TRUE(show.fb->colorBoost);
    EXPECT_TRUE(show.redrawAll);
}

TEST_F(ShowFixture, IntroHandsOverAtItsDurationAndZoomsIntoThePrompt) {
    show.timeline.sceneStart = 0.0f;  // So that the scene time is exactly the clock
    const float end = sceneDuration(row("intro_boot"));
    frameAt(end - 0.01f);
    EXPECT_FALSE(show.timeline.transitionActive);
    frameAt(end);  // Equality advances
    EXPECT_TRUE(show.timeline.transitionActive);
    EXPECT_EQ(show.timeline.nextScene, 1);
    EXPECT_EQ(show.timeline.anchorX, 11);
    EXPECT_EQ(show.timeline.anchorY, 21);
    ASSERT_FALSE(fake.presented.empty());
    EXPECT_EQ(fake.presented.back().kind, Presentation::Focused);
    EXPECT_EQ(fake.presented.back().focusX, 11);
}

TEST_F(ShowFixture, TransitionCompletesAfterItsTimeWithAForcedRedrawAtSceneTimeZero) {
    frameAt(3.0f);
    show.redrawAll = false;
    frameAt(3.0f, KeySkip);
    EXPECT_TRUE(show.timeline.transitionActive);
    EXPECT_STREQ(scene(), "intro_boot") << "the scene being left is still rendered";
    frameAt(3.0f + 1.14f);
    EXPECT_TRUE(show.timeline.transitionActive);
    EXPECT_FALSE(fake.redrawForces.back());
    frameAt(3.0f + 1.15f);
    EXPECT_FALSE(show.timeline.transitionActive);
    EXPECT_STREQ(scene(), "wave_scroll");
    EXPECT_EQ(show.timeline.sceneStart, 3.0f + 1.15f);
    EXPECT_TRUE(fake.redrawForces.back());
    EXPECT_EQ(fake.presented.back().kind, Presentation::Plain);
}

TEST_F(ShowFixture, SpaceDuringATransitionDoesNothing) {
    frameAt(3.0f, KeySkip);
    const float started = show.timeline.transitionStart;
    frameAt(3.5f, KeySkip);
    EXPECT_EQ(show.timeline.transitionStart, started);
    EXPECT_EQ(show.timeline.nextScene, 1);
}

TEST_F(ShowFixture, SpaceOnTheLastSceneStartsTheOutroOnTheNextFrameWithoutTransition) {
    float t = 3.0f;
    for (int i = 0; i < 10; ++i) {
        frameAt(t, KeySkip);
        t += 1.2f;
        frameAt(t);
    }
    ASSERT_STREQ(scene(), "end_credits");
    const size_t updates = (size_t)fake.musicUpdates;
    frameAt(t + 0.5f, KeySkip);
    EXPECT_EQ(show.mode, ShowMode::Outro);
    EXPECT_FALSE(show.timeline.transitionActive);
    EXPECT_EQ(show.timeline.outroStart, t + 0.5f);
    EXPECT_EQ(fake.presented.back().kind, Presentation::Plain) << "this frame still shows the credits";
    EXPECT_FALSE(fake.presented.back().overlay);
    frameAt(t + 0.6f);
    EXPECT_TRUE(fake.presented.back().overlay) << "the outro draws its fade every frame";
    EXPECT_EQ(fake.musicUpdates, (int)updates + 2);
}

TEST_F(ShowFixture, ZoomChangeMidTransitionMovesACentreAnchor) {
    frameAt(8.2f);  // Past the intro: now in the transition to wave_scroll
    for (float t = 8.2f; t < 11.0f; t += 1.0f / 60.0f) frameAt(t);
    ASSERT_STREQ(scene(), "wave_scroll");
    frameAt(11.0f, KeySkip);
    ASSERT_TRUE(show.timeline.transitionActive);
    const int cols = show.fb->cols, rows = show.fb->rows;
    EXPECT_EQ(show.timeline.anchorX, cols / 2);
    // The viewer asks for smaller cells: the next frame gets a larger grid
    frameAt(11.02f, KeySmallerCells | KeySmallerCells);
    frameAt(11.04f, KeySmallerCells);
    ASSERT_NE(show.fb->cols, cols);
    EXPECT_EQ(show.timeline.anchorX, show.fb->cols / 2);
    EXPECT_EQ(show.timeline.anchorY, show.fb->rows / 2);
    (void)rows;
}

TEST_F(ShowFixture, UnattendedShowRunsItsFullLengthThenFadesToBlack) {
    float sceneTotal = 0.0f;
    const SceneTable table = sceneTable();
    for (int i = 0; i < table.count; ++i) sceneTotal += sceneDuration(table.rows[i]);
    EXPECT_NEAR(sceneTotal, 96.19f, 0.01f);

    // 30 frames a second: each of the 21 switches happens up to one frame late
    const float frame = 1.0f / 30.0f;
    while (show.mode == ShowMode::Show) {
        fake.now += frame;
        runFrame(show, platform);
    }
    const float showLength = show.timeline.outroStart - 2.0f;
    EXPECT_GE(showLength, 107.69f - 0.01f);
    EXPECT_LE(showLength, 107.69f + 21.0f * frame);
    EXPECT_EQ(fake.musicUnloads, 0);
    while (show.mode == ShowMode::Outro) {
        fake.now += frame;
        runFrame(show, platform);
    }
    EXPECT_GE(fake.now - show.timeline.outroStart, 8.5f);
    EXPECT_LE(fake.now - show.timeline.outroStart, 8.5f + frame);
    EXPECT_EQ(fake.musicUnloads, 1);
    EXPECT_EQ(fake.volumes.back(), 1.0f);

    const int updates = fake.musicUpdates;
    frameAt(fake.now + 1.0f, KeySkip);
    EXPECT_EQ(show.mode, ShowMode::Finished);
    EXPECT_EQ(fake.presented.back().kind, Presentation::Black);
    EXPECT_EQ(fake.musicUpdates, updates) << "nothing plays or polls once finished";
}

TEST_F(ShowFixture, KeysActOnTheirStateAndForceRedrawsWhereTheyChangePixels) {
    runUntil(show, fake, platform, 5.0f);  // Let the grid settle so no zoom change forces a redraw
    const int made = fake.framebuffersMade;
    show.redrawAll = false;
    frameAt(5.01f, KeyRedrawAll);
    EXPECT_TRUE(show.redrawAll);
    frameAt(5.02f, KeyRedrawAll);
    EXPECT_FALSE(show.redrawAll);
    EXPECT_FALSE(fake.redrawForces.back());
    ASSERT_EQ(fake.framebuffersMade, made);

    frameAt(5.03f, KeyColorBoost);
    EXPECT_FALSE(show.colorBoost);
    EXPECT_FALSE(show.fb->colorBoost);
    EXPECT_TRUE(fake.redrawForces.back());

    frameAt(5.04f, KeyFullscreen);
    EXPECT_EQ(fake.fullscreenToggles, 1);
    EXPECT_TRUE(fake.redrawForces.back());

    frameAt(5.05f, KeyTempoUp | KeyTempoUp);
    EXPECT_EQ(show.tempo.bpm, 126.0f) << "one step per frame, however the bits are set";
    frameAt(5.06f, KeyTempoDown);
    EXPECT_EQ(show.tempo.bpm, 125.0f);
    frameAt(5.07f, KeyRestartBeats);
    EXPECT_EQ(show.beat.beatPos, 0.0f);
    frameAt(5.08f, KeyLargerCells);
    EXPECT_EQ(show.zoom.userZoom, -0.5f);
}

TEST_F(ShowFixture, ColorBoostIsCarriedIntoAReplacedFramebuffer) {
    frameAt(2.1f, KeyColorBoost);
    const int made = fake.framebuffersMade;
    for (float t = 2.1f; fake.framebuffersMade == made && t < 6.0f; t += 1.0f / 60.0f) frameAt(t);
    ASSERT_GT(fake.framebuffersMade, made) << "silence moves the grid away from level 0";
    EXPECT_FALSE(show.fb->colorBoost);
    EXPECT_TRUE(fake.redrawForces.back());
}

TEST_F(ShowFixture, AStallFeedsTheSpringAtMostOneStepButTheTimelineTheWholeGap) {
    frameAt(2.5f);
    ZoomSpring expected = show.zoom;
    zoomStep(expected, 0.12f, AudioFeatures{}, "intro_boot");
    frameAt(2.5f + 3.0f);
    EXPECT_EQ(show.zoom.springPos, expected.springPos);
    frameAt(12.0f);
    EXPECT_TRUE(show.timeline.transitionActive) << "the intro ended during the stall";
}

TEST(Outro, TextColourWrapsTheBlueChannel) {
    const Color bright = outroTextColor(0.0f, 1.0f);
    EXPECT_EQ(bright.r, 230);
    EXPECT_EQ(bright.g, 250);
    EXPECT_EQ(bright.b, 9);
    const Color calm = outroTextColor(0.0f, 0.0f);
    EXPECT_EQ(calm.r, 170);
    EXPECT_EQ(calm.g, 181);
    EXPECT_EQ(calm.b, 188);
    const Color faded = outroTextColor(1.0f, 1.0f);
    EXPECT_EQ(faded.r, 30);
    EXPECT_EQ(faded.g, 20);
    EXPECT_EQ(faded.b, 10);
}

TEST(Outro, FieldAndTextOnTheGrid) {
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    drawOutro(fb, 3.0f, 0.0f, AudioFeatures{});
    const char* text = "THANKS FOR WATCHING";
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(fb.at(51 + i, 21).codepoint, (uint32_t)(unsigned char)text[i]);
        EXPECT_EQ(fb.at(51 + i, 21).bg, (Color{6, 8, 14, 255}));
    }
    int lit = 0;
    for (const Cell& c : fb.cells) {
        lit += c.codepoint != 32;
        EXPECT_EQ(c.bg.a, 255);
    }
    EXPECT_GT(lit, 120 * 42 / 2);

    // Fully faded: every field cell is the blank of the ramp
    drawOutro(fb, 3.0f, 1.0f, AudioFeatures{});
    for (int x = 0; x < 120; ++x) EXPECT_EQ(fb.at(x, 0).codepoint, 32u);
    EXPECT_EQ(fb.at(51, 21).fg, (Color{30, 20, 10, 255}));
}

TEST(Outro, TextStaysOnSmallGrids) {
    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    drawOutro(fb, 1.0f, 0.5f, AudioFeatures{});
    EXPECT_EQ(fb.at(9, 7).codepoint, (uint32_t)'T');  // Column 18 - 9, row 7
}

TEST(Outro, FadeRunsOverEightAndAHalfSeconds) {
    EXPECT_EQ(outroFade(10.0f, 10.0f), 0.0f);
    EXPECT_NEAR(outroFade(14.25f, 10.0f), 0.5f, 1e-6f);
    EXPECT_EQ(outroFade(30.0f, 10.0f), 1.0f);
    EXPECT_EQ(outroFade(5.0f, 10.0f), 0.0f);
}
