// libFuzzer target: the user's own music files on any bytes. libsndfile's open and the checks
// either refuse the bytes or give a file within the promised bounds, read to its end or its
// damaged place; what was read is then analysed as a decoded track at the start, inside, at the
// end and past the end; every record must stay in range.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sound_file.h"
#include "audio/sound_source.h"
#include "tests/fuzz/features_check.h"

namespace {

constexpr long long kMaxFrames = 1 << 20;  // Reading further finds nothing new and costs time
constexpr int kBlock = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SoundFile file;
    std::string reason;
    if (!openSoundMemory(file, data, size, reason)) {
        if (reason.empty()) __builtin_trap();  // A refusal always says why
        return 0;
    }
    if (file.channels < kMinTrackChannels || file.channels > kMaxTrackChannels || file.sampleRate < kMinTrackRate ||
        file.sampleRate > kMaxTrackRate || file.title.size() > kMaxTitleBytes) {
        __builtin_trap();  // The checks let through what they promise to refuse
    }
    std::vector<float> values;
    long long frames = 0;
    while (frames < kMaxFrames) {
        values.resize((size_t)((frames + kBlock) * file.channels));
        const int got = readSoundFile(file, &values[(size_t)(frames * file.channels)], kBlock);
        if (got < 0 || got > kBlock) __builtin_trap();
        if (got == 0) break;
        frames += got;
    }
    for (long long i = 0; i < frames * file.channels; ++i) {
        if (!(values[(size_t)i] >= -1.0f && values[(size_t)i] <= 1.0f)) __builtin_trap();
    }
    const int channels = file.channels, rate = file.sampleRate;
    closeSoundFile(file);
    if (frames == 0) return 0;

    auto* samples = static_cast<float*>(malloc(sizeof(float) * (size_t)(frames * channels)));
    std::copy(values.begin(), values.begin() + frames * channels, samples);
    SoundSource source;
    if (!openDecodedSource(source, samples, frames, channels, rate, "fuzz")) __builtin_trap();
    const double length = (double)frames / rate;
    for (double t : {0.0, 0.5 * length, length, 2.5 * length, 1.0e9}) checkFeatures(analyseSource(source, t));
    return 0;
}
