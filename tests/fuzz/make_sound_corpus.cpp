// Writes the seed corpus of the music-file fuzz target: a tenth of a second in every format the
// sources take, plain and damaged, made the way the source tests make their files.
//   Usage: sound_fuzz_corpus DIR
#include <cstdio>
#include <string>

#include "tests/sources/sound_fixtures.h"

using namespace sound_fixtures;

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    for (const Format& f : kFormats) {
        const Bytes good = writeFile(f, 2, f.rate / 10);
        const struct {
            std::string name;
            Bytes bytes;
        } seeds[] = {{"good", good},
                     {"mono", writeFile(f, 1, f.rate / 10, nullptr)},
                     {"truncated", truncated(good, 0.5)},
                     {"broken", scrambled(good, good.size() / 2, good.size() / 2 + 64)}};
        for (const auto& seed : seeds) {
            const std::string path = std::string(argv[1]) + "/" + seed.name + "." + f.name;
            FILE* out = fopen(path.c_str(), "wb");
            if (out == nullptr || fwrite(seed.bytes.data(), 1, seed.bytes.size(), out) != seed.bytes.size() ||
                fclose(out) != 0) {
                fprintf(stderr, "could not write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
