// The virtual clock, the scripted keys, and the length of the show worked out from its timeline,
// checked against the frame loop itself.
#include <gtest/gtest.h>

#include "tests/app/fake_platform.h"
#include "tools/capture/show_schedule.h"

namespace {

// Runs the real frame loop on cells only, with the script's keys, until the closing screen has
// ended; the number of frames it took.
long long framesOfTheFrameLoop(int fps, const std::vector<ScriptedKey>& keys) {
    FakePlatform fake;
    const Platform platform = fake.platform();
    KeyScript script = makeKeyScript(keys);
    Show show;
    fake.now = 0.0f;
    startShow(show, platform);
    long long frame = 0;
    while (show.mode != ShowMode::Finished && frame < 200000) {
        fake.now = frameTime(frame, fps);
        // The frame loop reads keys only while scenes run; a key due later is still due then
        if (show.mode == ShowMode::Show) fake.keys = keysDue(script, (double)frame / fps);
        runFrame(show, platform);
        ++frame;
    }
    return frame;
}

std::vector<ScriptedKey> skipEverySceneFrom(double start, double every) {
    std::vector<ScriptedKey> keys;
    for (int i = 0; i < 11; ++i) keys.push_back({start + every * i, KeySkip});
    return keys;
}

}  // namespace

TEST(VirtualClock, FramesLandOnTheirTimesAndARangeStartsOnTheFrameItNames) {
    EXPECT_EQ(frameTime(0, 60), 0.0f);
    EXPECT_EQ(frameTime(750, 60), 12.5f);
    EXPECT_EQ(firstFrameAt(12.5, 60), 750);
    EXPECT_EQ(firstFrameAt(0.0, 60), 0);
    // 0.1 * 30 is a hair above 3 in binary: still frame 3, not 4
    EXPECT_EQ(firstFrameAt(0.1, 30), 3);
    EXPECT_EQ(firstFrameAt(0.7, 10), 7);
    // Between two frames: the next one
    EXPECT_EQ(firstFrameAt(12.51, 60), 751);
    EXPECT_EQ(firstFrameAt(1.0 / 3.0, 60), 20);
}

TEST(KeyScript, EachKeyActsOnceOnTheFirstFrameAtOrAfterItsTime) {
    KeyScript script = makeKeyScript({{2.0, KeyColorBoost}, {1.0, KeySkip}, {1.0, KeyRestartBeats}, {1.01, KeyTempoUp}});
    EXPECT_EQ(keysDue(script, 0.5), 0u);
    // Given out of order; two at the same time come together
    EXPECT_EQ(keysDue(script, 1.0), (unsigned)(KeySkip | KeyRestartBeats));
    EXPECT_EQ(keysDue(script, 1.0), 0u);
    EXPECT_EQ(keysDue(script, 1.0 + 1.0 / 60.0), (unsigned)KeyTempoUp);
    EXPECT_EQ(keysDue(script, 1.99), 0u);
    // A frame that comes late gives everything due by then
    EXPECT_EQ(keysDue(script, 50.0), (unsigned)KeyColorBoost);
    EXPECT_EQ(keysDue(script, 60.0), 0u);
}

TEST(ShowLength, WithoutKeysIsTheScenesTransitionsAndClosingScreenRoundedUpToFrames) {
    // 96.19 s of scenes, ten 1.15 s transitions, 8.5 s of closing screen; each switch waits for a frame
    const double seconds = (double)showFrameCount(60, {}) / 60.0;
    EXPECT_GT(seconds, 116.18);
    EXPECT_LT(seconds, 116.19 + 12.0 / 60.0);
}

TEST(ShowLength, IsExactlyWhereTheFrameLoopFinishes) {
    // Two frame grids on which the scenes' ends round up differently
    EXPECT_EQ(showFrameCount(3, {}), framesOfTheFrameLoop(3, {}));
    EXPECT_EQ(showFrameCount(7, {}), framesOfTheFrameLoop(7, {}));
}

TEST(ShowLength, FollowsSkipsAndIgnoresTheOnesDuringTransitionsAndAfterTheEnd) {
    // One skip per scene, each after its transition: the closing screen starts after the 11th
    const std::vector<ScriptedKey> skips = skipEverySceneFrom(0.5, 1.5);
    EXPECT_EQ(showFrameCount(10, skips), framesOfTheFrameLoop(10, skips));
    EXPECT_LT(showFrameCount(10, skips), 10 * 25);

    // Two skips 0.5 s apart: the second falls in the transition and does nothing
    std::vector<ScriptedKey> doubled = skipEverySceneFrom(0.5, 1.5);
    doubled.push_back({0.75, KeySkip});
    EXPECT_EQ(showFrameCount(10, doubled), showFrameCount(10, skips));
    EXPECT_EQ(showFrameCount(10, doubled), framesOfTheFrameLoop(10, doubled));

    // Every 1.25 s: some land on the frame whose timeline step completes the transition, after the
    // keys were read, and are lost as they are in the live show
    const std::vector<ScriptedKey> tight = skipEverySceneFrom(0.5, 1.25);
    EXPECT_EQ(showFrameCount(10, tight), framesOfTheFrameLoop(10, tight));
    EXPECT_GT(showFrameCount(10, tight), showFrameCount(10, skips));

    // Skips during the closing screen are not read
    std::vector<ScriptedKey> late = skips;
    late.push_back({17.0, KeySkip});
    EXPECT_EQ(showFrameCount(10, late), showFrameCount(10, skips));
}

TEST(ShowLength, KeysOtherThanSkipDoNotChangeIt) {
    const std::vector<ScriptedKey> others = {{1.0, KeyColorBoost}, {2.0, KeyLargerCells}, {3.0, KeyTempoUp},
                                             {4.0, KeyRestartBeats}, {5.0, KeyFullscreen}};
    EXPECT_EQ(showFrameCount(5, others), showFrameCount(5, {}));
}
