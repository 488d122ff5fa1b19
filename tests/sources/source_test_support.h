// Shared by the source tests: the audio tests' scratch folder, and waiting for a file's worker with a generous
// deadline (never a timing assumption).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/sound_source.h"
#include "tests/audio/audio_test_support.h"  // Required for: TempDir

namespace source_test {

constexpr auto kDeadline = std::chrono::seconds(60);

using audio_test::TempDir;

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
