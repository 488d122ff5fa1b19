// The three kinds of source read the same way: the same samples give the same AudioFeatures as the
// show's own track at the same play positions; a long file is streamed through a bounded buffer
// frame for frame; live sound that stops reads as silence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "audio/analysis.h"
#include "audio/music_track.h"
#include "audio/sound_source.h"
#include "sound_fixtures.h"
#include "source_test_support.h"

using namespace sound_fixtures;
using namespace source_test;

namespace {

// A rate at which every play position used below is an exact float in seconds
constexpr int kRate = 32768;
constexpr int kChannels = 2;

float* copyOf(const std::vector<float>& values) {
    auto* copy = static_cast<float*>(malloc(values.size() * sizeof(float)));
    memcpy(copy, values.data(), values.size() * sizeof(float));
    return copy;
}

void expectSameFeatures(const AudioFeatures& a, const AudioFeatures& b) {
    EXPECT_EQ(a.valid, b.valid);
    EXPECT_EQ(a.level, b.level);
    EXPECT_EQ(a.bass, b.bass);
    EXPECT_EQ(a.mid, b.mid);
    EXPECT_EQ(a.treble, b.treble);
    EXPECT_EQ(a.beat, b.beat);
    EXPECT_EQ(a.musicTime, b.musicTime);
    for (int i = 0; i < kBandCount; ++i) EXPECT_EQ(a.bands[i], b.bands[i]) << i;
}

}  // namespace

