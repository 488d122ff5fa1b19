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

struct Stretch {
    float meanLevel = 0.0f;
    float meanBeat = 0.0f;
    float maxBeat = 0.0f;
    int beatJumps = 0;  // Frames where beat rises by more than 0.3
};

class SoundtrackTest : public QuietTest {
protected:
    static void SetUpTestSuite() {
        SetTraceLogLevel(LOG_NONE);
        track_ = new MusicTrack;
        if (!load(*track_, kShowTrack)) return;
        const float length = (float)track_->frameCount / (float)track_->sampleRate;
        for (int i = 0; (float)i * kFrameStep < length; ++i) frames_.push_back(analyseAt(*track_, (float)i * kFrameStep, length));
    }
    static void TearDownTestSuite() {
        delete track_;
        track_ = nullptr;
        frames_.clear();
    }
    void SetUp() override {
        QuietTest::SetUp();
        ASSERT_TRUE(track_->ready) << "assets/audio/output.ogg did not load";
    }

    static Stretch measure(float from, float to) {
        Stretch s;
        int count = 0;
        for (int i = (int)(from * 60.0f); i < (int)(to * 60.0f) && i < (int)frames_.size(); ++i) {
            const AudioFeatures& a = frames_[(size_t)i];
            s.meanLevel += a.level;
            s.meanBeat += a.beat;
            s.maxBeat = std::max(s.maxBeat, a.beat);
            if (i > 0 && a.beat > frames_[(size_t)i - 1].beat + 0.3f) ++s.beatJumps;
            ++count;
        }
        s.meanLevel /= (float)count;
        s.meanBeat /= (float)count;
        return s;
    }

    static MusicTrack* track_;
    static std::vector<AudioFeatures> frames_;
};

MusicTrack* SoundtrackTest::track_ = nullptr;
std::vector<AudioFeatures> SoundtrackTest::frames_;

}  // namespace

TEST_F(SoundtrackTest, IsStereo44100LongEnoughForTheShowSmallAndNeverAtFullScale) {
    EXPECT_EQ(track_->channels, 2);
    EXPECT_EQ(track_->sampleRate, 44100);
    EXPECT_GE((float)track_->frameCount / 44100.0f, 118.0f);  // Boot, scenes, transitions and closing screen
    EXPECT_LT(std::filesystem::file_size(kShowTrack), 4u * 1024u * 1024u);
    float peak = 0.0f;
    const size_t values = (size_t)track_->frameCount * (size_t)track_->channels;
    for (size_t i = 0; i < values; ++i) peak = std::max(peak, std::fabs(track_->samples[i]));
    EXPECT_LT(peak, 0.99f);
    EXPECT_GT(peak, 0.5f);  // And not needlessly quiet
}

TEST_F(SoundtrackTest, TheBootScreenIsQuietAndWithoutDrums) {
    const Stretch intro = measure(1.0f, 6.0f);  // After the first sound's onset
    const Stretch groove = measure(kDrumsIn + 0.5f, 20.0f);
    EXPECT_LT(intro.meanLevel, 0.5f * groove.meanLevel);
    EXPECT_LT(intro.maxBeat, 0.3f);
    EXPECT_EQ(intro.beatJumps, 0);
}

TEST_F(SoundtrackTest, TheKickStartsWithTheFirstEffectOnEveryBeat) {
    // Every beat from 6.24 s to 20 s (125 bpm: 0.48 s apart) makes the beat pulse jump within a
    // frame or two; the first of them is the first jump of the track after its opening.
    int beats = 0;
    int kicked = 0;
    for (float t = kDrumsIn; t < 20.0f; t += 0.48f) {
        ++beats;
        const int frame = (int)roundf(t * 60.0f);
        for (int i = frame - 1; i <= frame + 2; ++i) {
            if (frames_[(size_t)i].beat > frames_[(size_t)i - 1].beat + 0.3f) {
                ++kicked;
                break;
            }
        }
    }
    EXPECT_EQ(kicked, beats);
    EXPECT_GT(measure(kDrumsIn + 0.5f, 20.0f).meanBeat, 0.2f);

    int first = -1;
    for (int i = 60; i < (int)(8.0f * 60.0f) && first < 0; ++i) {
        if (frames_[(size_t)i].beat > frames_[(size_t)i - 1].beat + 0.3f) first = i;
    }
    EXPECT_NEAR((float)first * kFrameStep, kDrumsIn, 0.05f);
}

TEST_F(SoundtrackTest, BreakdownsAreQuieterThanTheDropsAroundThem) {
    const Stretch drop1 = measure(23.0f, 36.0f);
    const Stretch breakdown1 = measure(38.0f, 44.0f);
    const Stretch drop2 = measure(50.0f, 63.0f);
    const Stretch breakdown2 = measure(65.0f, 71.0f);
    const Stretch drop3 = measure(77.0f, 90.0f);
    for (const Stretch* quiet : {&breakdown1, &breakdown2}) {
        for (const Stretch* loud : {&drop1, &drop2, &drop3}) EXPECT_LT(quiet->meanLevel, 0.5f * loud->meanLevel);
    }
    EXPECT_LT(breakdown1.maxBeat, 0.5f);
    EXPECT_GT(drop1.meanLevel, measure(kDrumsIn + 0.5f, 20.0f).meanLevel);  // Drops are louder than the first groove
}

TEST_F(SoundtrackTest, EveryBandMovesDuringTheShow) {
    for (int b = 0; b < 8; ++b) {
        float low = 1.0f;
        float high = 0.0f;
        for (size_t i = 60; i < frames_.size(); ++i) {
            low = std::min(low, frames_[i].bands[b]);
            high = std::max(high, frames_[i].bands[b]);
        }
        EXPECT_LT(low, 0.3f) << "band " << b;
        EXPECT_GT(high, 0.9f) << "band " << b;
    }
}
