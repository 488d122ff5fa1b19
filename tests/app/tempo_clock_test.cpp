#include <gtest/gtest.h>

#include "app/tempo_clock.h"

namespace {
TempoClock showClock() { return makeTempoClock(TempoConfig{125.0f, 4, 4, 16}); }
}  // namespace

TEST(TempoClock, WorkedValuesAt125BpmAndThePhraseWrap) {
    const BeatInfo b = update(showClock(), 1.0f);
    EXPECT_FLOAT_EQ(b.secondsPerBeat, 0.48f);
    EXPECT_FLOAT_EQ(b.secondsPerBar, 1.92f);
    EXPECT_FLOAT_EQ(b.secondsPerPhrase, 30.72f);
    EXPECT_NEAR(b.beatPos, 2.0833f, 1e-4f);
    EXPECT_NEAR(b.stepPos, 8.333f, 1e-3f);
    EXPECT_NEAR(b.beatPhase, 0.0833f, 1e-4f);
    EXPECT_TRUE(b.beatIndex == 2 && b.stepIndex == 8 && b.barIndex == 0);
    // {seconds, stepInPhrase, barIndex, barInPhrase}: 64 beats a phrase
    const int cases[][4] = {{3100, 25, 1, 1}, {30700, 255, 15, 15}, {30730, 0, 16, 0}, {63100, 13, 32, 0}};
    for (const auto& c : cases) {
        const BeatInfo at = update(showClock(), (float)c[0] / 1000.0f);
        EXPECT_EQ(at.stepInPhrase, c[1]) << c[0];
        EXPECT_EQ(at.barIndex, c[2]) << c[0];
        EXPECT_EQ(at.barInPhrase, c[3]) << c[0];
    }
}

TEST(TempoClock, RestartStartsTheCountAgainAndBeforeTheAnchorAllIsZero) {
    TempoClock clock = showClock();
    restartBeats(clock, 37.3f);
    for (float t : {37.3f, 30.0f}) {
        const BeatInfo b = update(clock, t);
        EXPECT_TRUE(b.beatPos == 0.0f && b.beatIndex == 0 && b.stepIndex == 0 && b.barIndex == 0 && b.beatPhase == 0.0f);
    }
    EXPECT_NEAR(update(clock, 37.3f + 0.48f).beatPos, 1.0f, 1e-5f);
}

TEST(TempoClock, NudgeKeepsTheBeatContinuousAndTheTempoWithin40And300) {
    TempoClock clock = showClock();
    const float before = update(clock, 5.0f).beatPos;
    nudgeBpm(clock, 1.0f, 5.0f);
    EXPECT_EQ(clock.bpm, 126.0f);
    EXPECT_NEAR(update(clock, 5.0f).beatPos, before, 1e-5f);
    EXPECT_NEAR(update(clock, 6.0f).beatPos - before, 126.0f / 60.0f, 1e-4f);
    // {asked, made, nudge, after}
    const float cases[][4] = {{900.0f, 300.0f, 1.0f, 300.0f}, {299.5f, 299.5f, 1.0f, 300.0f},
                              {10.0f, 40.0f, -1.0f, 40.0f}};
    for (const auto& c : cases) {
        TempoClock t = makeTempoClock(TempoConfig{c[0], 4, 4, 16});
        EXPECT_EQ(t.bpm, c[1]) << c[0];
        nudgeBpm(t, c[2], 0.0f);
        EXPECT_EQ(t.bpm, c[3]) << c[0];
    }
    // Zero or negative grid settings are raised to one
    const BeatInfo b = update(makeTempoClock(TempoConfig{120.0f, 0, 0, -3}), 10.0f);  // 20 beats
    EXPECT_TRUE(b.beatsPerBar == 1 && b.barIndex == 20 && b.barInPhrase == 0 && b.stepIndex == 20);
}
