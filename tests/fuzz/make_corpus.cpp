// Writes the fuzz target's seed corpus: a few tiny Ogg Vorbis files, plain and edited, made the way
// the crafted-file tests make theirs. The end-to-end check of bad tracks plays the edited ones.
//   Usage: track_fuzz_corpus DIR
#include <cstdio>
#include <string>

#include "tests/audio/ogg_fixtures.h"

using namespace ogg_fixtures;

namespace {

bool write(const std::string& path, const Bytes& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    Pages stereo = encode(2, 44100, 2000);
    Pages rated = stereo;
    setRate(rated, 192000);
    Pages longer = encode(1, 8000, 80000);  // Several audio pages
    Pages junk(longer.begin(), longer.begin() + (long)headerPageCount(longer));
    junk.push_back(Bytes(64, 0));
    junk.push_back(longer.back());
    Pages huge = longer;
    setGranule(huge.back(), int64_t{1} << 32);
    Pages wildRate = stereo;
    setRate(wildRate, 0xFFFFFFFF);
    Pages manyChannels = stereo;
    setChannels(manyChannels, 255);
    Bytes chained = join(encode(1, 8000, 300));
    const Bytes second = join(encode(1, 8000, 200, 2));
    chained.insert(chained.end(), second.begin(), second.end());

    const struct {
        const char* name;
        Bytes bytes;
    } seeds[] = {{"mono_8k_100.ogg", join(encode(1, 8000, 100))}, {"stereo_44k_2000.ogg", join(stereo)},
                 {"three_channels.ogg", join(encode(3, 16000, 500))}, {"rate_192k.ogg", join(rated)},
                 {"mono_8k_pages.ogg", join(longer)}, {"bad_headers_junk_last_page.ogg", join(junk)},
                 {"chained.ogg", chained}, {"bad_declares_2_32.ogg", join(huge)},
                 {"bad_rate_ffffffff.ogg", join(wildRate)}, {"bad_channels_255.ogg", join(manyChannels)}};
    for (const auto& seed : seeds) {
        if (!write(dir + "/" + seed.name, seed.bytes)) {
            fprintf(stderr, "could not write %s/%s\n", dir.c_str(), seed.name);
            return 1;
        }
    }
    return 0;
}
