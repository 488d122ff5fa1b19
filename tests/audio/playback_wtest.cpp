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

constexpr auto kFrame = std::chrono::milliseconds(16);

class PlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetTraceLogLevel(LOG_NONE);
        InitAudioDevice();
    }
    static void TearDownTestSuite() {
        if (IsAudioDeviceReady()) CloseAudioDevice();
    }
    void SetUp() override {
        SetTraceLogLevel(LOG_NONE);
        ASSERT_TRUE(IsAudioDeviceReady()) << "no audio device: start PulseAudio with a null sink";
    }

    // Calls update once per frame for `seconds` of wall time, as the frame loop does.
    static std::vector<AudioFeatures> play(MusicTrack& track, double seconds) {
        std::vector<AudioFeatures> frames;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            frames.push_back(update(track));
            std::this_thread::sleep_for(kFrame);
        }
        return frames;
    }

    // The device can take a second or two to start consuming after it opens; waits (updating the
    // track as the frame loop would) until the play position leaves 0. False after 5 s.
    static bool waitForPlayback(MusicTrack& track) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            if (update(track).musicTime > 0.0f) return true;
            std::this_thread::sleep_for(kFrame);
        }
        return false;
    }
};

}  // namespace

TEST_F(PlaybackTest, TheShowsTrackPlaysAndTheAnalysisFollowsThePlayPosition) {
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    EXPECT_TRUE(IsMusicStreamPlaying(track.music));
    ASSERT_TRUE(waitForPlayback(track)) << "the stream never started";
    const std::vector<AudioFeatures> frames = play(track, 3.0);
    ASSERT_GT(frames.size(), 60u);

    // The position advances at about real time and never runs backwards.
    const float advance = frames.back().musicTime - frames.front().musicTime;
    EXPECT_GT(advance, 2.5f);
    EXPECT_LT(advance, 3.3f);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_GE(frames[i].musicTime, frames[i - 1].musicTime);
    EXPECT_GE(frames.back().musicLength, 118.0f);

    // The boot screen's pads: sound, and bands that move.
    const auto [low, high] = std::minmax_element(frames.begin(), frames.end(),
                                                 [](const AudioFeatures& a, const AudioFeatures& b) { return a.mid < b.mid; });
    EXPECT_GT(high->mid - low->mid, 0.2f);
    EXPECT_GT(frames.back().level, 0.01f);
    EXPECT_TRUE(frames.back().valid);

    unload(track);
    EXPECT_EQ(track.music.ctxData, nullptr);
    expectSilentRecord(update(track));
}

TEST_F(PlaybackTest, AStreamStoppedFromOutsideStartsAgainOnTheNextUpdate) {
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    ASSERT_TRUE(waitForPlayback(track));
    play(track, 0.5);
    StopMusicStream(track.music);
    EXPECT_FALSE(IsMusicStreamPlaying(track.music));
    const AudioFeatures a = update(track);
    EXPECT_TRUE(a.valid);
    EXPECT_TRUE(IsMusicStreamPlaying(track.music));
    EXPECT_LT(a.musicTime, 0.2f);  // From the start again
    EXPECT_GT(play(track, 0.5).back().musicTime, 0.2f);
}

TEST_F(PlaybackTest, AShortTrackRepeatsWhenItReachesItsEnd) {
    if (!haveOggEncoder()) GTEST_SKIP() << "oggenc (vorbis-tools) is needed to make the fixture";
    TempDir dir;
    const std::string path = dir.file("short.ogg");
    ASSERT_TRUE(writeOgg(path, spread(tone(440.0f, 0.3f, 0.6f), 2), 2, kRate));
    MusicTrack track;
    ASSERT_TRUE(load(track, path.c_str()));
    ASSERT_TRUE(waitForPlayback(track));
    const std::vector<AudioFeatures> frames = play(track, 1.6);
    int wraps = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_LE(frames[i].musicTime, frames[i].musicLength + 0.05f);
        if (frames[i].musicTime < frames[i - 1].musicTime) ++wraps;
    }
    EXPECT_GE(wraps, 1);
    EXPECT_TRUE(IsMusicStreamPlaying(track.music));
    EXPECT_GT(frames.back().level, 0.05f);
}
