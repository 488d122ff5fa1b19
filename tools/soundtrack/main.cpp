// Renders the show's soundtrack, assets/audio/output.ogg, from nothing but this source: the same
// build writes the same file, byte for byte. scripts/make-soundtrack.sh builds and runs it.
//
//   davur_soundtrack OUTPUT.ogg        render and encode the track
//   davur_soundtrack --measure FILE    print length, format and decoded peak of an Ogg Vorbis file
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/soundtrack/song.h"
#include "tools/soundtrack/vorbis_io.h"

namespace {

constexpr float kVorbisQuality = 0.4f;  // About 128 kbit/s: well under 4 MB for two minutes

int measure(const char* path) {
    synth::Measurement m;
    if (!synth::measureOggVorbis(path, m)) {
        std::fprintf(stderr, "davur_soundtrack: %s is not a readable Ogg Vorbis file\n", path);
        return 1;
    }
    const double peakDb = m.peak > 0.0 ? 20.0 * std::log10(m.peak) : -999.0;
    std::printf("seconds %.3f\nrate %ld\nchannels %d\npeak_dbfs %.2f\n", m.seconds, m.sampleRate, m.channels, peakDb);
    return 0;
}

int render(const char* path) {
    const synth::Bus song = synth::renderSong();
    if (!synth::writeOggVorbis(path, song, kVorbisQuality)) {
        std::fprintf(stderr, "davur_soundtrack: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0) return measure(argv[2]);
    if (argc == 2 && argv[1][0] != '-') return render(argv[1]);
    std::fprintf(stderr, "usage: davur_soundtrack OUTPUT.ogg | davur_soundtrack --measure FILE.ogg\n");
    return 2;
}
