// Loading the track from files, good and bad, without an audio device: the stream and the decoded
// copy load or the track stays empty, never a crash, a leak or a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

using MusicTrackTest = QuietTest;

// Loads `path` and checks that the track is either ready and analyses sensibly, or empty and silent.
void expectLoadsOrStaysSilent(const std::string& path) {
    MusicTrack track;
    if (load(track, path.c_str())) {
        EXPECT_TRUE(track.ready);
        EXPECT_GE(track.channels, 1);
        EXPECT_GE(track.sampleRate, 1);
        EXPECT_GE(track.frameCount, 1);
        for (int i = 0; i < 5; ++i) expectInRange(update(track));
        for (int i = 0; i < 5; ++i) expectInRange(analyseAt(track, 0.1f * (float)i, 1.0f));
    } else {
        expectEmptyTrack(track);
        expectSilentRecord(update(track));
    }
}

// Loads a generated Ogg and checks its format and that a tone of `hz` is where it should be.
void expectTone(const std::string& path, int channels, int rate, float hz, float amplitude) {
    MusicTrack track;
    ASSERT_TRUE(load(track, path.c_str()));
    EXPECT_TRUE(track.ready);
    EXPECT_EQ(track.channels, channels);
    EXPECT_EQ(track.sampleRate, rate);
    EXPECT_NEAR((float)track.frameCount / (float)rate, 1.0f, 0.01f);
    EXPECT_EQ(track.spectrum.size(), 512u);

    const AudioFeatures a = analyseAt(track, 0.5f, 1.0f);
    EXPECT_TRUE(a.valid);
    EXPECT_NEAR(a.level, amplitude / sqrtf(2.0f), 0.02f);
    const float binHz = (float)rate / 1024.0f;
    EXPECT_NEAR((float)loudestBin(track.spectrum), hz / binHz, 1.0f);
    // Without a device the stream does not advance: update reads position 0 of the track.
    const AudioFeatures first = update(track);
    EXPECT_TRUE(first.valid);
    EXPECT_EQ(first.musicTime, 0.0f);
    EXPECT_NEAR(first.musicLength, 1.0f, 0.01f);
}

}  // namespace

TEST_F(MusicTrackTest, MissingEmptyAndRandomFilesLeaveTheTrackEmptyAndSilent) {
    MusicTrack fresh;
    expectEmptyTrack(fresh);
    expectSilentRecord(update(fresh));

    TempDir dir;
    writeBytes(dir.file("empty.ogg"), {});
    for (size_t size : std::vector<size_t>{1, 27, 4096, 200000}) {
        writeBytes(dir.file(("noise" + std::to_string(size) + ".ogg").c_str()), noiseBytes(size, (uint32_t)size));
    }
    for (const char* name : {"", "missing.ogg", "no/such/dir/x.ogg", "empty.ogg", "noise1.ogg", "noise27.ogg",
                             "noise4096.ogg", "noise200000.ogg"}) {
        MusicTrack track;
        const std::string path = name[0] == '\0' ? std::string() : dir.file(name);
        EXPECT_FALSE(load(track, path.c_str())) << name;
        expectEmptyTrack(track);
        expectSilentRecord(update(track));
    }
    MusicTrack track;
    EXPECT_FALSE(load(track, nullptr));
    expectEmptyTrack(track);

    // An Ogg page signature in front of noise.
    std::vector<unsigned char> fake = {'O', 'g', 'g', 'S', 0};
    const std::vector<unsigned char> tail = noiseBytes(10000, 7);
    fake.insert(fake.end(), tail.begin(), tail.end());
    writeBytes(dir.file("fake.ogg"), fake);
    expectLoadsOrStaysSilent(dir.file("fake.ogg"));
}

TEST_F(MusicTrackTest, TruncatedOrDamagedOggsLoadWhatIsThereOrStaySilent) {
    const std::vector<unsigned char> whole = readBytes(kShowTrack);
    ASSERT_GT(whole.size(), 100000u) << "the show's track is missing";
    TempDir dir;
    const std::string path = dir.file("cut.ogg");
    // Inside the first page, inside the headers, just past them (a decoder opens but finds no
    // length), and part-way into the audio.
    for (size_t size : std::vector<size_t>{20, 58, 3000, 6000, 20000, 70001, whole.size() / 2}) {
        SCOPED_TRACE(size);
        writeBytes(path, std::vector<unsigned char>(whole.begin(), whole.begin() + (long)size));
        expectLoadsOrStaysSilent(path);
    }
    std::vector<unsigned char> damaged(whole.begin(), whole.begin() + (long)(whole.size() / 2));
    const std::vector<unsigned char> noise = noiseBytes(5000, 99);
    std::copy(noise.begin(), noise.end(), damaged.begin() + (long)(damaged.size() / 2));
    writeBytes(path, damaged);
    expectLoadsOrStaysSilent(path);
}

TEST_F(MusicTrackTest, MonoAnd22050And48000HzFilesLoadAndAnalyse) {
    if (!haveOggEncoder()) GTEST_SKIP() << "oggenc (vorbis-tools) is needed to make the fixtures";
    TempDir dir;
    struct Case {
        const char* name;
        int channels;
        int rate;
        float hz;
    } cases[] = {{"mono.ogg", 1, 44100, 1000.0f}, {"low.ogg", 2, 22050, 500.0f}, {"high.ogg", 2, 48000, 3000.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeOgg(path, spread(tone(c.hz, 0.5f, 1.0f, c.rate), c.channels), c.channels, c.rate));
        expectTone(path, c.channels, c.rate, c.hz, 0.5f);
    }
}

TEST_F(MusicTrackTest, LoadingAgainReplacesTheTrackAndResetsTheAnalysis) {
    if (!haveOggEncoder()) GTEST_SKIP() << "oggenc (vorbis-tools) is needed to make the fixtures";
    TempDir dir;
    const std::string mono = dir.file("mono.ogg");
    ASSERT_TRUE(writeOgg(mono, tone(200.0f, 0.4f, 1.0f), 1, kRate));

    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    EXPECT_EQ(track.channels, 2);
    for (int i = 0; i < 10; ++i) analyseAt(track, 10.0f + (float)i * kFrameStep, 100.0f);
    EXPECT_NE(track.bandLevel[3], 0.0f);

    ASSERT_TRUE(load(track, mono.c_str()));
    EXPECT_EQ(track.channels, 1);
    EXPECT_NEAR((float)track.frameCount, (float)kRate, 100.0f);
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(track.bandPeak[b], 0.001f);
        EXPECT_EQ(track.bandLevel[b], 0.0f);
    }
    EXPECT_EQ(track.previousBass, 0.0f);
    EXPECT_EQ(track.beatEnvelope, 0.0f);

    // A failed load after a good one leaves nothing behind.
    EXPECT_FALSE(load(track, dir.file("missing.ogg").c_str()));
    expectEmptyTrack(track);
}

TEST_F(MusicTrackTest, UnloadTwiceIsHarmlessAndKeepsTheAnalysisState) {
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    analyseAt(track, 30.0f, 120.0f);
    const float peak = track.bandPeak[0];
    unload(track);
    expectEmptyTrack(track);
    EXPECT_EQ(track.bandPeak[0], peak);
    unload(track);
    expectEmptyTrack(track);
    expectSilentRecord(update(track));
}
