// The soundtrack of a captured range: the track from the show's start, starting again at its end,
// at each frame's master volume, cut at exact frame boundaries.
#include <gtest/gtest.h>

#include <vector>

#include "tools/capture/audio_mix.h"

TEST(ShowAudio, FollowsTheTrackAcrossItsEndAtEachFramesVolumeUntilTheNext) {
    // 1000 stereo frames at 100 Hz whose values tell their position: left i/1000, right -i/1000
    std::vector<float> data;
    for (int i = 0; i < 1000; ++i) data.insert(data.end(), {(float)i / 1000.0f, -(float)i / 1000.0f});
    const TrackSamples ramp{data.data(), 1000, 2, 100};

    // Frames 90..109 at 10 fps: audio frames 900..1099, the track again from its start at 1000
    std::vector<float> out = mixShowAudio(ramp, std::vector<float>(200, 1.0f), 10, 90, 20);
    ASSERT_EQ(out.size(), 200u * 2u);
    EXPECT_FLOAT_EQ(out[1], -0.9f);
    EXPECT_FLOAT_EQ(out[2 * 99], 0.999f);
    EXPECT_FLOAT_EQ(out[2 * 100], 0.0f);
    EXPECT_FLOAT_EQ(out[2 * 199 + 1], -0.099f);

    // Frames past the recorded volumes keep the last one (0.25)
    out = mixShowAudio(ramp, {1.0f, 0.5f, 0.0f, 0.25f}, 10, 0, 5);
    EXPECT_FLOAT_EQ(out[2 * 9], 0.009f);          // Last sample of frame 0 at 1.0
    EXPECT_FLOAT_EQ(out[2 * 10], 0.010f * 0.5f);  // First of frame 1 at 0.5
    for (int i = 20; i < 30; ++i) EXPECT_EQ(out[2 * i], 0.0f);
    EXPECT_FLOAT_EQ(out[2 * 49 + 1], -0.049f * 0.25f);
}

TEST(ShowAudio, UnevenFramesJoinWithoutGapOrOverlapAndTheirVolumeStartsOnTheirFirstSample) {
    // 44100 Hz at 24 fps is 1837.5 audio frames per video frame
    std::vector<float> data(88200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (float)i;
    const TrackSamples track{data.data(), 88200, 1, 44100};
    std::vector<float> gains(48, 1.0f);
    const std::vector<float> whole = mixShowAudio(track, gains, 24, 0, 48);
    EXPECT_EQ(whole.size(), 88200u);
    std::vector<float> joined = mixShowAudio(track, gains, 24, 0, 7);
    const std::vector<float> rest = mixShowAudio(track, gains, 24, 7, 41);
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_EQ(joined, whole);

    const long long start = audioFrameOf(7, 24, 44100), end = audioFrameOf(8, 24, 44100);
    EXPECT_EQ(start, 12862);  // 12862.5 rounded down
    gains[7] = 0.0f;
    const std::vector<float> out = mixShowAudio(track, gains, 24, 0, 24);
    EXPECT_NE(out[(size_t)start - 1], 0.0f);
    EXPECT_EQ(out[(size_t)start], 0.0f);
    EXPECT_EQ(out[(size_t)end - 1], 0.0f);
    EXPECT_NE(out[(size_t)end], 0.0f);
}

TEST(ShowAudio, ASilentShowGivesSilenceOfTheRightLength) {
    const std::vector<float> out = mixShowAudio(TrackSamples{nullptr, 0, 2, 48000}, {1.0f, 1.0f}, 60, 30, 60);
    EXPECT_EQ(out, std::vector<float>(48000u * 2u, 0.0f));
}
