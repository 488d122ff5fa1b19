// Music files for the source benchmarks: the source tests' music, written once per run with
// libsndfile into a scratch folder that is removed at exit; waiting for a file's worker.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_source.h"
#include "tests/sources/sound_fixtures.h"

namespace bench_music {

using namespace sound_fixtures;

constexpr int kWriteBlock = 4096;

// A scratch folder for the run's files, removed at exit.
struct Scratch {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("davur_evi_source_bench_" + std::to_string(std::random_device()()));
    std::map<std::string, std::string> files;
    Scratch() { std::filesystem::create_directory(dir); }
    ~Scratch() { std::filesystem::remove_all(dir); }
};

inline Scratch& scratch() {
    static Scratch s;
    return s;
}

// A file of `minutes` minutes of the test music (one minute of it, repeated), written once.
inline const std::string& musicFile(const Format& format, int minutes) {
    const std::string key = std::string(format.name) + "_" + std::to_string(minutes);
    auto found = scratch().files.find(key);
    if (found != scratch().files.end()) return found->second;
    const std::string path = (scratch().dir / (key + "." + format.name)).string();
    SF_INFO info = {};
    info.samplerate = format.rate;
    info.channels = 2;
    info.format = format.format;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    const std::vector<float> minute = music(2, format.rate, 60LL * format.rate);
    for (int m = 0; sf != nullptr && m < minutes; ++m) {
        for (long long at = 0; at < 60LL * format.rate; at += kWriteBlock) {
            sf_writef_float(sf, &minute[(size_t)(at * 2)], std::min<long long>(kWriteBlock, 60LL * format.rate - at));
        }
    }
    if (sf != nullptr) sf_close(sf);
    return scratch().files[key] = path;
}

// Until `frames` frames of a file are decoded or it ended.
inline void waitFor(SoundSource& source, long long frames) {
    while (framesReady(source) < frames && !decodingDone(source)) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

}  // namespace bench_music
