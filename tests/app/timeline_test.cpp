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
    const std::pair<const char*, float> cases[] = {
        {"cellular", 10.0f}, {"dual_fluid", 10.0f}, {"end_credits", 14.0f},  {"wave_scroll", 8.0f},     {"plasma_storm", 8.0f},
        {"goo_bounce", 8.0f}, {"julia_blast", 8.0f}, {"mandelbrot", 8.0f}, {"cube", 8.0f}, {"starfield_warp", 8.0f}};
    for (const auto& [scene, seconds] : cases) EXPECT_EQ(sceneDuration(row(scene)), seconds) << scene;
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
    loud.bass = 0.5f;
    EXPECT_NEAR(transitionView(tl, 10.5f, loud).punch, 0.3f, 1e-6f);
}

TEST(Timeline, IntroHandsOverAtItsDurationThenSpaceIsIgnoredUntilTheTransitionEndsWithARedraw) {
    FakeShow s(0.0f);  // So that the scene time is exactly the clock
    EXPECT_TRUE(s.show.fb->cols == 120 && s.show.fb->rows == 42 && s.show.fb->colorBoost && s.show.redrawAll);
    const float end = sceneDuration(row("intro_boot"));
    s.frameAt(end);  // Equality advances
    const ShowTimeline& tl = s.show.timeline;
    EXPECT_TRUE(tl.transitionActive && tl.nextScene == 1 && tl.anchorX == 11 && tl.anchorY == 21);
    EXPECT_TRUE(s.fake.presented.back().kind == Presentation::Focused && s.fake.presented.back().focusX == 11);

    // 0.25 + 1.15 is exact in float, so the last frame is exactly the transition's length after its start
    FakeShow t(0.0f);
    t.frameAt(0.1f);
    t.show.redrawAll = false;
    t.frameAt(0.25f, KeySkip);
    t.frameAt(0.5f, KeySkip);
    EXPECT_EQ(t.show.timeline.transitionStart, 0.25f) << "SPACE during a transition does nothing";
    t.frameAt(0.25f + 1.14f);
    EXPECT_TRUE(t.show.timeline.transitionActive && !t.fake.redrawForces.back());
    EXPECT_STREQ(t.scene(), "intro_boot") << "the scene being left is still rendered";
    t.frameAt(0.25f + 1.15f);
    EXPECT_TRUE(!t.show.timeline.transitionActive && t.show.timeline.sceneStart == 0.25f + 1.15f);
    EXPECT_TRUE(t.fake.redrawForces.back()) << "a completed transition redraws every cell";
    EXPECT_EQ(t.fake.presented.back().kind, Presentation::Plain);
    // Smaller cells asked for mid-transition: the anchor follows the centre of the new grid
    t.frameAt(5.0f, KeySkip);
    t.frameWith({KeySmallerCells, KeySmallerCells});
    EXPECT_TRUE(t.show.fb->cols != 120 && t.show.timeline.anchorX == t.show.fb->cols / 2 &&
                t.show.timeline.anchorY == t.show.fb->rows / 2);
}

// The whole show's length, unattended, is checked by the capture tool's tests.
TEST(Timeline, SpaceOnTheLastSceneStartsTheOutroWhichFadesPictureAndMusicToBlack) {
    FakeShow s;
    float t = 3.0f;
    for (int i = 0; i < 10; ++i, t += 1.2f) {
        s.frameAt(t, KeySkip);
        s.frameAt(t + 1.2f);
    }
    ASSERT_STREQ(s.scene(), "end_credits");
    s.frameAt(t + 0.5f, KeySkip);  // On the next frame, without a transition
    ASSERT_TRUE(s.show.mode == ShowMode::Outro && !s.show.timeline.transitionActive && s.show.timeline.outroStart == t + 0.5f);
    EXPECT_FALSE(s.fake.presented.back().overlay) << "this frame still shows the credits";
    s.frameAt(t + 0.5f + 4.25f);
    EXPECT_TRUE(s.fake.presented.back().overlay) << "the outro draws its fade every frame";
    EXPECT_NEAR(s.fake.volumes.back(), 0.5f, 1e-5f) << "the music fades with the picture";
    const float frame = 1.0f / 30.0f;
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

TEST(Outro, TextColourFadeAndCentredTextOnLargeAndSmallGrids) {
    EXPECT_EQ(outroTextColor(0.0f, 1.0f), (Color{230, 250, 9, 255}));  // The blue channel wraps
    EXPECT_EQ(outroTextColor(0.0f, 0.0f), (Color{170, 181, 188, 255}));
    for (const auto& [now, fade] : {std::pair{10.0f, 0.0f}, {14.25f, 0.5f}, {30.0f, 1.0f}, {5.0f, 0.0f}}) {
        EXPECT_NEAR(outroFade(now, 10.0f), fade, 1e-6f) << now;
    }
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    drawOutro(fb, 3.0f, 0.0f, AudioFeatures{});
    EXPECT_GT(std::count_if(fb.cells.begin(), fb.cells.end(), [](const Cell& c) { return c.codepoint != 32; }), 120 * 42 / 2);
    drawOutro(fb, 3.0f, 1.0f, AudioFeatures{});  // Fully faded: every field cell is the blank of the ramp
    const char* text = "THANKS FOR WATCHING";
    for (int i = 0; i < 19; ++i) EXPECT_EQ(fb.at(51 + i, 21).codepoint, (uint32_t)(unsigned char)text[i]);
    EXPECT_EQ(fb.at(51, 21).fg, (Color{30, 20, 10, 255}));
    for (int x = 0; x < 120; ++x) EXPECT_EQ(fb.at(x, 0).codepoint, 32u);
    AsciiFramebuffer small(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    drawOutro(small, 1.0f, 0.5f, AudioFeatures{});
    EXPECT_EQ(small.at(9, 7).codepoint, (uint32_t)'T');  // Column 18 - 9, row 7
}
