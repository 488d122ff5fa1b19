#include <gtest/gtest.h>

#include "app/show_clock.h"

namespace {
constexpr double kTrack = 120.0;  // Seconds
constexpr double kFrame = 1.0 / 60.0;
}  // namespace

TEST(ShowClock, PausesLeaveOutTheHiddenTimeWithOrWithoutMusic) {
    ShowClock clock;
    EXPECT_DOUBLE_EQ(readAt(clock, 5.0), 5.0);
    pauseAt(clock, 10.0);
    EXPECT_DOUBLE_EQ(readAt(clock, 14.0), 10.0);  // Stopped while paused
    pauseAt(clock, 12.0);                         // A second pause keeps the first
    resumeAt(clock, 18.0);
    EXPECT_DOUBLE_EQ(readAt(clock, 20.0), 12.0);
    resumeAt(clock, 25.0);  // Not paused: nothing
    EXPECT_DOUBLE_EQ(frameTime(clock, 25.0, false, 0.0, 0.0), 17.0);
    pauseAt(clock, 30.0);
    resumeAt(clock, 29.5);  // A resume read earlier than its pause adds nothing
    EXPECT_DOUBLE_EQ(readAt(clock, 31.0), 23.0);
    EXPECT_DOUBLE_EQ(frameTime(clock, 32.0, true, 0.0, 0.0), 24.0) << "a track of no length is no music";
}

// Music that keeps up never holds the show, whatever its buffer steps do to the reading.
TEST(ShowClock, MusicThatKeepsUpLeavesTheWallClock) {
    ShowClock clock;
    const double step = 2048.0 / 44100.0;
    for (int frame = 0; frame < 600; ++frame) {
        const double wall = 3.5 + frame * kFrame;  // The music started 3 s into the show
        const double reading = (double)(int)((wall - 3.0) / step) * step + step;  // Ahead by up to a step
        EXPECT_DOUBLE_EQ(frameTime(clock, wall, true, reading, kTrack), wall) << frame;
    }
}

// A stall lets the stream run dry: the music goes on from where it stopped, and the show waits for
// it; a frame time never goes back, and the wait stays in the clock.
TEST(ShowClock, MusicThatFellBehindHoldsTheShowAlsoAcrossTheLoop) {
    ShowClock clock;
    EXPECT_DOUBLE_EQ(frameTime(clock, 10.0, true, 4.0, kTrack), 10.0);  // Lead 6
    EXPECT_DOUBLE_EQ(frameTime(clock, 10.5, true, 4.5, kTrack), 10.5);
    EXPECT_DOUBLE_EQ(frameTime(clock, 12.5, true, 4.8, kTrack), 10.8);  // 2 s without frames, 0.3 s of music
    EXPECT_DOUBLE_EQ(frameTime(clock, 12.6, true, 4.9, kTrack), 10.9);
    EXPECT_NEAR(readAt(clock, 13.0), 11.3, 1e-9);
    const double within = 13.0 + kMusicLagTolerance * 0.9;  // Just inside the tolerance: not held
    EXPECT_DOUBLE_EQ(frameTime(clock, within, true, 5.3, kTrack), readAt(clock, within));

    ShowClock back;  // Held to music behind the last frame: the frame time stays where it was
    frameTime(back, 10.0, true, 4.0, kTrack);
    frameTime(back, 10.05, true, 4.2, kTrack);  // A reading ahead: the lead becomes 5.85
    EXPECT_DOUBLE_EQ(frameTime(back, 12.0, true, 4.1, kTrack), 10.05);

    ShowClock looped;
    EXPECT_DOUBLE_EQ(frameTime(looped, 100.0, true, 118.0, kTrack), 100.0);
    EXPECT_DOUBLE_EQ(frameTime(looped, 103.0, true, 1.0, kTrack), 103.0);  // 121 s of music: on time
    EXPECT_DOUBLE_EQ(frameTime(looped, 106.0, true, 2.0, kTrack), 104.0);  // Behind after the loop: held
}
