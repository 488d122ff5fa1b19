// Shared by the audio tests: synthetic signals handed to a track without any stream, a scratch
// folder, and the all-zero record of a track that is not ready.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio/music_track.h"
#include "raylib.h"

namespace audio_test {

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
inline std::vector<float> tone(float hz, float amplitude, float seconds, float onset = 0.0f) {
    std::vector<float> s((size_t)(seconds * (float)kRate));
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = (float)i / (float)kRate;
        s[i] = t < onset ? 0.0f : amplitude * sinf(2.0f * 3.14159265f * hz * t);
    }
    return s;
}

// A scratch folder of its own, removed with everything in it (std::filesystem: it runs under wine).
struct TempDir {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("davur_evi_audio_" + std::to_string(std::random_device()()))).string();
    TempDir() { EXPECT_TRUE(std::filesystem::create_directory(path)) << path; }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return path + "/" + name; }
    // Writes a file of these bytes into the folder; its path
    std::string put(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream(file(name), std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
        return file(name);
    }
};

// The record of a track that is not ready: not valid, every number 0.
inline void expectSilentRecord(const AudioFeatures& a) {
    EXPECT_FALSE(a.valid);
    for (float v : a.bands) EXPECT_EQ(v, 0.0f);
    for (float v : {a.level, a.bass, a.mid, a.treble, a.beat, a.musicTime, a.musicLength}) EXPECT_EQ(v, 0.0f);
}

}  // namespace audio_test
