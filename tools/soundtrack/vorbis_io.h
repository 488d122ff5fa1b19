// Ogg Vorbis in and out for the soundtrack tool, through libvorbis.
#pragma once

#include <string>

#include "tools/soundtrack/dsp.h"

namespace synth {

// Encodes the bus as stereo Ogg Vorbis at the given VBR quality (0..1). A fixed stream serial
// number makes the file the same, byte for byte, on every run. False when the file cannot be written.
bool writeOggVorbis(const std::string& path, const Bus& bus, float quality);

// What a decoded file measures.
struct Measurement {
    double seconds = 0.0;
    long sampleRate = 0;
    int channels = 0;
    double peak = 0.0;  // Largest absolute decoded sample, 1.0 = full scale
};

// Decodes the whole file in floating point; false when it is not a readable Ogg Vorbis file.
bool measureOggVorbis(const std::string& path, Measurement& out);

}  // namespace synth
