// libFuzzer target: the track's loading and analysis on any bytes. The checked decode either refuses
// the bytes or hands over a copy that the analysis then reads at the start, inside, at the end and
// past the end of the track, as the show and the capture tool would; every record must stay in range.
#include <cstddef>
#include <cstdint>

#include "audio/analysis.h"
#include "audio/music_track.h"
#include "audio/track_decoder.h"
#include "tests/fuzz/features_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedTrack decoded;
    if (!decodeTrackMemory(data, size, 0, decoded)) return 0;
    if (decoded.frameCount < 1 || decoded.channels < kMinTrackChannels || decoded.channels > kMaxTrackChannels ||
        decoded.sampleRate < kMinTrackRate || decoded.sampleRate > kMaxTrackRate) {
        __builtin_trap();  // The decode let through what it promises to refuse
    }

    MusicTrack track;
    attachSamples(track, decoded.samples, decoded.frameCount, decoded.channels, decoded.sampleRate);  // Now owned
    const float length = (float)decoded.frameCount / (float)decoded.sampleRate;
    for (float t : {0.0f, 0.5f * length, length, 2.5f * length, 1.0e9f}) checkFeatures(analyseAt(track, t, length));
    return 0;
}
