// Live sound through the lock-free ring: a producer thread pushing blocks of odd sizes while the
// consumer takes them (run under the sanitizers by scripts/test.sh), and a producer that stalls
// reads as silence, never as the last sound it sent.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "audio/live_ring.h"
#include "audio/sound_source.h"

TEST(LiveRing, AProducerThreadsFramesArriveInOrderNeverTwiceAndWhatDidNotFitIsCounted) {
    LiveRing ring;
    initLiveRing(ring, 2, 1000);  // 1024 frames: small, so the producer fills it now and then
    ASSERT_EQ(ring.capacity, 1024);
    constexpr long long kFrames = 200000;  // Each frame's left value is its index, its right the negation
    std::atomic<bool> done{false};
    std::thread producer([&] {
        const int sizes[] = {1, 7, 333, 1021, 64, 5};
        std::vector<float> block(2 * 1021);
        long long next = 0;
        for (int b = 0; next < kFrames; ++b) {
            const int n = (int)std::min<long long>(sizes[b % 6], kFrames - next);
            for (int i = 0; i < n; ++i) {
                block[(size_t)(2 * i)] = (float)(next + i);
                block[(size_t)(2 * i + 1)] = (float)(-(next + i));
            }
            pushLive(ring, block.data(), n);
            next += n;
        }
        done.store(true);
    });

    // The mono mean of (i, -i) is exactly 0 only when both values come from the same frame
    std::vector<float> mono(4096);
    long long taken = 0;
    bool finished = false;
    while (!finished) {
        finished = done.load();
        const long long n = takeLiveMono(ring, mono.data(), (int)mono.size());
        for (long long i = 0; i < std::min<long long>(n, 4096); ++i) ASSERT_EQ(mono[(size_t)i], 0.0f);
        taken += n;
    }
    producer.join();
    EXPECT_EQ(taken + ring.dropped.load(), kFrames);
    EXPECT_EQ(ring.written.load(), taken);
}

TEST(LiveRing, OddBlocksComeOutAsTheirMonoMixInOrder) {
    LiveRing ring;
    initLiveRing(ring, 3, 100);
    std::vector<float> frames;
    for (int f = 0; f < 300; ++f) {
        frames.insert(frames.end(), {(float)f, (float)f + 1.0f, (float)f + 2.0f});  // Mean f + 1
    }
    std::vector<float> mono(128);
    int pushed = 0, next = 0;
    for (int size : {13, 127, 1, 99}) {
        ASSERT_EQ(pushLive(ring, &frames[(size_t)(3 * pushed)], size), size);
        pushed += size;
        const int n = (int)takeLiveMono(ring, mono.data(), 128);
        ASSERT_EQ(n, size);
        for (int i = 0; i < n; ++i) ASSERT_EQ(mono[(size_t)i], (float)(next + i + 1));
        next += n;
    }
    // A full ring takes what fits; a consumer with less room gets the newest frames
    EXPECT_EQ(pushLive(ring, frames.data(), 200), 128);
    EXPECT_EQ(ring.dropped.load(), 72);
    EXPECT_EQ(takeLiveMono(ring, mono.data(), 10), 128);
    EXPECT_EQ(mono[9], 128.0f);
    EXPECT_EQ(takeLiveMono(ring, mono.data(), 10), 0);
}

TEST(LiveRing, AStalledProducerReadsAsSilenceAndSoundComesBackWithIt) {
    constexpr int kRate = 48000;
    SoundSource live;
    ASSERT_TRUE(openLiveSource(live, kRate, 1));
    std::vector<float> tone(kRate / 2);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * std::sin(2.0f * 3.14159265f * 100.0f * (float)i / kRate);

    ASSERT_EQ(pushLive(*live.live, tone.data(), (int)tone.size()), (int)tone.size());
    AudioFeatures heard = analyseSource(live, 0.5);
    EXPECT_GT(heard.level, 0.3f);
    // Late by less than the slack: still the last sound
    EXPECT_GT(analyseSource(live, 0.55).level, 0.3f);
    // Nothing for a second: the newest window is silence, not the tone again
    const AudioFeatures stalled = analyseSource(live, 1.5);
    EXPECT_TRUE(stalled.valid);
    EXPECT_EQ(stalled.level, 0.0f);
    for (float band : live.analysis.spectrum) ASSERT_EQ(band, 0.0f);
    // The producer comes back
    ASSERT_EQ(pushLive(*live.live, tone.data(), (int)tone.size()), (int)tone.size());
    EXPECT_GT(analyseSource(live, 2.0).level, 0.3f);

    // Seventeen hours on (past the 2^31 frames of an int) live sound is still heard
    live.liveEnd += 3000000000LL;
    ASSERT_EQ(pushLive(*live.live, tone.data(), (int)tone.size()), (int)tone.size());
    const AudioFeatures later = analyseSource(live, 2.5);
    EXPECT_GT(later.level, 0.3f);
    EXPECT_GT(later.musicTime, 62500.0f);
}

// Frames that come slowly (a browser's software-drawn page may run a few a second): everything
// pushed since the last analysis is handed on for the beat tracker, not just a window's worth,
// and the analysis window ends with the newest frame.
TEST(LiveRing, AnAnalysisAfterASlowFrameTakesEveryFrameSinceTheLastOne) {
    constexpr int kRate = 48000;
    SoundSource live;
    ASSERT_TRUE(openLiveSource(live, kRate, 1));
    std::vector<float> ramp(kRate / 4);  // A quarter of a second: many windows
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = (float)i / (float)ramp.size();
    ASSERT_GT(ramp.size(), live.window.size());
    ASSERT_EQ(pushLive(*live.live, ramp.data(), (int)ramp.size()), (int)ramp.size());
    analyseSource(live, 0.25);
    ASSERT_GE(live.liveTaken.size(), ramp.size());
    for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(live.liveTaken[i], ramp[i]) << "frame " << i;
    EXPECT_EQ(live.window.back(), ramp.back());
    EXPECT_EQ(live.window.front(), ramp[ramp.size() - live.window.size()]);
}
