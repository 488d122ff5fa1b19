#include <gtest/gtest.h>

#include "app/show_clock.h"

namespace {

constexpr double kTrack = 120.0;  // Seconds
constexpr double kFrame = 1.0 / 60.0;

}  // namespace

TEST(ShowClock, PausesLeaveOutTheHiddenTime) {
    ShowClock clock;
    EXPECT_DOUBLE_EQ(readAt(clock, 5.0), 5.0);
    pauseAt(clock, 10.0);
    EXPECT_DOUBLE_EQ(readAt(clock, 14.0), 10.0);  // Stopped while paused
    pauseAt(clock, 12.0);                         // A second pause keeps the first
    resumeAt(clock, 18.0);
    EXPECT_DOUBLE_EQ(readAt(clock, 18.0), 10.0);
    EXPECT_DOUBLE_EQ(readAt(clock, 20.0), 12.0);
    resumeAt(clock, 25.0);  // Not paused: nothing
    EXPECT_DOUBLE_EQ(readAt(clock, 25.0), 17.0);

    // A resume read earlier than its pause adds nothing
    pauseAt(clock, 30.0);
    resumeAt(clock, 29.5);
    EXPECT_DOUBLE_EQ(readAt(clock, 31.0), 23.0);
}

// Music that keeps up never holds the show, whatever its buffer steps do to the reading.
TEST(ShowClock, MusicThatKeepsUpLeavesTheWallClock) {
    ShowClock clock;
    const double step = 2048.0 / 44100.0;
    const double start = 3.0;  // The music started 3 s into the show
    for (int frame = 0; frame < 600; ++frame) {
        const double wall = start + 0.5 + frame * kFrame;
        const double heard = wall - start;
        const double reading = (double)(int)(heard / step) * step + step;  // Ahead by up to a step
        EXPECT_DOUBLE_EQ(frameTime(clock, wall, true, reading, kTrack), wall) << frame;
    }
}

// A stall lets the stream run dry: the music goes on from where it stopped, and the show waits for
// it; a frame time never goes back, and the wait stays in the clock.
TEST(ShowClock, MusicThatFellBehindHoldsTheShow) {
    ShowClock clock;
    EXPECT_DOUBLE_EQ(frameTime(clock, 10.0, true, 4.0, kTrack), 10.0);  // Lead 6
    EXPECT_DOUBLE_EQ(frameTime(clock, 10.5, true, 4.5, kTrack), 10.5);
    // Two seconds without frames; the music played 0.3 s of it
    EXPECT_DOUBLE_EQ(frameTime(clock, 12.5, true, 4.8, kTrack), 10.8);
    EXPECT_DOUBLE_EQ(frameTime(clock, 12.6, true, 4.9, kTrack), 10.9);
    EXPECT_NEAR(readAt(clock, 13.0), 11.3, 1e-9);

    // Just inside the tolerance: not held
    const double within = 13.0 + kMusicLagTolerance * 0.9;
    EXPECT_DOUBLE_EQ(frameTime(clock, within, true, 5.3, kTrack), readAt(clock, within));

    // Held to music that is behind the last frame: the frame time stays where it was
    ShowClock back;
    frameTime(back, 10.0, true, 4.0, kTrack);
    frameTime(back, 10.05, true, 4.2, kTrack);  // A reading ahead: the lead becomes 5.85
    EXPECT_DOUBLE_EQ(frameTime(back, 12.0, true, 4.1, kTrack), 10.05);
}

TEST(ShowClock, TheTrackLoopsOnTheShowClock) {
    ShowClock clock;
    EXPECT_DOUBLE_EQ(frameTime(clock, 100.0, true, 118.0, kTrack), 100.0);
    EXPECT_DOUBLE_EQ(frameTime(clock, 103.0, true, 1.0, kTrack), 103.0);  // 121 s of music: on time
    // Behind after the loop: held to the looped music
    EXPECT_DOUBLE_EQ(frameTime(clock, 106.0, true, 2.0, kTrack), 104.0);
}

TEST(ShowClock, WithoutMusicTheWallClockLessPauses) {
    ShowClock clock;
    EXPECT_DOUBLE_EQ(frameTime(clock, 1.0, false, 0.0, 0.0), 1.0);
    pauseAt(clock, 2.0);
    EXPECT_DOUBLE_EQ(frameTime(clock, 5.0, false, 0.0, 0.0), 2.0);
    resumeAt(clock, 6.0);
    EXPECT_DOUBLE_EQ(frameTime(clock, 6.5, false, 0.0, 0.0), 2.5);
    // A track of no length is no music
    EXPECT_DOUBLE_EQ(frameTime(clock, 7.0, true, 0.0, 0.0), 3.0);
}
