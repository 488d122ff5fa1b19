// Shared by the source tests: a scratch folder, and waiting for a file's worker with a generous
// deadline (never a timing assumption).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_source.h"

namespace source_test {

constexpr auto kDeadline = std::chrono::seconds(60);

struct TempDir {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("davur_evi_sources_" + std::to_string(std::random_device()()))).string();
    TempDir() { EXPECT_TRUE(std::filesystem::create_directory(path)) << path; }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::string put(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream(file(name), std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
        return file(name);
    }
};

template <class Done>
bool waitFor(Done done) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline bool waitUntilDecoded(SoundSource& source) {
    return waitFor([&] { return decodingDone(source); });
}

// Until `frames` frames are decoded or the file ended.
inline bool waitUntilReady(SoundSource& source, long long frames) {
    return waitFor([&] { return framesReady(source) >= frames || decodingDone(source); });
}

}  // namespace source_test
