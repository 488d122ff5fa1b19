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
#include <string>
#include <vector>

#include "audio/music_track.h"
#include "raylib.h"

namespace audio_test {

constexpr float kPi = 3.14159265358979f;
constexpr int kRate = 44100;
constexpr float kFrameStep = 1.0f / 60.0f;
constexpr const char* kShowTrack = "assets/audio/output.ogg";

// Gives the track its own copy of an interleaved signal, allocated the way the load allocates one.
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

// Each mono value written to every one of `channels` channels.
inline std::vector<float> spread(const std::vector<float>& mono, int channels) {
    std::vector<float> out;
    out.reserve(mono.size() * (size_t)channels);
    for (float v : mono) out.insert(out.end(), (size_t)channels, v);
    return out;
}

// A scratch directory that is removed with everything in it.
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
    std::string file(const char* name) const { return (path / name).string(); }
};

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
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

// 16-bit PCM WAV, the input oggenc takes.
inline void writeWav(const std::string& path, const std::vector<float>& interleaved, int channels, int rate) {
    auto u32 = [](std::vector<unsigned char>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back((unsigned char)(x >> (8 * i)));
    };
    auto u16 = [](std::vector<unsigned char>& v, uint32_t x) {
        v.push_back((unsigned char)x);
        v.push_back((unsigned char)(x >> 8));
    };
    const uint32_t dataBytes = (uint32_t)(interleaved.size() * 2);
    std::vector<unsigned char> v = {'R', 'I', 'F', 'F'};
    u32(v, 36 + dataBytes);
    v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(v, 16);
    u16(v, 1);
    u16(v, (uint32_t)channels);
    u32(v, (uint32_t)rate);
    u32(v, (uint32_t)(rate * channels * 2));
    u16(v, (uint32_t)(channels * 2));
    u16(v, 16);
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    u32(v, dataBytes);
    for (float s : interleaved) {
        const float c = s > 1.0f ? 1.0f : (s < -1.0f ? -1.0f : s);
        u16(v, (uint32_t)(uint16_t)(int16_t)lrintf(c * 32767.0f));
    }
    writeBytes(path, v);
}

inline bool haveOggEncoder() { return std::system("command -v oggenc >/dev/null 2>&1") == 0; }

// Encodes the signal into an Ogg Vorbis file with oggenc; false when it could not be made.
inline bool writeOgg(const std::string& path, const std::vector<float>& interleaved, int channels, int rate) {
    const std::string wav = path + ".wav";
    writeWav(wav, interleaved, channels, rate);
    const std::string command = "oggenc -Q -q 4 -o '" + path + "' '" + wav + "' >/dev/null 2>&1";
    const bool made = std::system(command.c_str()) == 0 && std::filesystem::exists(path);
    std::remove(wav.c_str());
    return made;
}

// Index of the largest magnitude among bins 1..511.
inline int loudestBin(const std::vector<float>& spectrum) {
    int best = 1;
    for (int k = 1; k < (int)spectrum.size(); ++k) {
        if (spectrum[k] > spectrum[best]) best = k;
    }
    return best;
}

inline void expectSilentRecord(const AudioFeatures& a) {
    EXPECT_FALSE(a.valid);
    EXPECT_EQ(a.level, 0.0f);
    EXPECT_EQ(a.bass, 0.0f);
    EXPECT_EQ(a.mid, 0.0f);
    EXPECT_EQ(a.treble, 0.0f);
    EXPECT_EQ(a.beat, 0.0f);
    EXPECT_EQ(a.musicTime, 0.0f);
    EXPECT_EQ(a.musicLength, 0.0f);
    for (float band : a.bands) EXPECT_EQ(band, 0.0f);
}

inline void expectEmptyTrack(const MusicTrack& track) {
    EXPECT_FALSE(track.ready);
    EXPECT_FALSE(track.musicLoaded);
    EXPECT_FALSE(track.waveLoaded);
    EXPECT_EQ(track.samples, nullptr);
    EXPECT_TRUE(track.spectrum.empty());
    EXPECT_EQ(track.sampleRate, 0);
    EXPECT_EQ(track.channels, 0);
    EXPECT_EQ(track.frameCount, 0);
    EXPECT_EQ(track.music.ctxData, nullptr);
    EXPECT_EQ(track.wave.data, nullptr);
}

// Every measured value of a valid record lies in 0..1.
inline void expectInRange(const AudioFeatures& a) {
    EXPECT_TRUE(a.valid);
    for (float v : {a.level, a.bass, a.mid, a.treble, a.beat}) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
    for (float band : a.bands) {
        EXPECT_GE(band, 0.0f);
        EXPECT_LE(band, 1.0f);
    }
}

// raylib says nothing during the tests.
struct QuietTest : ::testing::Test {
    void SetUp() override { SetTraceLogLevel(LOG_NONE); }
};

}  // namespace audio_test
