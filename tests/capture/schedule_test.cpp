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
    for (; show.mode != ShowMode::Finished && frame < 200000; ++frame) {
        fake.now = frameTime(frame, fps);
        // The frame loop reads keys only while scenes run; a key due later is still due then
        if (show.mode == ShowMode::Show) fake.keys = keysDue(script, (double)frame / fps);
        runFrame(show, platform);
    }
    return frame;
}

std::vector<ScriptedKey> skipEverySceneEvery(double every) {
    std::vector<ScriptedKey> keys;
    for (int i = 0; i < 11; ++i) keys.push_back({0.5 + every * i, KeySkip});
    return keys;
}

}  // namespace

TEST(VirtualClock, FramesLandOnTheirTimesAndARangeStartsOnTheFrameItNames) {
    EXPECT_EQ(frameTime(750, 60), 12.5f);
    EXPECT_EQ(firstFrameAt(12.5, 60), 750);
    EXPECT_EQ(firstFrameAt(8.3, 30), 249);  // 8.3 * 30 is a hair above 249 in binary: still frame 249
    EXPECT_EQ(firstFrameAt(12.51, 60), 751);  // Between two frames: the next one
}

TEST(KeyScript, EachKeyActsOnceOnTheFirstFrameAtOrAfterItsTime) {
    // Given out of order; two at the same time come together; a late frame gives all due by then
    KeyScript script = makeKeyScript({{2.0, KeyColorBoost}, {1.0, KeySkip}, {1.0, KeyRestartBeats}, {1.01, KeyTempoUp}});
    EXPECT_EQ(keysDue(script, 0.5), 0u);
    EXPECT_EQ(keysDue(script, 1.0), (unsigned)(KeySkip | KeyRestartBeats));
    EXPECT_EQ(keysDue(script, 1.0), 0u);
    EXPECT_EQ(keysDue(script, 50.0), (unsigned)(KeyTempoUp | KeyColorBoost));
    EXPECT_EQ(keysDue(script, 60.0), 0u);
}

TEST(ShowLength, IsExactlyWhereTheFrameLoopFinishes) {
    // 96.19 s of scenes, ten 1.15 s transitions, 8.5 s of closing screen; each switch waits for a frame
    const double seconds = (double)showFrameCount(60, {}) / 60.0;
    EXPECT_GT(seconds, 116.18);
    EXPECT_LT(seconds, 116.19 + 12.0 / 60.0);
    // Two frame grids on which the scenes' ends round up differently
    EXPECT_EQ(showFrameCount(3, {}), framesOfTheFrameLoop(3, {}));
    EXPECT_EQ(showFrameCount(7, {}), framesOfTheFrameLoop(7, {}));
    EXPECT_EQ(showFrameCount(5, {{1.0, KeyColorBoost}, {2.0, KeyLargerCells}}), showFrameCount(5, {}));
}

TEST(ShowLength, FollowsSkipsAndIgnoresTheOnesDuringTransitionsAndAfterTheEnd) {
    // One skip per scene, each after its transition, one more inside the first transition and one
    // in the closing screen: those two change nothing
    std::vector<ScriptedKey> skips = skipEverySceneEvery(1.5);
    const long long once = showFrameCount(10, skips);
    EXPECT_LT(once, 10 * 25);
    skips.push_back({0.75, KeySkip});
    skips.push_back({17.0, KeySkip});
    EXPECT_EQ(showFrameCount(10, skips), once);
    EXPECT_EQ(framesOfTheFrameLoop(10, skips), once);

    // Every 1.25 s: some land on the frame whose timeline step completes the transition, after the
    // keys were read, and are lost as they are in the live show
    const std::vector<ScriptedKey> tight = skipEverySceneEvery(1.25);
    EXPECT_EQ(showFrameCount(10, tight), framesOfTheFrameLoop(10, tight));
    EXPECT_GT(showFrameCount(10, tight), once);
}
