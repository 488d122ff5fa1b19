// Time in a capture: the virtual clock and the scripted keys, the length of the show worked out
// from its timeline, the scene run behind scene mode,
// and the soundtrack cut at exact frame boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "app/frame_loop.h"
#include "frontends/capture/audio_mix.h"
#include "frontends/capture/scene_run.h"
#include "frontends/capture/show_schedule.h"

namespace {

// A scene that remembers the times and beats it was rendered with and marks the grid with the
// frame count and whether its audio was valid; a step that says stop at one frame.
std::vector<float> times, beats;
void recordingScene(AsciiFramebuffer& fb, float t, Color, const BeatInfo* beat, const AudioFeatures* audio) {
    times.push_back(t);
    beats.push_back(beat->beatPos);
    fb.setCell(0, 0, (uint32_t)times.size(), Color{}, Color{});
    fb.setCell(1, 0, audio->valid ? 1u : 0u, Color{}, Color{});
}
long long stopAt = -1;
std::vector<long long> steps;  // Each as done * 1000 + total
bool stopStep(void*, long long done, long long total) {
    steps.push_back(done * 1000 + total);
    return done != stopAt;
}

bool runTo(AsciiFramebuffer& fb, double time, int fps, const TempoClock& clock, bool audioValid = false) {
    times.clear();
    beats.clear();
    steps.clear();
    AudioFeatures audio;
    audio.valid = audioValid;
    return runSceneTo(fb, SceneDesc{"recording", 0, 0, recordingScene}, time, fps, clock, audio, stopStep, nullptr);
}

}  // namespace

TEST(VirtualClock, FramesLandOnTheirTimesAndKeysActOnceOnTheFirstFrameAtOrAfterTheirTime) {
    EXPECT_EQ(frameTime(750, 60), 12.5f);
    EXPECT_EQ(firstFrameAt(12.5, 60), 750);
    EXPECT_EQ(firstFrameAt(8.3, 30), 249);    // 8.3 * 30 is a hair above 249 in binary: still frame 249
    EXPECT_EQ(firstFrameAt(12.51, 60), 751);  // Between two frames: the next one
    // Given out of order; two at the same time come together; a late frame gives all due by then
    KeyScript script =
        makeKeyScript({{2.0, KeyColorBoost}, {1.0, KeySkip}, {1.0, KeyRestartBeats}, {1.01, KeyTempoUp}});
    EXPECT_EQ(keysDue(script, 0.5), 0u);
    EXPECT_EQ(keysDue(script, 1.0), (unsigned)(KeySkip | KeyRestartBeats));
    EXPECT_EQ(keysDue(script, 1.0), 0u);
    EXPECT_EQ(keysDue(script, 50.0), (unsigned)(KeyTempoUp | KeyColorBoost));
}

// Where the frame loop itself finishes, with skips some of which are lost, is the closing
// screen's window test.
TEST(ShowLength, IsTheTimelinesLengthOnTheFrameGrid) {
    // 96.19 s of scenes, ten 1.15 s transitions, 8.5 s of closing screen; each switch waits for a frame
    const double seconds = (double)showFrameCount(60, {}) / 60.0;
    EXPECT_TRUE(seconds > 116.18 && seconds < 116.19 + 12.0 / 60.0) << seconds;
    EXPECT_LT(showFrameCount(10, {{0.5, KeySkip}}), showFrameCount(10, {}));  // A skip in the first scene
}

