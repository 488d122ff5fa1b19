#include "audio/live_ring.h"

#include <algorithm>  // Required for: std::min(), std::max()

void initLiveRing(LiveRing& ring, int channels, long long frames) {
    long long capacity = 1;
    while (capacity < frames) capacity <<= 1;
    ring.channels = std::max(channels, 1);
    ring.capacity = capacity;
    ring.values.assign((size_t)(capacity * ring.channels), 0.0f);
    ring.written.store(0);
    ring.consumed.store(0);
    ring.dropped.store(0);
}

int pushLive(LiveRing& ring, const float* interleaved, int frames) {
    if (ring.capacity < 1 || interleaved == nullptr || frames < 1) return 0;
    const long long written = ring.written.load(std::memory_order_relaxed);
    const long long free = ring.capacity - (written - ring.consumed.load(std::memory_order_acquire));
    const int take = (int)std::min<long long>(frames, free);
    for (int f = 0; f < take; ++f) {
        const long long slot = ((written + f) & (ring.capacity - 1)) * ring.channels;
        const float* frame = interleaved + (size_t)f * ring.channels;
        for (int c = 0; c < ring.channels; ++c) ring.values[(size_t)(slot + c)] = frame[c];
    }
    if (take < frames) ring.dropped.fetch_add(frames - take, std::memory_order_relaxed);
    ring.written.store(written + take, std::memory_order_release);
    return take;
}

long long takeLiveMono(LiveRing& ring, float* mono, int room) {
    if (ring.capacity < 1 || mono == nullptr || room < 1) return 0;
    const long long written = ring.written.load(std::memory_order_acquire);
    const long long consumed = ring.consumed.load(std::memory_order_relaxed);
    const long long first = std::max(consumed, written - room);
    for (long long f = first; f < written; ++f) {
        const float* frame = &ring.values[(size_t)((f & (ring.capacity - 1)) * ring.channels)];
        float sum = 0.0f;
        for (int c = 0; c < ring.channels; ++c) sum += frame[c];
        mono[f - first] = sum / (float)ring.channels;
    }
    ring.consumed.store(written, std::memory_order_release);
    return written - consumed;
}
