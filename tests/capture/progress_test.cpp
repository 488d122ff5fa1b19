// The progress line of a long capture.
#include <gtest/gtest.h>

#include "tools/capture/progress.h"

TEST(ProgressLine, FramesPercentAndTimeLeft) {
    EXPECT_EQ(progressLine(1200, 6000, 240.0), "frame 1200/6000 (20%), 4m00s left");
    EXPECT_EQ(progressLine(50, 100, 30.5), "frame 50/100 (50%), 0m31s left");
    EXPECT_EQ(progressLine(100, 100, 0.0), "frame 100/100 (100%), 0m00s left");
    EXPECT_EQ(progressLine(1, 7000, 3500.0), "frame 1/7000 (0%), 58m20s left");
}

TEST(ProgressLine, WithoutAPaceYetThereIsNoTimeLeft) {
    EXPECT_EQ(progressLine(0, 6973, -1.0), "frame 0/6973 (0%)");
}

TEST(ProgressLine, OddCountsStayReadable) {
    // More frames than counted (the timeline ran longer than estimated), none, or no total at all
    EXPECT_EQ(progressLine(120, 100, 10.0), "frame 100/100 (100%), 0m10s left");
    EXPECT_EQ(progressLine(5, 0, 1.0), "frame 1/1 (100%), 0m01s left");
    EXPECT_EQ(progressLine(-3, 10, -1.0), "frame 0/10 (0%)");
}
