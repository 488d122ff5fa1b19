// build/tools/tempo FILE...: the tempo and beats of music files, one tab-separated line per file:
// the name, the tempo in bpm (one decimal), the first beat in seconds and a confidence 0..1.
// A file that cannot be decoded gets a line on stderr instead, and the exit status is 1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "audio/beat_grid.h"
#include "audio/sound_source.h"

namespace {

struct MonoTrack {
    std::vector<float> samples;
    int sampleRate = 0;
};

// The one place a file is decoded: through the sources of the user's own music (every format they
// take), read as it decodes and mixed down to mono. False with the reason when it is refused or
// yields no sound.
bool decodeMono(const char* path, MonoTrack& out, std::string& reason) {
    SoundSource source;
    if (!openFileSource(source, path)) {
        reason = source.error;
        return false;
    }
    out.sampleRate = source.sampleRate;
    const int channels = source.channels;
    constexpr int kBlock = 4096;
    std::vector<float> block((size_t)kBlock * (size_t)channels);
    long long next = 0;
    for (;;) {
        const bool done = decodingDone(source);  // Read before the count, so nothing decoded is missed
        const long long ready = framesReady(source);
        while (next < ready) {
            const int count = (int)std::min<long long>(kBlock, ready - next);
            readFrames(source, next, count, block.data());
            for (int f = 0; f < count; ++f) {
                float sum = 0.0f;
                for (int c = 0; c < channels; ++c) sum += block[(size_t)f * (size_t)channels + (size_t)c];
                out.samples.push_back(sum / (float)channels);
            }
            next += count;
            releaseBefore(source, next);
        }
        if (done) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (out.samples.empty()) {
        reason = source.error.empty() ? "no sound could be decoded" : source.error;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        MonoTrack track;
        std::string reason;
        if (!decodeMono(argv[i], track, reason)) {
            fprintf(stderr, "%s: %s\n", argv[i], reason.c_str());
            status = 1;
            continue;
        }
        const BeatGrid grid = analyseBeats(track.samples.data(), (long long)track.samples.size(), track.sampleRate);
        const double firstBeat = grid.beats.empty() ? 0.0 : grid.beats.front();
        printf("%s\t%.1f\t%.3f\t%.2f\n", argv[i], grid.bpm, firstBeat, grid.confidence);
    }
    return status;
}
