// build/tools/tempo FILE...: the tempo and beats of music files, one tab-separated line per file:
// the name, the tempo in bpm (one decimal), the first beat in seconds and a confidence 0..1.
// A file that cannot be decoded gets a line on stderr instead, and the exit status is 1.
#include <cstdio>
#include <vector>

#include "audio/beat_grid.h"
#include "audio/track_decoder.h"

namespace {

struct MonoTrack {
    std::vector<float> samples;
    int sampleRate = 0;
};

// The one place a file is decoded: the show's checked decoder, mixed down to mono.
bool decodeMono(const char* path, MonoTrack& out) {
    DecodedTrack decoded;
    if (!decodeTrackFile(path, 0, decoded)) return false;
    out.sampleRate = decoded.sampleRate;
    out.samples.resize((size_t)decoded.frameCount);
    for (int f = 0; f < decoded.frameCount; ++f) {
        float sum = 0.0f;
        for (int c = 0; c < decoded.channels; ++c) sum += decoded.samples[(size_t)f * (size_t)decoded.channels + (size_t)c];
        out.samples[(size_t)f] = sum / (float)decoded.channels;
    }
    releaseDecodedTrack(decoded);
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
        if (!decodeMono(argv[i], track)) {
            fprintf(stderr, "%s: not a music file this build can decode (Ogg Vorbis)\n", argv[i]);
            status = 1;
            continue;
        }
        const BeatGrid grid = analyseBeats(track.samples.data(), (long long)track.samples.size(), track.sampleRate);
        const double firstBeat = grid.beats.empty() ? 0.0 : grid.beats.front();
        printf("%s\t%.1f\t%.3f\t%.2f\n", argv[i], grid.bpm, firstBeat, grid.confidence);
    }
    return status;
}
