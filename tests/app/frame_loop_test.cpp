// What every front end calls around the frames: the framebuffer's replacement and the show's end.
#include <gtest/gtest.h>

#include "fake_platform.h"

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