TEST(SoundSources, EveryKindGivesTheShowTracksFeaturesForTheSameSamples) {
    const long long frames = 6 * kRate;
    const std::vector<float> values = music(kChannels, kRate, frames);
    MusicTrack track;
    attachSamples(track, copyOf(values), (int)frames, kChannels, kRate);

    TempDir dir;  // Outlives the sources: Windows removes no file that is still open
    SoundSource decoded, file, live;
    ASSERT_TRUE(openDecodedSource(decoded, copyOf(values), frames, kChannels, kRate, "handed over"));
    const Format floatWav{"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate};  // Stores the values exactly
    ASSERT_TRUE(openFileSource(file, dir.put("same.wav", writeFile(floatWav, kChannels, frames)).c_str())) << file.error;
    ASSERT_TRUE(openLiveSource(live, kRate, kChannels));
    EXPECT_EQ(decoded.title, "handed over");

    // Positions from the very start (half the window before frame 0) to near the end; live sound
    // arrives in blocks of odd sizes and is analysed with its newest frame 511 after the position
    long long pushed = 0;
    const int blocks[] = {1, 333, 4099, 17, 2048};
    int block = 0;
    for (long long pos = 0; pos + kSpectrumWindow < frames; pos += 2560) {
        SCOPED_TRACE(pos);
        const float seconds = (float)pos / (float)kRate;
        ASSERT_EQ(playFrame(kRate, seconds), pos);
        const AudioFeatures expected = analyseAt(track, seconds, (float)frames / kRate);
        expectSameFeatures(analyseSource(decoded, seconds), expected);
        ASSERT_TRUE(waitUntilReady(file, pos + kSpectrumWindow));
        expectSameFeatures(analyseSource(file, seconds), expected);
        while (pushed < pos + kWindowAfter + 1) {
            const int n = (int)std::min<long long>(blocks[block++ % 5], pos + kWindowAfter + 1 - pushed);
            ASSERT_EQ(pushLive(*live.live, &values[(size_t)(pushed * kChannels)], n), n);
            pushed += n;
        }
        expectSameFeatures(analyseSource(live, 0.0), expected);
    }
    EXPECT_EQ(analyseSource(decoded, 1.0).musicLength, 6.0f);
    EXPECT_EQ(analyseSource(live, 0.0).musicLength, 0.0f);
}

TEST(SoundSources, ALongFileStreamsThroughItsBoundedBufferFrameForFrame) {
    // Ten minutes at 8 kHz: the buffer holds about ten seconds of it
    constexpr int kLongRate = 8000;
    const long long frames = 600LL * kLongRate;
    const Format wav{"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kLongRate};
    TempDir dir;
    SoundSource file;
    ASSERT_TRUE(openFileSource(file, dir.put("long.wav", writeFile(wav, 1, frames)).c_str()));
    EXPECT_EQ(file.frameCount, frames);  // Declared in the header, known at once
    EXPECT_LT(bufferFrames(file), frames / 30);

    // Played on at ten frames a second; frames here and there checked against what was written
    const std::vector<float> expected = music(1, kLongRate, frames);
    float value = 0.0f;
    for (long long at = 0; at < frames; at += kLongRate / 10) {
        ASSERT_TRUE(waitUntilReady(file, std::min(frames, at + kLongRate / 10 + kSpectrumWindow)));
        ASSERT_TRUE(analyseSource(file, (double)at / kLongRate).valid);
        if (at % 9600 == 0) {  // A frame off the tone's zero crossings
            readFrames(file, at + 37, 1, &value);
            ASSERT_NE(value, 0.0f);
            ASSERT_EQ(value, expected[(size_t)(at + 37)]) << at;
        }
    }
    ASSERT_TRUE(waitUntilDecoded(file));
    EXPECT_EQ(file.frameCount, frames);
    EXPECT_TRUE(file.error.empty());
    // Past the end and before the start is silence, not the start of the file again
    readFrames(file, frames, 1, &value);
    EXPECT_EQ(value, 0.0f);
    readFrames(file, -1, 1, &value);
    EXPECT_EQ(value, 0.0f);
}

TEST(SoundSources, DecodedTracksAndLiveFormatsAreCheckedAndAClosedSourceIsSilent) {
    SoundSource source;
    EXPECT_FALSE(openDecodedSource(source, nullptr, 100, 2, 44100, "x"));
    EXPECT_FALSE(openDecodedSource(source, copyOf({0.5f, 0.5f}), 0, 2, 44100, "x"));
    EXPECT_FALSE(openDecodedSource(source, copyOf({0.5f, 0.5f}), 1, 9, 44100, "x"));
    EXPECT_FALSE(openDecodedSource(source, copyOf({0.5f, 0.5f}), 1, 2, 7999, "x"));
    EXPECT_FALSE(openLiveSource(source, 192001, 2) || openLiveSource(source, 44100, 0));
    EXPECT_EQ(source.kind, SourceKind::None);
    const AudioFeatures none = analyseSource(source, 1.0);
    EXPECT_FALSE(none.valid);
    EXPECT_EQ(none.level, 0.0f);
    ASSERT_TRUE(openDecodedSource(source, copyOf({0.5f, 0.5f}), 1, 2, 192000, nullptr));
    closeSource(source);
    closeSource(source);
    EXPECT_FALSE(analyseSource(source, 0.0).valid);
}

// What a file's worker has decoded once it settles depends only on what was released: the whole
// ring from the start, then whole blocks past each release; at the end, everything.
TEST(SoundSources, AFileSettlesWhereItsReleasesLetItWhateverTheWorkersSpeed) {
    constexpr int kLongRate = 8000;
    constexpr long long kBlock = 4096;  // The worker's decoding step
    const long long frames = 120LL * kLongRate;
    const Format wav{"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kLongRate};
    TempDir dir;
    SoundSource file;
    ASSERT_TRUE(openFileSource(file, dir.put("settle.wav", writeFile(wav, 1, frames)).c_str()));
    const long long ring = bufferFrames(file);
    ASSERT_TRUE(waitFor([&] { return decodingSettled(file); }));
    EXPECT_EQ(framesReady(file), ring);
    releaseBefore(file, 10000);  // Room for 10000 frames: two more whole blocks fit, a third does not
    ASSERT_TRUE(waitFor([&] { return decodingSettled(file); }));
    EXPECT_EQ(framesReady(file), ring + 2 * kBlock);
    EXPECT_FALSE(decodingDone(file));
    releaseBefore(file, frames);
    ASSERT_TRUE(waitFor([&] { return decodingSettled(file); }));
    EXPECT_TRUE(decodingDone(file));
    EXPECT_EQ(framesReady(file), frames);
    SoundSource decoded;  // Other kinds have nothing to wait for
    EXPECT_TRUE(decodingSettled(decoded));
}
