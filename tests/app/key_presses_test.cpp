// Key presses: every press between two frames acts once, oldest first, and all of them act before
// the rest of the frame.
#include <gtest/gtest.h>

#include <vector>

#include "app/key_presses.h"
#include "fake_platform.h"
#include "raylib.h"

namespace {

std::vector<unsigned> keysOf(const KeyPresses& p) { return std::vector<unsigned>(p.keys, p.keys + p.count); }

struct KeyFixture : ::testing::Test {
    FakePlatform fake;
    Platform platform = fake.platform();
    Show show;

    void SetUp() override {
        fake.now = 2.0f;
        startShow(show, platform);
        runUntil(show, fake, platform, 5.0f);  // The grid has settled: no zoom change of its own
    }
    void frameWith(std::vector<unsigned> presses) {
        fake.presses.assign(presses.begin(), presses.end());
        fake.now += 1.0f / 60.0f;
        runFrame(show, platform);
    }
};

}  // namespace

TEST(KeyPresses, QueueOrderFirstThenWhatOnlyIsKeyPressedSaw) {
    struct Case {
        const char* what;
        std::vector<int> queued, pressedNow;
        std::vector<unsigned> want;
    };
    const Case cases[] = {
        {"nothing", {}, {}, {}},
        {"a tap between frames: only the queue has it", {KEY_SPACE}, {}, {KeySkip}},
        {"a press held over the frame: both have it, it acts once", {KEY_V}, {KEY_V}, {KeyColorBoost}},
        {"two taps of one key", {KEY_MINUS, KEY_MINUS}, {KEY_MINUS}, {KeySmallerCells, KeySmallerCells}},
        {"queue order, not table order", {KEY_EQUAL, KEY_SPACE, KEY_F3}, {KEY_SPACE},
         {KeyLargerCells, KeySkip, KeyRedrawAll}},
        {"keys the show does not use are dropped", {KEY_A, KEY_B, KEY_ESCAPE, KEY_KP_ADD}, {},
         {KeyRestartBeats, KeyLargerCells}},
        {"a press the queue lost comes after the queued ones", {KEY_F11}, {KEY_F11, KEY_RIGHT_BRACKET},
         {KeyFullscreen, KeyTempoUp}},
        {"both keypad and main-row zoom keys", {KEY_KP_SUBTRACT, KEY_LEFT_BRACKET}, {}, {KeySmallerCells, KeyTempoDown}},
    };
    for (const Case& c : cases) {
        const KeyPresses p = collectKeyPresses(c.queued.data(), (int)c.queued.size(), c.pressedNow.data(),
                                               (int)c.pressedNow.size());
        EXPECT_EQ(keysOf(p), c.want) << c.what;
    }
}

TEST(KeyPresses, EveryBoundKeyMapsAndMoreThanTheLimitAreDropped) {
    ASSERT_EQ(boundKeyCount(), 11);
    for (int i = 0; i < boundKeyCount(); ++i) EXPECT_NE(showKeyFor(boundKeyCode(i)), 0u) << boundKeyCode(i);
    EXPECT_EQ(showKeyFor(0), 0u);
    std::vector<int> many(kMaxKeyPresses + 5, KEY_B);
    const KeyPresses p = collectKeyPresses(many.data(), (int)many.size(), nullptr, 0);
    EXPECT_EQ(p.count, kMaxKeyPresses);
}

TEST_F(KeyFixture, EveryPressOfOneFrameActsOnceInOrder) {
    // At the limit of 4 the order decides: "-" then "=" ends at 3.5, "=" then "-" at 4
    for (int i = 0; i < 8; ++i) frameWith({KeySmallerCells});
    ASSERT_EQ(show.zoom.userZoom, 4.0f);
    frameWith({KeySmallerCells, KeyLargerCells});
    EXPECT_EQ(show.zoom.userZoom, 3.5f);
    frameWith({KeyLargerCells, KeySmallerCells});
    EXPECT_EQ(show.zoom.userZoom, 3.5f);
    frameWith({KeySmallerCells, KeySmallerCells, KeyLargerCells});
    EXPECT_EQ(show.zoom.userZoom, 3.5f);

    frameWith({KeyTempoUp, KeyTempoUp, KeyTempoUp});
    EXPECT_EQ(show.tempo.bpm, 128.0f);
    frameWith({KeyColorBoost, KeyColorBoost});
    EXPECT_TRUE(show.colorBoost) << "toggled twice";
    EXPECT_TRUE(fake.redrawForces.back());
}

TEST_F(KeyFixture, TwoSkipsInOneFrameStartOneTransitionAndTheSecondIsIgnored) {
    frameWith({KeySkip, KeySkip});
    EXPECT_TRUE(show.timeline.transitionActive);
    EXPECT_EQ(show.timeline.nextScene, 1);
    EXPECT_EQ(show.timeline.transitionStart, fake.now);
}

TEST_F(KeyFixture, PressesActBeforeTheZoomStepOfTheSameFrame) {
    const int made = fake.framebuffersMade;
    const int level = show.zoom.zoomLevel;
    frameWith({KeySmallerCells, KeySmallerCells});  // userZoom +1: one level more, this frame
    EXPECT_EQ(fake.framebuffersMade, made + 1);
    EXPECT_EQ(show.zoom.zoomLevel, level + 1);
}

TEST_F(KeyFixture, APlatformThatNeverRunsOutOfKeysDoesNotHangTheFrame) {
    Platform endless = platform;
    endless.keysPressed = [](void*) { return (unsigned)KeyTempoUp; };
    fake.now += 1.0f / 60.0f;
    runFrame(show, endless);
    EXPECT_GT(show.tempo.bpm, 125.0f);
}
