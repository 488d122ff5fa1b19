// The show's own soundtrack, measured the way the show hears it: through the analysis, frame by
// frame at 60 fps, along the show's timeline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

constexpr float kDrumsIn = 6.24f;  // Bar 3, as the boot screen hands over

class SoundtrackTest : public QuietTest {
protected:
    // Loaded and analysed once, at every 1/60 s of the track.
    static void SetUpTestSuite() {
        SetTraceLogLevel(LOG_NONE);
        if (!load(track, kShowTrack)) return;
        const float length = (float)track.frameCount / (float)track.sampleRate;
        for (int i = 0; (float)i * kFrameStep < length; ++i) frames.push_back(analyseAt(track, (float)i * kFrameStep, length));
    }
    static void TearDownTestSuite() { unload(track); }
    void SetUp() override {
        QuietTest::SetUp();
        ASSERT_GE(frames.size(), 118u * 60u) << "assets/audio/output.ogg did not load, or is too short for the show";
    }

    static bool beatJumps(int i) { return frames[(size_t)i].beat > frames[(size_t)i - 1].beat + 0.3f; }
    // Over the frames from `from` to `to` seconds.
    static float meanLevel(float from, float to) {
        float sum = 0.0f;
        for (int i = (int)(from * 60.0f); i < (int)(to * 60.0f); ++i) sum += frames[(size_t)i].level;
        return sum / ((to - from) * 60.0f);
    }
    static float maxBeat(float from, float to) {
        float most = 0.0f;
        for (int i = (int)(from * 60.0f); i < (int)(to * 60.0f); ++i) most = std::max(most, frames[(size_t)i].beat);
        return most;
    }

    static inline MusicTrack track;
    static inline std::vector<AudioFeatures> frames;
};

}  // namespace

TEST_F(SoundtrackTest, IsStereo44100SmallAndNeverAtFullScale) {
    EXPECT_EQ(track.channels, 2);
    EXPECT_EQ(track.sampleRate, 44100);
    EXPECT_LT(std::filesystem::file_size(kShowTrack), 4u * 1024u * 1024u);
    const float peak = std::fabs(*std::max_element(track.samples, track.samples + track.frameCount * track.channels,
                                                   [](float a, float b) { return std::fabs(a) < std::fabs(b); }));
    EXPECT_LT(peak, 0.99f);
    EXPECT_GT(peak, 0.5f);  // And not needlessly quiet
}

TEST_F(SoundtrackTest, TheBootScreenIsQuietAndTheKickStartsWithTheFirstEffectOnEveryBeat) {
    EXPECT_LT(meanLevel(1.0f, 6.0f), 0.5f * meanLevel(kDrumsIn + 0.5f, 20.0f));  // From the first sound's onset
    EXPECT_LT(maxBeat(1.0f, 6.0f), 0.3f);

    // The first jump of the pulse after the opening is the drums coming in, and every beat from
    // there to 20 s (125 bpm: 0.48 s apart) makes it jump within a frame or two.
    int first = 60;
    while (first < 8 * 60 && !beatJumps(first)) ++first;
    EXPECT_NEAR((float)first * kFrameStep, kDrumsIn, 0.05f);
    for (float t = kDrumsIn; t < 20.0f; t += 0.48f) {
        const int beat = (int)roundf(t * 60.0f);
        EXPECT_TRUE(beatJumps(beat - 1) || beatJumps(beat) || beatJumps(beat + 1) || beatJumps(beat + 2)) << t;
    }
}

TEST_F(SoundtrackTest, BreakdownsAreQuieterThanTheDropsAroundThem) {
    const float drops[] = {meanLevel(23.0f, 36.0f), meanLevel(50.0f, 63.0f), meanLevel(77.0f, 90.0f)};
    for (float breakdown : {meanLevel(38.0f, 44.0f), meanLevel(65.0f, 71.0f)}) {
        for (float drop : drops) EXPECT_LT(breakdown, 0.5f * drop);
    }
    EXPECT_LT(maxBeat(38.0f, 44.0f), 0.5f);
    EXPECT_GT(drops[0], meanLevel(kDrumsIn + 0.5f, 20.0f));  // Louder than the first groove
}

TEST_F(SoundtrackTest, EveryBandMovesDuringTheShow) {
    for (int b = 0; b < 8; ++b) {
        const auto [low, high] = std::minmax_element(frames.begin() + 60, frames.end(), [b](const AudioFeatures& x, const AudioFeatures& y) {
            return x.bands[b] < y.bands[b];
        });
        EXPECT_LT(low->bands[b], 0.3f) << "band " << b;
        EXPECT_GT(high->bands[b], 0.9f) << "band " << b;
    }
}
