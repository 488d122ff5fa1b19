// Key presses: every press between two frames acts once, oldest first, and all of them act before
// the rest of the frame.
#include <gtest/gtest.h>

#include <vector>

#include "app/key_presses.h"
#include "fake_platform.h"
#include "raylib.h"

TEST(KeyPresses, QueueOrderFirstThenWhatOnlyIsKeyPressedSaw) {
    struct Case { const char* what; std::vector<int> queued, pressedNow; std::vector<unsigned> want; };
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
        {"the visualizer's file keys and pause", {KEY_PERIOD, KEY_COMMA, KEY_P}, {},
         {KeyNextFile, KeyPreviousFile, KeyPause}},
    };
    for (const Case& c : cases) {
        const KeyPresses p = collectKeyPresses(c.queued.data(), (int)c.queued.size(), c.pressedNow.data(),
                                               (int)c.pressedNow.size());
        EXPECT_EQ(std::vector<unsigned>(p.keys, p.keys + p.count), c.want) << c.what;
    }
    std::vector<int> many(kMaxKeyPresses + 5, KEY_B);
    EXPECT_EQ(collectKeyPresses(many.data(), (int)many.size(), nullptr, 0).count, kMaxKeyPresses);
}

TEST(KeyPresses, EachKeyActsOnceInOrderAndRedrawsWhereItChangesPixels) {
    FakeShow s;
    while (s.fake.now < 5.0f) s.frameAt(s.fake.now + 1.0f / 60.0f);  // Let the grid settle: no zoom redraws
    const int made = s.fake.framebuffersMade;
    s.show.redrawAll = false;
    s.frameAt(5.01f, KeyRedrawAll);
    EXPECT_TRUE(s.show.redrawAll);
    s.frameAt(5.02f, KeyRedrawAll);
    EXPECT_FALSE(s.show.redrawAll || s.fake.redrawForces.back());
    s.frameAt(5.03f, KeyColorBoost);
    EXPECT_FALSE(s.show.colorBoost || s.show.fb->colorBoost);
    EXPECT_TRUE(s.fake.redrawForces.back()) << "the boost changes every pixel";
    s.frameAt(5.04f, KeyFullscreen);
    EXPECT_TRUE(s.fake.fullscreenToggles == 1 && s.fake.redrawForces.back());
    s.frameAt(5.05f, KeyTempoUp | KeyTempoUp);
    EXPECT_EQ(s.show.tempo.bpm, 126.0f) << "one step per frame, however the bits are set";
    s.frameAt(5.06f, KeyRestartBeats);
    EXPECT_EQ(s.show.beat.beatPos, 0.0f);
    s.frameWith({KeyTempoUp, KeyTempoDown, KeyTempoUp, KeyTempoUp, KeyColorBoost});
    EXPECT_TRUE(s.show.tempo.bpm == 128.0f && s.show.colorBoost);
    // Zoom keys act before the zoom step of their frame; the boost is carried into the new framebuffer
    ASSERT_EQ(s.fake.framebuffersMade, made);
    const int level = s.show.zoom.zoomLevel;
    s.frameWith({KeySmallerCells, KeySmallerCells});
    EXPECT_TRUE(s.fake.framebuffersMade == made + 1 && s.show.zoom.zoomLevel == level + 1);
    EXPECT_TRUE(s.show.fb->colorBoost && s.fake.redrawForces.back());
    // At the limit of 4 the order decides: "-" then "=" ends at 3.5, "=" then "-" at 4
    for (int i = 0; i < 6; ++i) s.frameWith({KeySmallerCells});
    ASSERT_EQ(s.show.zoom.userZoom, 4.0f);
    s.frameWith({KeySmallerCells, KeyLargerCells});
    EXPECT_EQ(s.show.zoom.userZoom, 3.5f);
    s.frameWith({KeySkip, KeySkip});  // The second finds the transition running
    EXPECT_TRUE(s.show.timeline.nextScene == 1 && s.show.timeline.transitionStart == s.fake.now);
    // A platform that never runs out of keys does not hang the frame
    Platform endless = s.platform;
    endless.keysPressed = [](void*) { return (unsigned)KeyTempoUp; };
    runFrame(s.show, endless);
    EXPECT_GT(s.show.tempo.bpm, 128.0f);
}
