// Shared by the audio tests: synthetic signals handed to a track without any stream, and the
// all-zero record of a track that is not ready.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
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

// A scratch directory of its own, removed with everything in it (std::filesystem only, so that
// the tests also run on Windows).
struct TempDir {
    std::string path;
    TempDir() {
        std::random_device seed;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("davur_evi_audio_" + std::to_string(seed()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path = candidate.string();
        }
        EXPECT_FALSE(path.empty()) << "no scratch directory in " << base;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    // Writes a file of these bytes into the directory; its path
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
