// What every front end calls around the frames: the framebuffer's replacement and the show's end.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fake_platform.h"
#include "framebuffer/cell_hash.h"

TEST(FrameLoop, AReplacedFramebufferKeepsTheZoomLevelAndBoostAndMovesARunningTransitionsAnchor) {
    FakeShow s;
    s.show.zoom.zoomLevel = 3;
    s.show.colorBoost = false;
    s.show.timeline.currentScene = 2;  // An ordinary scene: its anchor is the grid's centre
    s.show.timeline.transitionActive = true;
    const int made = s.fake.framebuffersMade;
    replaceFramebuffer(s.show, s.platform);
    EXPECT_EQ(s.fake.framebuffersMade, made + 1);
    EXPECT_TRUE(s.show.fb->cols == 207 && s.show.fb->rows == 73 && !s.show.fb->colorBoost);  // 120 x 42 times 1.2^3
    EXPECT_TRUE(s.show.timeline.anchorX == 103 && s.show.timeline.anchorY == 36);

    s.show.timeline.transitionActive = false;  // Without a transition the anchor stays where it was
    s.show.zoom.zoomLevel = 0;
    replaceFramebuffer(s.show, s.platform);
    EXPECT_TRUE(s.show.fb->cols == 120 && s.show.timeline.anchorX == 103);
}

TEST(FrameLoop, StopShowGivesBackTheMusicAndTheFramebufferAndMayRunAgain) {
    FakeShow s;
    s.frameAt(2.5f);
    stopShow(s.show, s.platform);
    EXPECT_EQ(s.fake.musicUnloads, 1);
    EXPECT_EQ(s.show.fb, nullptr);
    stopShow(s.show, s.platform);  // After the closing screen released the music, or twice
    EXPECT_EQ(s.fake.musicUnloads, 2);
    EXPECT_EQ(s.show.fb, nullptr);
}

namespace {

// Every frame's cells from `start` until the show is over, at `fps` frames a second.
std::vector<uint64_t> cellsToTheEnd(FakeShow& s, float start, float fps) {
    std::vector<uint64_t> hashes;
    for (int frame = 0; s.show.mode != ShowMode::Finished; ++frame) {
        s.frameAt(start + (float)frame / fps);
        hashes.push_back(cellHash(*s.show.fb));
        if (frame > 200 * (int)fps) break;  // Far past the show's length: it never ended
    }
    return hashes;
}

}  // namespace

// A page offers the show again after its end: stopShow then startShow at the same clock reading
// must draw the first showing again, cell for cell, every scene and the closing screen.
TEST(FrameLoop, AShowStartedAgainAfterItsEndDrawsTheFirstShowingAgain) {
    constexpr float kStart = 0.05f, kFps = 24.0f;
    FakeShow s(kStart);
    const std::vector<uint64_t> first = cellsToTheEnd(s, kStart, kFps);
    ASSERT_EQ(s.show.mode, ShowMode::Finished);
    ASSERT_GT(first.size(), (size_t)(100 * kFps));  // The whole show ran, not a shortcut

    stopShow(s.show, s.platform);
    s.fake.now = kStart;
    startShow(s.show, s.platform);
    EXPECT_EQ(s.show.mode, ShowMode::Show);
    EXPECT_STREQ(s.scene(), sceneTable().rows[0].name);
    const std::vector<uint64_t> again = cellsToTheEnd(s, kStart, kFps);
    ASSERT_EQ(again.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        ASSERT_EQ(again[i], first[i]) << "frame " << i << " differs, at " << (float)i / kFps << " s";
    }
}
