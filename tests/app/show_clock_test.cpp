#include <gtest/gtest.h>

#include "app/show_clock.h"

namespace {
constexpr double kTrack = 120.0;  // Seconds
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

// A stall lets the stream run dry: the music goes on from where it stopped, and the show waits for
// it; a frame time never goes back, and the wait stays in the clock.
TEST(ShowClock, MusicThatFellBehindHoldsTheShowAlsoAcrossTheLoop) {
    ShowClock steady, clock;  // Music that keeps up, read up to a buffer step ahead, never holds the show
    const double step = 2048.0 / 44100.0;
    for (double wall = 3.5; wall < 13.5; wall += 1.0 / 60.0) {
        EXPECT_DOUBLE_EQ(frameTime(steady, wall, true, (double)(int)((wall - 3.0) / step) * step + step, kTrack), wall);
    }
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

// The show started again after its end: time from 0 at the restart, and nothing of the first
// showing left (its pause, its waits, its music anchor, its last frame).
TEST(ShowClock, ARestartBeginsAtZeroWithNothingOfTheFirstShowingLeft) {
    ShowClock clock;
    frameTime(clock, 10.0, true, 4.0, kTrack);
    frameTime(clock, 12.5, true, 4.8, kTrack);  // Held: 2 s waited for the music
    pauseAt(clock, 130.0);
    restartAt(clock, 140.0);
    EXPECT_FALSE(clock.paused);
    EXPECT_DOUBLE_EQ(readAt(clock, 140.0), 0.0);
    EXPECT_DOUBLE_EQ(readAt(clock, 141.5), 1.5);
    // The new track's music from 0 anchors afresh: on time, not held to the old lead
    EXPECT_DOUBLE_EQ(frameTime(clock, 140.5, true, 0.5, kTrack), 0.5);
    EXPECT_DOUBLE_EQ(frameTime(clock, 141.0, true, 1.0, kTrack), 1.0);
}

// A microphone that stops for a while: released, its next readings anchor afresh, so the show is
// held only for lateness after it came back, never for the time it was away.
TEST(ShowClock, ReleasedMusicAnchorsAfreshWhenItComesBack) {
    constexpr double kLive = 1e12;  // Never loops
    ShowClock clock, held;
    for (ShowClock* c : {&clock, &held}) {
        frameTime(*c, 10.0, true, 0.0, kLive);  // Lead 10
        frameTime(*c, 11.0, true, 1.0, kLive);
    }
    releaseMusic(clock);
    EXPECT_DOUBLE_EQ(frameTime(clock, 15.0, false, 0.0, 0.0), 15.0);  // Away: the show goes on
    EXPECT_DOUBLE_EQ(frameTime(clock, 16.0, true, 1.1, kLive), 16.0);  // Back: lead 14.9 from now on
    EXPECT_DOUBLE_EQ(frameTime(clock, 17.0, true, 1.9, kLive), 16.8);  // Late again: held to it
    EXPECT_DOUBLE_EQ(frameTime(held, 16.0, true, 1.1, kLive), 11.1) << "without the release the show waits";
}
