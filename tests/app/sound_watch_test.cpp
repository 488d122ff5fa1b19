#include <gtest/gtest.h>

#include "app/sound_watch.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
using State = SoundWatch::State;

// Frames from `from` to `to` seconds with the device taking `perFrame` samples a frame (0: none);
// returns the last step and counts each kind of step seen.
struct Steps {
    SoundStep last = SoundStep::Play;
    int closes = 0, opens = 0, resumes = 0;
};
Steps frames(SoundWatch& watch, unsigned long long& taken, float from, float to, unsigned long long perFrame,
           bool jobDone = false, bool opened = false) {
    Steps run;
    for (float now = from; now < to; now += kFrame) {
        taken += perFrame;
        run.last = soundStep(watch, now, taken, jobDone, opened);
        if (run.last == SoundStep::Close) ++run.closes;
        if (run.last == SoundStep::Open) ++run.opens;
        if (run.last == SoundStep::Resume) ++run.resumes;
    }
    return run;
}

}  // namespace

TEST(SoundWatch, AWorkingDeviceIsNeverTakenAsLostHoweverSlowTheFrames) {
    SoundWatch watch;
    startSoundWatch(watch, true, 10.0f);
    unsigned long long taken = 0;
    EXPECT_EQ(frames(watch, taken, 10.0f, 70.0f, 735).closes, 0);
    // A stall of 5 s between two frames: the device took samples meanwhile (it asks on its own)
    taken += 5 * 44100;
    EXPECT_EQ(soundStep(watch, 75.0f, taken, false, false), SoundStep::Play);
    EXPECT_EQ(watch.state, State::Playing);
    // Without a device at start there is nothing to watch: the stream as it is, even silent
    SoundWatch off;
    startSoundWatch(off, false, 0.0f);
    EXPECT_EQ(soundStep(off, 100.0f, 0, true, true), SoundStep::Play);
}

TEST(SoundWatch, ADeviceQuietForTheLimitIsLostClosedThenOpenedAgainUntilOneWorks) {
    SoundWatch watch;
    startSoundWatch(watch, true, 0.0f);
    unsigned long long taken = 0;
    frames(watch, taken, 0.0f, 5.0f, 735);
    const float lastTaken = watch.lastTaken;
    // Quiet just under the limit: still playing; at the limit: one close, then following
    EXPECT_EQ(soundStep(watch, lastTaken + kSilentDeviceSeconds - 0.01f, taken, false, false), SoundStep::Play);
    EXPECT_EQ(soundStep(watch, lastTaken + kSilentDeviceSeconds, taken, false, false), SoundStep::Close);
    Steps closing = frames(watch, taken, 7.0f, 20.0f, 0);  // A close that takes its time
    EXPECT_EQ(closing.last, SoundStep::Follow);
    EXPECT_EQ(closing.closes + closing.opens, 0);
    // Closed: the first attempt at once, the next ones kReopenInterval apart while they fail
    EXPECT_EQ(soundStep(watch, 20.0f, taken, true, false), SoundStep::Follow);
    EXPECT_EQ(soundStep(watch, 20.0f + kFrame, taken, false, false), SoundStep::Open);
    EXPECT_EQ(soundStep(watch, 20.5f, taken, true, false), SoundStep::Follow);  // No server answered
    EXPECT_EQ(watch.nextAttempt, 20.5f + kReopenInterval);
    Steps waiting = frames(watch, taken, 20.6f, 20.5f + kReopenInterval - 0.02f, 0);
    EXPECT_EQ(waiting.opens, 0);
    EXPECT_EQ(soundStep(watch, 20.5f + kReopenInterval, taken, false, false), SoundStep::Open);
    // This one works: the music resumes once, and the new device is watched as the first was
    EXPECT_EQ(soundStep(watch, 23.0f, taken, true, true), SoundStep::Resume);
    EXPECT_EQ(watch.state, State::Playing);
    EXPECT_EQ(frames(watch, taken, 23.0f + kFrame, 30.0f, 735).closes, 0);
    EXPECT_EQ(frames(watch, taken, 30.0f, 32.0f, 0).closes, 1) << "the new device can be lost too";
}

TEST(SoundWatch, TheMusicFollowsTheWallClockFromTheLastPlaceTheDeviceMoved) {
    SoundWatch watch;
    startSoundWatch(watch, true, 100.0f);
    EXPECT_EQ(musicPlace(watch, 100.0f, 60.0f), 0.0f);
    // Positions anchor only on frames where the device took samples
    EXPECT_EQ(soundStep(watch, 110.0f, 441000, false, false), SoundStep::Play);
    notePlayPosition(watch, 9.9f, 110.0f);
    EXPECT_EQ(soundStep(watch, 110.5f, 441000, false, false), SoundStep::Play);
    notePlayPosition(watch, 9.9f, 110.5f);  // Stalled: where it stopped, not where the music is
    EXPECT_FLOAT_EQ(musicPlace(watch, 112.0f, 60.0f), 11.9f);
    // Across the end of the track it wraps, as the stream loops
    EXPECT_NEAR(musicPlace(watch, 165.0f, 60.0f), 4.9f, 1e-4f);
    // Before the anchor (a clock read earlier) it holds; no track, no place
    EXPECT_FLOAT_EQ(musicPlace(watch, 105.0f, 60.0f), 9.9f);
    EXPECT_EQ(musicPlace(watch, 112.0f, 0.0f), 0.0f);
}
