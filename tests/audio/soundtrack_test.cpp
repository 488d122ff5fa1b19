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

TEST(Soundtrack, ShapeOfTheShowsTrackAlongTheTimeline) {
    SetTraceLogLevel(LOG_NONE);
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    EXPECT_TRUE(track.channels == 2 && track.sampleRate == 44100);
    EXPECT_LT(std::filesystem::file_size(kShowTrack), 4u * 1024u * 1024u);
    float peak = 0.0f;
    for (long i = 0; i < (long)track.frameCount * track.channels; ++i) peak = std::max(peak, std::fabs(track.samples[i]));
    EXPECT_TRUE(peak > 0.5f && peak < 0.99f) << "never at full scale, nor needlessly quiet: " << peak;

    std::vector<AudioFeatures> f;  // Every 1/60 s of the track
    const float length = (float)track.frameCount / (float)track.sampleRate;
    for (int i = 0; (float)i * kFrameStep < length; ++i) f.push_back(analyseAt(track, (float)i * kFrameStep, length));
    ASSERT_GE(f.size(), 118u * 60u) << "too short for the show";
    const auto meanLevel = [&](float from, float to) {
        float sum = 0.0f;
        for (int i = (int)(from * 60.0f); i < (int)(to * 60.0f); ++i) sum += f[(size_t)i].level;
        return sum / ((to - from) * 60.0f);
    };
    const auto maxBeat = [&](float from, float to) {
        float most = 0.0f;
        for (int i = (int)(from * 60.0f); i < (int)(to * 60.0f); ++i) most = std::max(most, f[(size_t)i].beat);
        return most;
    };
    const auto jumps = [&](int i) { return f[(size_t)i].beat > f[(size_t)i - 1].beat + 0.3f; };

    // A quiet boot screen; the drums come in at bar 3 (6.24 s) and every beat (0.48 s) to 20 s
    // makes the pulse jump within a frame or two
    const float drumsIn = 6.24f, groove = meanLevel(drumsIn + 0.5f, 20.0f);
    EXPECT_LT(meanLevel(1.0f, 6.0f), 0.5f * groove);
    EXPECT_LT(maxBeat(1.0f, 6.0f), 0.3f);
    int first = 60;
    while (first < 8 * 60 && !jumps(first)) ++first;
    EXPECT_NEAR((float)first * kFrameStep, drumsIn, 0.05f);
    for (float t = drumsIn; t < 20.0f; t += 0.48f) {
        const int beat = (int)roundf(t * 60.0f);
        EXPECT_TRUE(jumps(beat - 1) || jumps(beat) || jumps(beat + 1) || jumps(beat + 2)) << t;
    }
    // Breakdowns quieter than the drops around them, which are louder than the first groove
    const float drops[] = {meanLevel(23.0f, 36.0f), meanLevel(50.0f, 63.0f), meanLevel(77.0f, 90.0f)};
    for (float breakdown : {meanLevel(38.0f, 44.0f), meanLevel(65.0f, 71.0f)}) {
        for (float drop : drops) EXPECT_LT(breakdown, 0.5f * drop);
    }
    EXPECT_LT(maxBeat(38.0f, 44.0f), 0.5f);
    EXPECT_GT(drops[0], groove);
    for (int b = 0; b < 8; ++b) {  // Every band moves
        const auto [low, high] = std::minmax_element(f.begin() + 60, f.end(), [b](const AudioFeatures& x, const AudioFeatures& y) {
            return x.bands[b] < y.bands[b];
        });
        EXPECT_TRUE(low->bands[b] < 0.3f && high->bands[b] > 0.9f) << "band " << b;
    }
    unload(track);
}
