// The tempo clock following tracked beats: a file's restart on its beats, steering onto a new tempo
// and phase without a jump, a skip or a step back, the keys while following, and the same beats at
// 15 and 60 frames a second.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/tempo_follow.h"

namespace {

TempoClock showClock() { return makeTempoClock(TempoConfig{125.0f, 4, 4, 16}); }

struct FollowRun {
    std::vector<double> beats;  // Times the beat position passed a whole number
    float largestStep = 0.0f;   // Largest rise of the beat position between two frames, in beats
    bool backwards = false;
};

// Steps the clock at `fps` from `from` to `to` on a steady reference, music time = clock time.
FollowRun follow(TempoClock& clock, TempoFollower& f, const BeatReference& ref, float from, float to, float fps) {
    FollowRun run;
    float last = update(clock, from).beatPos;
    for (int i = 1; from + (float)i / fps <= to; ++i) {
        const float now = from + (float)i / fps;
        const float before = update(clock, now).beatPos;  // Where the frame's clock has run to
        if (before < last) run.backwards = true;
        run.largestStep = std::max(run.largestStep, before - last);
        for (float k = floorf(last) + 1.0f; k <= before; k += 1.0f)
            run.beats.push_back(now - 1.0 / fps + (double)(k - last) / (double)(before - last) / fps);
        followBeats(clock, f, ref, now, now);
        const float after = update(clock, now).beatPos;
        if (after != before && fabsf(after - before) > 1e-4f) run.backwards = true;  // Steering never moves it
        last = after;
    }
    return run;
}

// Largest distance of the run's beats after `from` to the reference's beats.
double worstError(const FollowRun& run, const BeatReference& ref, double from) {
    const double period = 60.0 / ref.bpm;
    double worst = 0.0;
    for (double b : run.beats) {
        if (b < from) continue;
        const double k = (b - ref.beatTime) / period;
        worst = std::max(worst, fabs(k - floor(k + 0.5)) * period);
    }
    return worst;
}

}  // namespace

TEST(TempoFollow, AFileRestartsTheCountOnItsBeats) {
    TempoClock clock = showClock();
    TempoFollower f;
    const BeatReference ref{true, 120.0f, 2.3};  // Beats at 0.3, 0.8, 1.3 ... extended back
    startFollowing(clock, f, ref, 10.0f);        // The file starts at clock time 10
    EXPECT_EQ(update(clock, 10.1f).beatPos, 0.0f);
    EXPECT_NEAR(update(clock, 10.3f).beatPos, 0.0f, 1e-4f);
    EXPECT_NEAR(update(clock, 11.3f).beatPos, 2.0f, 1e-4f);
    EXPECT_EQ(clock.bpm, 120.0f);
    // Without a tracked beat, a plain restart at the start
    startFollowing(clock, f, BeatReference{}, 20.0f);
    EXPECT_TRUE(clock.anchorTime == 20.0f && clock.anchorBeats == 0.0f && clock.bpm == 120.0f);
}

TEST(TempoFollow, SteersOntoANewTempoAndPhaseWithoutAJumpSkipOrStepBack) {
    TempoClock clock = showClock();
    TempoFollower f;
    const BeatReference ref{true, 97.0f, 0.41};
    const FollowRun run = follow(clock, f, ref, 0.0f, 20.0f, 60.0f);
    EXPECT_FALSE(run.backwards);
    EXPECT_LT(run.largestStep, 1.25f * 125.0f / 60.0f / 60.0f + 1e-4f);  // A quarter above the fastest tempo
    EXPECT_LT(worstError(run, ref, 8.0), 0.005);
    EXPECT_NEAR(clock.bpm, 97.0f, 0.1f);
    // Half a beat out of phase is made up in a few beats, not jumped
    TempoClock late = showClock();
    TempoFollower g;
    const FollowRun half = follow(late, g, BeatReference{true, 125.0f, 0.24}, 0.0f, 10.0f, 60.0f);
    EXPECT_FALSE(half.backwards);
    EXPECT_LT(worstError(half, BeatReference{true, 125.0f, 0.24}, 5.0), 0.005);
    // An unlocked reference leaves the clock as it runs
    TempoClock free = showClock();
    TempoFollower h;
    followBeats(free, h, BeatReference{}, 3.0f, 3.0);
    EXPECT_TRUE(free.bpm == 125.0f && free.anchorTime == 0.0f && free.anchorBeats == 0.0f);
}

TEST(TempoFollow, TheKeysActOnTheClockAndTheFollowingGoesOnFromThere) {
    const BeatReference ref{true, 110.0f, 0.0};
    TempoClock clock = showClock();
    TempoFollower f;
    follow(clock, f, ref, 0.0f, 10.0f, 60.0f);
    // ] : one bpm more at once, the beat position continuous
    const float before = update(clock, 10.0f).beatPos;
    const float bpm = clock.bpm;
    nudgeFollowedBpm(clock, f, 1.0f, 10.0f);
    EXPECT_EQ(clock.bpm, bpm + 1.0f);
    EXPECT_NEAR(update(clock, 10.0f).beatPos, before, 1e-4f);
    const FollowRun after = follow(clock, f, ref, 10.0f, 20.0f, 60.0f);
    EXPECT_FALSE(after.backwards);
    EXPECT_LT(worstError(after, ref, 15.0), 0.005);
    // B: the count starts again at the press, and the beats land on the music again
    restartBeats(clock, 20.1f);
    EXPECT_EQ(update(clock, 20.1f).beatPos, 0.0f);
    const FollowRun counted = follow(clock, f, ref, 20.1f, 30.0f, 60.0f);
    EXPECT_FALSE(counted.backwards);
    EXPECT_LT(worstError(counted, ref, 25.0), 0.005);
    EXPECT_NEAR(update(clock, 30.0f).beatPos, (30.0f - 20.1f) * 110.0f / 60.0f, 0.6f);  // Counted from the press
}

TEST(TempoFollow, FifteenAndSixtyFramesASecondGiveTheSameBeats) {
    const BeatReference ref{true, 143.0f, 0.17};
    TempoClock slow = showClock(), fast = showClock();
    TempoFollower a, b;
    const FollowRun s = follow(slow, a, ref, 0.0f, 12.0f, 15.0f);
    const FollowRun q = follow(fast, b, ref, 0.0f, 12.0f, 60.0f);
    EXPECT_LT(worstError(s, ref, 6.0), 0.01);
    EXPECT_LT(worstError(q, ref, 6.0), 0.01);
}
