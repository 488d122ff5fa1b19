#include <gtest/gtest.h>

#include "app/tempo_clock.h"

namespace {
TempoClock showClock() { return makeTempoClock(TempoConfig{125.0f, 4, 4, 16}); }
}  // namespace

TEST(TempoClock, WorkedValuesAt125Bpm) {
    const BeatInfo b = update(showClock(), 1.0f);
    EXPECT_FLOAT_EQ(b.secondsPerBeat, 0.48f);
    EXPECT_FLOAT_EQ(b.secondsPerBar, 1.92f);
    EXPECT_FLOAT_EQ(b.secondsPerPhrase, 30.72f);
    EXPECT_NEAR(b.beatPos, 2.0833f, 1e-4f);
    EXPECT_EQ(b.beatIndex, 2);
    EXPECT_NEAR(b.stepPos, 8.333f, 1e-3f);
    EXPECT_EQ(b.stepIndex, 8);
    EXPECT_NEAR(b.beatPhase, 0.0833f, 1e-4f);
    EXPECT_EQ(b.barIndex, 0);
    EXPECT_EQ(b.stepsPerBeat, 4);
    EXPECT_EQ(b.bpm, 125.0f);
}

TEST(TempoClock, BeforeTheAnchorEverythingStaysAtZero) {
    TempoClock clock = showClock();
    restartBeats(clock, 10.0f);
    const BeatInfo b = update(clock, 9.0f);
    EXPECT_EQ(b.beatPos, 0.0f);
    EXPECT_EQ(b.beatIndex, 0);
    EXPECT_EQ(b.stepIndex, 0);
    EXPECT_EQ(b.beatPhase, 0.0f);
}

TEST(TempoClock, RestartBeatsStartsTheCountAgain) {
    TempoClock clock = showClock();
    restartBeats(clock, 37.3f);
    const BeatInfo b = update(clock, 37.3f);
    EXPECT_EQ(b.beatPos, 0.0f);
    EXPECT_EQ(b.beatIndex, 0);
    EXPECT_EQ(b.barIndex, 0);
    EXPECT_EQ(b.beatPhase, 0.0f);
    EXPECT_NEAR(update(clock, 37.3f + 0.48f).beatPos, 1.0f, 1e-5f);
}

TEST(TempoClock, NudgeKeepsTheBeatContinuousAndClampsTheTempo) {
    TempoClock clock = showClock();
    const float before = update(clock, 5.0f).beatPos;
    nudgeBpm(clock, 1.0f, 5.0f);
    EXPECT_EQ(clock.bpm, 126.0f);
    EXPECT_NEAR(update(clock, 5.0f).beatPos, before, 1e-5f);
    EXPECT_NEAR(update(clock, 6.0f).beatPos - before, 126.0f / 60.0f, 1e-4f);

    TempoClock fast = makeTempoClock(TempoConfig{900.0f, 4, 4, 16});
    EXPECT_EQ(fast.bpm, 300.0f);
    nudgeBpm(fast, 1.0f, 0.0f);
    EXPECT_EQ(fast.bpm, 300.0f);
    TempoClock slow = makeTempoClock(TempoConfig{10.0f, 4, 4, 16});
    EXPECT_EQ(slow.bpm, 40.0f);
    nudgeBpm(slow, -1.0f, 0.0f);
    EXPECT_EQ(slow.bpm, 40.0f);
}

TEST(TempoClock, ZeroOrNegativeGridSettingsAreRaisedToOne) {
    const TempoClock clock = makeTempoClock(TempoConfig{120.0f, 0, 0, -3});
    const BeatInfo b = update(clock, 10.0f);  // 20 beats
    EXPECT_EQ(b.beatsPerBar, 1);
    EXPECT_EQ(b.barIndex, 20);
    EXPECT_EQ(b.barInPhrase, 0);
    EXPECT_EQ(b.stepIndex, 20);
}

TEST(TempoClock, StepInPhraseWrapsEvery64Beats) {
    const TempoClock clock = showClock();
    EXPECT_EQ(update(clock, 30.70f).stepInPhrase, 255);
    EXPECT_EQ(update(clock, 30.73f).stepInPhrase, 0);
    EXPECT_EQ(update(clock, 30.73f).barInPhrase, 0);
    EXPECT_EQ(update(clock, 30.70f).barInPhrase, 15);
}
