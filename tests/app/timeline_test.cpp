// The show's sequence driven through the frame loop with scripted times, keys and audio.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/outro.h"
#include "fake_platform.h"

namespace {

const SceneDesc& row(const char* name) { return *findScene(name); }

}  // namespace

TEST(Timeline, SceneDurations) {
    const struct {
        const char* scene;
        float seconds;
    } cases[] = {{"cellular", 10.0f}, {"dual_fluid", 10.0f}, {"end_credits", 14.0f}, {"wave_scroll", 8.0f},
                 {"plasma_storm", 8.0f}, {"goo_bounce", 8.0f}, {"julia_blast", 8.0f}, {"mandelbrot", 8.0f},
                 {"cube", 8.0f}, {"starfield_warp", 8.0f}};
    for (const auto& c : cases) EXPECT_EQ(sceneDuration(row(c.scene)), c.seconds) << c.scene;
    EXPECT_NEAR(sceneDuration(row("intro_boot")), 6.1887879f, 1e-6f);
}

TEST(Timeline, TransitionDarkensOverItsLastQuarterAndPunchesWithTheMusic) {
    ShowTimeline tl;
    tl.transitionStart = 10.0f;
    const AudioFeatures silence;
    EXPECT_EQ(transitionView(tl, 10.0f + 0.74f * 1.15f, silence).darkenAlpha, 0);
    EXPECT_EQ(transitionView(tl, 10.0f + 0.87f * 1.15f, silence).darkenAlpha, 127);
    EXPECT_EQ(transitionView(tl, 15.0f, silence).darkenAlpha, 255);
    EXPECT_TRUE(transitionView(tl, 15.0f, silence).progress == 1.0f && transitionView(tl, 9.0f, silence).progress == 0.0f);
    AudioFeatures loud;
    loud.bass = loud.beat = 1.0f;
    EXPECT_EQ(transitionView(tl, 10.5f, loud).punch, 1.0f);
    loud.bass = 0.5f, loud.beat = 0.0f;
    EXPECT_NEAR(transitionView(tl, 10.5f, loud).punch, 0.3f, 1e-6f);
}

TEST(Timeline, IntroStartsAtZoomZeroAndHandsOverAtItsDurationIntoThePrompt) {
    FakeShow s(0.0f);  // So that the scene time is exactly the clock
    EXPECT_STREQ(s.scene(), "intro_boot");
    EXPECT_TRUE(s.show.fb->cols == 120 && s.show.fb->rows == 42 && s.show.fb->colorBoost && s.show.redrawAll);
    const float end = sceneDuration(row("intro_boot"));
    s.frameAt(end - 0.01f);
    EXPECT_FALSE(s.show.timeline.transitionActive);
    s.frameAt(end);  // Equality advances
    const ShowTimeline& tl = s.show.timeline;
    EXPECT_TRUE(tl.transitionActive && tl.nextScene == 1 && tl.anchorX == 11 && tl.anchorY == 21);
    EXPECT_TRUE(s.fake.presented.back().kind == Presentation::Focused && s.fake.presented.back().focusX == 11);
}

TEST(Timeline, TransitionIgnoresSpaceAndCompletesOnReachingItsLengthWithAForcedRedraw) {
    // 0.25 + 1.15 is exact in float, so the last frame is exactly the transition's length after its start
    FakeShow s(0.0f);
    s.frameAt(0.1f);
    s.show.redrawAll = false;
    s.frameAt(0.25f, KeySkip);
    s.frameAt(0.5f, KeySkip);
    EXPECT_EQ(s.show.timeline.transitionStart, 0.25f) << "SPACE during a transition does nothing";
    EXPECT_STREQ(s.scene(), "intro_boot") << "the scene being left is still rendered";
    s.frameAt(0.25f + 1.14f);
    EXPECT_TRUE(s.show.timeline.transitionActive && !s.fake.redrawForces.back());
    s.frameAt(0.25f + 1.15f);
    EXPECT_STREQ(s.scene(), "wave_scroll");
    EXPECT_TRUE(!s.show.timeline.transitionActive && s.show.timeline.sceneStart == 0.25f + 1.15f);
    EXPECT_TRUE(s.fake.redrawForces.back()) << "a completed transition redraws every cell";
    EXPECT_EQ(s.fake.presented.back().kind, Presentation::Plain);

    // Smaller cells asked for mid-transition: the anchor follows the centre of the new grid
    s.frameAt(5.0f, KeySkip);
    EXPECT_EQ(s.show.timeline.anchorX, s.show.fb->cols / 2);
    const int cols = s.show.fb->cols;
    s.frameAt(5.02f, KeySmallerCells);
    s.frameAt(5.04f, KeySmallerCells);
    ASSERT_NE(s.show.fb->cols, cols);
    EXPECT_TRUE(s.show.timeline.anchorX == s.show.fb->cols / 2 && s.show.timeline.anchorY == s.show.fb->rows / 2);
}

