// With a real audio device (a PulseAudio null sink in the test run): the stream plays in real time,
// the play position moves and the analysis follows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

using Clock = std::chrono::steady_clock;

// Calls update once per 16 ms frame, as the frame loop does, for `seconds` of wall time (at least once).
std::vector<AudioFeatures> play(MusicTrack& track, double seconds) {
    std::vector<AudioFeatures> frames;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    do {
        frames.push_back(update(track));
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    } while (Clock::now() < end);
    return frames;
}

}  // namespace

TEST(PlaybackTest, TheShowsTrackPlaysTheAnalysisFollowsAndAStoppedStreamStartsAgain) {
    SetTraceLogLevel(LOG_NONE);
    InitAudioDevice();
    ASSERT_TRUE(IsAudioDeviceReady()) << "no audio device: start PulseAudio with a null sink";
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    EXPECT_TRUE(IsMusicStreamPlaying(track.music));
    // The device can take a second or two to start consuming the stream.
    const auto wait = Clock::now() + std::chrono::seconds(5);
    while (play(track, 0.0).back().musicTime == 0.0f && Clock::now() < wait) {}
    const std::vector<AudioFeatures> frames = play(track, 3.0);
    ASSERT_GT(frames.front().musicTime, 0.0f) << "the stream never started";

    // The position advances at about real time and never runs backwards.
    const float advance = frames.back().musicTime - frames.front().musicTime;
    EXPECT_TRUE(advance > 2.5f && advance < 3.3f && frames.back().musicLength >= 118.0f) << advance;
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_GE(frames[i].musicTime, frames[i - 1].musicTime);
    // The boot screen's pads: sound, and bands that move.
    const auto [low, high] = std::minmax_element(frames.begin(), frames.end(),
                                                 [](const AudioFeatures& a, const AudioFeatures& b) { return a.mid < b.mid; });
    EXPECT_TRUE(high->mid - low->mid > 0.2f && frames.back().level > 0.01f);

    // Stopped from outside, it starts again from the top on the next update.
    StopMusicStream(track.music);
    EXPECT_TRUE(update(track).musicTime < 0.2f && IsMusicStreamPlaying(track.music));
        EXPECT_GT(play(track, 0.5).back().musicTime, 0.2f);
    unload(track);
    CloseAudioDevice();
}

// A device lost and another opened: the track's stream starts again on it from the place given, its
// decoded copy kept; an empty track has nothing to resume.
TEST(PlaybackTest, AStreamResumedOnANewDevicePlaysOnFromThePlaceGiven) {
    SetTraceLogLevel(LOG_NONE);
    InitAudioDevice();
    ASSERT_TRUE(IsAudioDeviceReady()) << "no audio device: start PulseAudio with a null sink";
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    play(track, 0.2);
    const float* copy = track.samples;
    StopMusicStream(track.music);  // As the lost device's stream is left
    CloseAudioDevice();
    InitAudioDevice();
    ASSERT_TRUE(IsAudioDeviceReady());

    ASSERT_TRUE(resumeStream(track, 40.0f));
    EXPECT_TRUE(track.ready && IsMusicStreamPlaying(track.music) && track.samples == copy);
    const AudioFeatures first = update(track);
    EXPECT_NEAR(first.musicTime, 40.0f, 0.1f) << "not resumed at the place given";
    const auto wait = Clock::now() + std::chrono::seconds(5);
    while (play(track, 0.0).back().musicTime < 40.3f && Clock::now() < wait) {}
    const std::vector<AudioFeatures> frames = play(track, 1.0);
    EXPECT_TRUE(frames.front().musicTime >= 40.3f && frames.back().musicTime < 45.0f) << frames.back().musicTime;
    EXPECT_GT(frames.back().level, 0.01f);

    unload(track);
    EXPECT_FALSE(resumeStream(track, 1.0f));
    EXPECT_FALSE(track.ready);
    CloseAudioDevice();
}