// Every frame from scene time 0 on the capture's frame grid, the last exactly at the wanted time,
// with the show's beat clock from the scene start or the beat asked for at that time.
TEST(SceneRun, RendersEveryFrameFromZeroAndTheLastExactlyAtTheTimeWithItsBeat) {
    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    EXPECT_EQ(sceneRunFrames(0.11, 30), 5);
    EXPECT_TRUE(runTo(fb, 0.11, 30, sceneClock(false, 0.0f, 0.11)));
    EXPECT_EQ(times, (std::vector<float>{0.0f, 1.0f / 30, 2.0f / 30, 3.0f / 30, 0.11f}));
    EXPECT_EQ(steps, (std::vector<long long>{5, 1005, 2005, 3005, 4005}));
    EXPECT_EQ(fb.at(0, 0).codepoint + fb.at(1, 0).codepoint, 5u);  // The last frame's grid, audio invalid
    runTo(fb, 0.5, 30, sceneClock(false, 0.0f, 0.5));  // A time on the frame grid is rendered once
    EXPECT_EQ(std::make_pair(times.size(), times.back()), std::make_pair((size_t)16, 0.5f));
    runTo(fb, 0.0, 60, sceneClock(false, 0.0f, 0.0));
    EXPECT_EQ(times, std::vector<float>{0.0f});
    EXPECT_EQ(sceneRunFrames(3600.0, 240), 864001);
    for (stopAt = 0; stopAt < 5; stopAt += 2) {  // A step that says stop ends the run before its frame
        EXPECT_FALSE(runTo(fb, 0.11, 30, sceneClock(false, 0.0f, 0.11)));
        EXPECT_EQ(times.size(), (size_t)stopAt);
    }
    stopAt = -1;

    runTo(fb, 1.2, 10, sceneClock(false, 0.0f, 1.2), true);
    EXPECT_TRUE(beats.front() == 0.0f && fb.at(1, 0).codepoint == 1u);  // From the scene start, with the audio
    EXPECT_NEAR(beats.back(), 1.2f * 125.0f / 60.0f, 1e-5f);
    runTo(fb, 1.2, 10, sceneClock(true, 16.5f, 1.2));
    EXPECT_NEAR(beats.back(), 16.5f, 1e-5f);
    EXPECT_NEAR(beats[beats.size() - 2], 16.5f - 0.1f * 125.0f / 60.0f, 1e-4f);
    runTo(fb, 1.2, 10, sceneClock(true, 0.5f, 1.2));  // Earlier than the run reaches back: 0 before it
    EXPECT_TRUE(beats.front() == 0.0f && fabsf(beats.back() - 0.5f) < 1e-5f) << beats.back();
}

// A 1000-frame stereo ramp at 100 Hz (left i/1000, right -i/1000): from frame 90 at 10 fps, audio
// frames 900..1099, the track again from its start at 1000; each frame at its own volume until the
// next, the last kept past the recorded ones. And 44100 Hz at 24 fps, 1837.5 audio frames a video
// frame, cut into pieces that join without gap or overlap.
TEST(ShowAudio, FollowsTheTrackAcrossItsEndAndCutsFramesAtExactBoundaries) {
    std::vector<float> data;
    for (int i = 0; i < 1000; ++i) data.insert(data.end(), {(float)i / 1000.0f, -(float)i / 1000.0f});
    const DecodedSamples ramp{data.data(), 1000, 2, 100};
    std::vector<float> out = mixShowAudio(ramp, std::vector<float>(200, 1.0f), 10, 90, 20);
    ASSERT_EQ(out.size(), 200u * 2u);
    EXPECT_EQ(std::make_tuple(out[1], out[2 * 99], out[2 * 100]), std::make_tuple(-0.9f, 0.999f, 0.0f));
    out = mixShowAudio(ramp, {1.0f, 0.5f, 0.0f, 0.25f}, 10, 0, 5);  // Frames 0..4 at their volumes
    EXPECT_EQ(std::make_tuple(out[2 * 9], out[2 * 10], out[2 * 29], out[2 * 49 + 1]),
              std::make_tuple(0.009f, 0.010f * 0.5f, 0.0f, -0.049f * 0.25f));
    EXPECT_EQ(mixShowAudio(DecodedSamples{nullptr, 0, 2, 48000}, {1.0f}, 60, 30, 60), std::vector<float>(96000, 0.0f));

    data.resize(88200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (float)i;
    const DecodedSamples track{data.data(), 88200, 1, 44100};
    std::vector<float> gains(48, 1.0f);
    std::vector<float> joined = mixShowAudio(track, gains, 24, 0, 7);
    const std::vector<float> rest = mixShowAudio(track, gains, 24, 7, 41);
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_EQ(joined, data);
    const long long start = audioFrameOf(7, 24, 44100), end = audioFrameOf(8, 24, 44100);
    EXPECT_EQ(start, 12862);  // 12862.5 rounded down
    gains[7] = 0.0f;
    out = mixShowAudio(track, gains, 24, 0, 24);
    EXPECT_TRUE(out[start - 1] != 0.0f && out[start] == 0.0f && out[end - 1] == 0.0f && out[end] != 0.0f);
}
