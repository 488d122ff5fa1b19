// Live sound handed over in blocks by a front end's own thread (the system's output, a
// microphone, a browser's media): a lock-free ring with one producer and one consumer. The
// producer never waits: what does not fit is dropped, and the consumer skips to the newest.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

struct LiveRing {
    std::vector<float> values;            // capacity frames * channels, interleaved
    long long capacity = 0;               // Frames, a power of two
    int channels = 0;
    std::atomic<long long> written{0};    // Frames ever pushed (producer)
    std::atomic<long long> consumed{0};   // Frames ever taken (consumer)
    std::atomic<long long> dropped{0};    // Frames pushed into a full ring
};

// Room for at least `frames` frames of `channels` interleaved values. Before either thread runs.
void initLiveRing(LiveRing& ring, int channels, long long frames);

// Producer: copies up to `frames` frames in, returns how many were taken (the rest is dropped).
int pushLive(LiveRing& ring, const float* interleaved, int frames);

// Consumer: takes every frame pushed since the last take and returns how many there were; the
// newest of them (as many as `room`) go to `mono` as the mean of their channels, the mono mix the
// analysis reads, oldest first; older ones are skipped.
long long takeLiveMono(LiveRing& ring, float* mono, int room);
