// The music file is input the show did not make: it is decoded whole, once, by libvorbisfile (a
// decoder built for untrusted input) and checked before anything else sees it. A file that fails
// any check is simply not a track, and the show runs silent.
#pragma once

#include <cstddef>  // Required for: size_t

// What a track may be. The memory bound is the decoded copy of a half-hour stereo track at 48 kHz
// (691 MB of floats): a 192 kHz, 8-channel file may run 112 s.
constexpr int kMinTrackChannels = 1;
constexpr int kMaxTrackChannels = 8;
constexpr int kMinTrackRate = 8000;
constexpr int kMaxTrackRate = 192000;
constexpr int kMaxTrackSeconds = 30 * 60;
constexpr long long kMaxTrackValues = 30LL * 60 * 48000 * 2;

// A checked, fully decoded track: frameCount * channels interleaved floats in [-1, 1].
struct DecodedTrack {
    unsigned char* block = nullptr;  // One malloc'd block: `prefixBytes` left free, then the samples
    float* samples = nullptr;        // Inside `block`
    int frameCount = 0;
    int channels = 0;
    int sampleRate = 0;
};

// A decoded value as the analysis and the stream may take it: in [-1, 1], never NaN.
float cleanSample(float v);

// Decodes a whole Ogg Vorbis file and checks it: it opens, has 1..8 channels at 8..192 kHz in
// every link, declares a length within the bounds above, decodes without a hole or error, and
// decodes to exactly the length it declares. True fills `out`; false leaves it empty with nothing
// allocated. `prefixBytes` (a multiple of 4) are reserved in front of the samples for a header.
bool decodeTrackFile(const char* path, size_t prefixBytes, DecodedTrack& out);
bool decodeTrackMemory(const unsigned char* data, size_t size, size_t prefixBytes, DecodedTrack& out);
void releaseDecodedTrack(DecodedTrack& track);