TEST(Timeline, SpaceOnTheLastSceneStartsTheOutroOnTheNextFrameWithoutTransition) {
    FakeShow s;
    float t = 3.0f;
    for (int i = 0; i < 10; ++i, t += 1.2f) {
        s.frameAt(t, KeySkip);
        s.frameAt(t + 1.2f);
    }
    ASSERT_STREQ(s.scene(), "end_credits");
    s.frameAt(t + 0.5f, KeySkip);
    EXPECT_EQ(s.show.mode, ShowMode::Outro);
    EXPECT_TRUE(!s.show.timeline.transitionActive && s.show.timeline.outroStart == t + 0.5f);
    EXPECT_FALSE(s.fake.presented.back().overlay) << "this frame still shows the credits";
    s.frameAt(t + 0.6f);
    EXPECT_TRUE(s.fake.presented.back().overlay) << "the outro draws its fade every frame";
}

TEST(Timeline, UnattendedShowRunsItsFullLengthThenFadesPictureAndMusicToBlack) {
    float sceneTotal = 0.0f;
    const SceneTable table = sceneTable();
    for (int i = 0; i < table.count; ++i) sceneTotal += sceneDuration(table.rows[i]);
    EXPECT_NEAR(sceneTotal, 96.19f, 0.01f);

    // 30 frames a second: each of the 21 switches happens up to one frame late
    FakeShow s;
    const float frame = 1.0f / 30.0f;
    while (s.show.mode == ShowMode::Show && s.fake.now < 200.0f) s.frameAt(s.fake.now + frame);
    const float showLength = s.show.timeline.outroStart - 2.0f;
    EXPECT_TRUE(showLength >= 107.68f && showLength <= 107.69f + 21.0f * frame) << showLength;
    s.frameAt(s.show.timeline.outroStart + 4.25f);
    EXPECT_NEAR(s.fake.volumes.back(), 0.5f, 1e-5f) << "the music fades with the picture";
    EXPECT_EQ(s.fake.musicUnloads, 0);
    while (s.show.mode == ShowMode::Outro && s.fake.now < 300.0f) s.frameAt(s.fake.now + frame);
    const float outro = s.fake.now - s.show.timeline.outroStart;
    EXPECT_TRUE(outro >= 8.5f && outro <= 8.5f + frame) << outro;
    EXPECT_TRUE(s.fake.musicUnloads == 1 && s.fake.volumes.back() == 1.0f);

    const int updates = s.fake.musicUpdates;
    s.frameAt(s.fake.now + 1.0f, KeySkip);
    EXPECT_TRUE(s.show.mode == ShowMode::Finished && s.fake.presented.back().kind == Presentation::Black);
    EXPECT_EQ(s.fake.musicUpdates, updates) << "nothing plays or polls once finished";
}

TEST(Timeline, AStallFeedsTheSpringAtMostOneStepButTheTimelineTheWholeGap) {
    FakeShow s;
    s.frameAt(2.5f);
    ZoomSpring expected = s.show.zoom;
    zoomStep(expected, 0.12f, AudioFeatures{}, "intro_boot");
    s.frameAt(2.5f + 3.0f);
    EXPECT_EQ(s.show.zoom.springPos, expected.springPos);
    s.frameAt(12.0f);
    EXPECT_TRUE(s.show.timeline.transitionActive) << "the intro ended during the stall";
}

TEST(Outro, TextColourWrapsTheBlueChannelAndFadesOverEightAndAHalfSeconds) {
    EXPECT_EQ(outroTextColor(0.0f, 1.0f), (Color{230, 250, 9, 255}));
    EXPECT_EQ(outroTextColor(0.0f, 0.0f), (Color{170, 181, 188, 255}));
    EXPECT_EQ(outroTextColor(1.0f, 1.0f), (Color{30, 20, 10, 255}));
    for (const auto& [now, fade] : {std::pair{10.0f, 0.0f}, {14.25f, 0.5f}, {30.0f, 1.0f}, {5.0f, 0.0f}}) {
        EXPECT_NEAR(outroFade(now, 10.0f), fade, 1e-6f) << now;
    }
}

TEST(Outro, FieldAndCentredTextOnLargeAndSmallGrids) {
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    drawOutro(fb, 3.0f, 0.0f, AudioFeatures{});
    const char* text = "THANKS FOR WATCHING";
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(fb.at(51 + i, 21).codepoint, (uint32_t)(unsigned char)text[i]);
        EXPECT_EQ(fb.at(51 + i, 21).bg, (Color{6, 8, 14, 255}));
    }
    EXPECT_EQ(fb.at(50, 21).bg.a, 255);
    const long lit = std::count_if(fb.cells.begin(), fb.cells.end(), [](const Cell& c) { return c.codepoint != 32; });
    EXPECT_GT(lit, 120 * 42 / 2);
    // Fully faded: every field cell is the blank of the ramp
    drawOutro(fb, 3.0f, 1.0f, AudioFeatures{});
    for (int x = 0; x < 120; ++x) EXPECT_EQ(fb.at(x, 0).codepoint, 32u);
    EXPECT_EQ(fb.at(51, 21).fg, (Color{30, 20, 10, 255}));

    AsciiFramebuffer small(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    drawOutro(small, 1.0f, 0.5f, AudioFeatures{});
    EXPECT_EQ(small.at(9, 7).codepoint, (uint32_t)'T');  // Column 18 - 9, row 7
}
