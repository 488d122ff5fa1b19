// Loading the track from files, good and bad, without an audio device: the stream and the decoded
// copy load or the track stays empty, never a crash, a leak or a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

using MusicTrackTest = QuietTest;

// Each mono value on every one of `channels` channels.
std::vector<float> spread(const std::vector<float>& mono, int channels) {
    std::vector<float> out;
    for (float v : mono) out.insert(out.end(), (size_t)channels, v);
    return out;
}

bool haveOggEncoder() { return std::system("command -v oggenc >/dev/null 2>&1") == 0; }

// Encodes the signal with oggenc from a float WAV; false when the file could not be made.
bool writeOgg(const std::string& path, std::vector<float> interleaved, int channels, int rate) {
    const std::string wav = path + ".wav";
    const Wave wave{(unsigned int)(interleaved.size() / (size_t)channels), (unsigned int)rate, 32, (unsigned int)channels, interleaved.data()};
    const bool made = ExportWave(wave, wav.c_str()) && std::system(("oggenc -Q -o '" + path + "' '" + wav + "' 2>/dev/null").c_str()) == 0;
    std::remove(wav.c_str());
    return made;
}

void expectEmptyTrack(const MusicTrack& track) {
    EXPECT_FALSE(track.ready || track.musicLoaded || track.waveLoaded);
    EXPECT_EQ(track.samples, nullptr);
    EXPECT_TRUE(track.spectrum.empty());
    EXPECT_EQ(track.sampleRate + track.channels + track.frameCount, 0);
    EXPECT_EQ(track.music.ctxData, nullptr);
    EXPECT_EQ(track.wave.data, nullptr);
}

}  // namespace

TEST_F(MusicTrackTest, BadFilesLeaveTheTrackEmptyAndSilentOrLoadWhatIsThere) {
    std::ifstream in(kShowTrack, std::ios::binary);
    const std::vector<unsigned char> show{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(show.size(), 100000u) << "the show's track is missing";
    const auto cut = [&](size_t size) { return std::vector<unsigned char>(show.begin(), show.begin() + (long)size); };
    std::mt19937 random(7);
    std::vector<unsigned char> noise(10000);
    for (auto& b : noise) b = (unsigned char)random();
    std::vector<unsigned char> fake = noise;
    fake.insert(fake.begin(), {'O', 'g', 'g', 'S', 0});  // An Ogg page signature in front of noise
    TempDir dir;
    const auto file = [&](const char* name, const std::vector<unsigned char>& bytes) {
        std::ofstream(dir.file(name), std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
        return dir.file(name);
    };
    // The show's track cut inside its first page (20 bytes), inside the headers (3000), just past
    // them (6000: a decoder opens but finds no length) and part-way into the audio (20000).
    const struct {
        std::string path;
        bool mayLoad;
    } cases[] = {{"", false}, {dir.file("missing.ogg"), false}, {file("empty.ogg", {}), false},
                 {file("noise.ogg", noise), false}, {file("fake.ogg", fake), true},
                 {file("cut20.ogg", cut(20)), false}, {file("cut3000.ogg", cut(3000)), false},
                 {file("cut6000.ogg", cut(6000)), true}, {file("cut20000.ogg", cut(20000)), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MusicTrack track;
        if (!load(track, c.path.c_str())) {
            expectEmptyTrack(track);
            expectSilentRecord(update(track));
            continue;
        }
        EXPECT_TRUE(c.mayLoad);
        EXPECT_TRUE(track.ready && track.channels >= 1 && track.sampleRate >= 1 && track.frameCount >= 1);
        for (const AudioFeatures& a : {update(track), analyseAt(track, 0.5f, 1.0f), analyseAt(track, 1.0e6f, 1.0f)}) {
            EXPECT_TRUE(a.valid && a.level <= 1.0f && a.beat <= 1.0f);
            for (float band : a.bands) EXPECT_TRUE(band >= 0.0f && band <= 1.0f) << band;
        }
    }
    MusicTrack track;
    EXPECT_FALSE(load(track, nullptr));
    expectEmptyTrack(track);
}

TEST_F(MusicTrackTest, MonoAnd22050And48000HzFilesLoadOverTheTrackBeforeAndAnalyseAfresh) {
    if (!haveOggEncoder()) GTEST_SKIP() << "oggenc (vorbis-tools) is needed to make the fixtures";
    TempDir dir;
    MusicTrack track;
    ASSERT_TRUE(load(track, kShowTrack));
    for (const auto& [channels, rate, hz] : {std::tuple(1, 44100, 1000.0f), std::tuple(2, 22050, 500.0f), std::tuple(2, 48000, 3000.0f)}) {
        SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
        for (int i = 0; i < 10; ++i) analyseAt(track, 10.0f + (float)i * kFrameStep, 100.0f);  // State for the load to reset
        const std::string path = dir.file(std::to_string(rate) + ".ogg");
        ASSERT_TRUE(writeOgg(path, spread(tone(hz, 0.5f, 1.0f, rate), channels), channels, rate));
        ASSERT_TRUE(load(track, path.c_str()));
        EXPECT_EQ(track.channels, channels);
        EXPECT_EQ(track.sampleRate, rate);
        EXPECT_NEAR((float)track.frameCount / (float)rate, 1.0f, 0.01f);
        for (int b = 0; b < 8; ++b) EXPECT_TRUE(track.bandPeak[b] == 0.001f && track.bandLevel[b] == 0.0f) << b;
        EXPECT_TRUE(track.previousBass == 0.0f && track.beatEnvelope == 0.0f);

        EXPECT_NEAR(analyseAt(track, 0.5f, 1.0f).level, 0.5f / sqrtf(2.0f), 0.02f);
        // The loudest bin above DC is the tone's: bins are rate / 1024 Hz wide.
        const long loudest = std::max_element(track.spectrum.begin() + 1, track.spectrum.end()) - track.spectrum.begin();
        EXPECT_NEAR((float)loudest, hz * 1024.0f / (float)rate, 1.0f);
        // Without a device the stream does not advance: update reads position 0 of the track.
        const AudioFeatures first = update(track);
        EXPECT_TRUE(first.valid && first.musicTime == 0.0f) << first.musicTime;
        EXPECT_NEAR(first.musicLength, 1.0f, 0.01f);
    }
    // Unload leaves the analysis state for the next load to reset, and twice is harmless.
    const float peak = track.bandPeak[6];
    for (int i = 0; i < 2; ++i) {
        unload(track);
        expectEmptyTrack(track);
        EXPECT_EQ(track.bandPeak[6], peak);
        expectSilentRecord(update(track));
    }
    // A failed load after a good one leaves nothing behind.
    ASSERT_TRUE(load(track, kShowTrack));
    EXPECT_FALSE(load(track, dir.file("missing.ogg").c_str()));
    expectEmptyTrack(track);
}
