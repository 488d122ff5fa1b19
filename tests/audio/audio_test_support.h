// Shared by the audio tests: synthetic signals handed to a track without any stream, a scratch
// directory, and Ogg fixtures written at run time.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/music_track.h"
#include "raylib.h"

namespace audio_test {

constexpr float kPi = 3.14159265358979f;
constexpr int kRate = 44100;
constexpr float kFrameStep = 1.0f / 60.0f;
constexpr const char* kShowTrack = "assets/audio/output.ogg";

// raylib says nothing during the tests.
struct QuietTest : ::testing::Test {
    void SetUp() override { SetTraceLogLevel(LOG_NONE); }
};

// Gives the track its own copy of an interleaved signal, allocated the way a load allocates one.
inline void attachSignal(MusicTrack& track, const std::vector<float>& interleaved, int channels, int rate = kRate) {
    const int frames = (int)(interleaved.size() / (size_t)channels);
    Wave wave{(unsigned int)frames, (unsigned int)rate, 32, (unsigned int)channels, (void*)interleaved.data()};
    attachSamples(track, LoadWaveSamples(wave), frames, channels, rate);
}

// A mono sine of `seconds`, silent before `onset` seconds.
inline std::vector<float> tone(float hz, float amplitude, float seconds, int rate = kRate, float onset = 0.0f) {
    std::vector<float> s((size_t)(seconds * (float)rate));
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = (float)i / (float)rate;
        s[i] = t < onset ? 0.0f : amplitude * sinf(2.0f * kPi * hz * t);
    }
    return s;
}

// Each mono value on every one of `channels` channels.
inline std::vector<float> spread(const std::vector<float>& mono, int channels) {
    std::vector<float> out;
    for (float v : mono) out.insert(out.end(), (size_t)channels, v);
    return out;
}

// A scratch directory, removed with everything in it.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "davur_evi_audio_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that look like nothing: a xorshift sequence.
inline std::vector<unsigned char> noiseBytes(size_t count, uint32_t seed) {
    std::vector<unsigned char> bytes(count);
    uint32_t x = seed | 1u;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = (unsigned char)(x >> 24);
    }
    return bytes;
}

inline bool haveOggEncoder() { return std::system("command -v oggenc >/dev/null 2>&1") == 0; }

// Encodes the signal with oggenc from raw 16-bit PCM; false when the file could not be made.
inline bool writeOgg(const std::string& path, const std::vector<float>& interleaved, int channels, int rate) {
    std::vector<unsigned char> pcm;
    for (float s : interleaved) {
        const int16_t v = (int16_t)lrintf(fmaxf(-1.0f, fminf(1.0f, s)) * 32767.0f);
        pcm.insert(pcm.end(), {(unsigned char)(v & 0xFF), (unsigned char)((uint16_t)v >> 8)});
    }
    const std::string raw = path + ".raw";
    writeBytes(raw, pcm);
    const std::string command = "oggenc -Q -r -B 16 -C " + std::to_string(channels) + " -R " + std::to_string(rate) +
                                " -o '" + path + "' '" + raw + "' >/dev/null 2>&1";
    const bool made = std::system(command.c_str()) == 0 && std::filesystem::exists(path);
    std::remove(raw.c_str());
    return made;
}

// Index of the largest magnitude from bin 1 up.
inline int loudestBin(const std::vector<float>& spectrum) {
    int best = 1;
    for (int k = 1; k < (int)spectrum.size(); ++k) best = spectrum[(size_t)k] > spectrum[(size_t)best] ? k : best;
    return best;
}

inline void expectSilentRecord(const AudioFeatures& a) {
    EXPECT_FALSE(a.valid);
    for (float v : {a.level, a.bass, a.mid, a.treble, a.beat, a.musicTime, a.musicLength}) EXPECT_EQ(v, 0.0f);
    for (float band : a.bands) EXPECT_EQ(band, 0.0f);
}

// Every measured value of a valid record lies in 0..1.
inline void expectInRange(const AudioFeatures& a) {
    EXPECT_TRUE(a.valid);
    for (float v : {a.level, a.bass, a.mid, a.treble, a.beat}) EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << v;
    for (float band : a.bands) EXPECT_TRUE(band >= 0.0f && band <= 1.0f) << band;
}

inline void expectEmptyTrack(const MusicTrack& track) {
    EXPECT_FALSE(track.ready || track.musicLoaded || track.waveLoaded);
    EXPECT_EQ(track.samples, nullptr);
    EXPECT_TRUE(track.spectrum.empty());
    EXPECT_EQ(track.sampleRate + track.channels + track.frameCount, 0);
    EXPECT_EQ(track.music.ctxData, nullptr);
    EXPECT_EQ(track.wave.data, nullptr);
}

}  // namespace audio_test
