#include "audio/track_decoder.h"

#include <vorbis/vorbisfile.h>  // Required for: ov_open_callbacks(), ov_read_float(), ov_pcm_total()

#include <algorithm>   // Required for: std::min(), std::max()
#include <climits>     // Required for: LONG_MIN, LONG_MAX
#include <cmath>       // Required for: std::isnan()
#include <cstdio>      // Required for: FILE, fopen(), fread(), fseek(), ftell()
#include <cstdlib>     // Required for: realloc(), free()
#include <cstring>     // Required for: memcpy()
#include <filesystem>  // Required for: std::filesystem::is_regular_file()

namespace {

constexpr int kReadFrames = 4096;          // Frames asked of the decoder per call
constexpr long long kFirstFrames = 65536;  // The decoded copy starts this big and doubles

// ---------------------------------------------------------------------------------------------
// Sources: a file, or bytes in memory (the fuzz target and the tests)
// ---------------------------------------------------------------------------------------------
size_t readFile(void* out, size_t size, size_t count, void* source) {
    return fread(out, size, count, static_cast<FILE*>(source));
}

// Positions are longs, as libvorbisfile's tell callback returns them (a file past 2 GB on a
// 32-bit long cannot be taken, which no track comes near).
int seekFile(void* source, ogg_int64_t offset, int whence) {
    if (offset < LONG_MIN || offset > LONG_MAX) return -1;
    return fseek(static_cast<FILE*>(source), (long)offset, whence);
}

long tellFile(void* source) { return ftell(static_cast<FILE*>(source)); }

struct MemorySource {
    const unsigned char* data;
    size_t size;
    size_t at;
};

size_t readMemory(void* out, size_t size, size_t count, void* source) {
    MemorySource& m = *static_cast<MemorySource*>(source);
    if (size == 0 || count == 0) return 0;
    const size_t items = std::min(count, (m.size - m.at) / size);
    if (items == 0) return 0;
    memcpy(out, m.data + m.at, items * size);
    m.at += items * size;
    return items;
}

int seekMemory(void* source, ogg_int64_t offset, int whence) {
    MemorySource& m = *static_cast<MemorySource*>(source);
    const long long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? (long long)m.at : (long long)m.size;
    if (offset < -base || offset > (long long)m.size - base) return -1;
    m.at = (size_t)(base + offset);
    return 0;
}

long tellMemory(void* source) {
    const size_t at = static_cast<MemorySource*>(source)->at;
    return at > (size_t)LONG_MAX ? -1 : (long)at;
}

// The caller closes its own source: libvorbisfile never does.
constexpr ov_callbacks kFileCallbacks = {readFile, seekFile, nullptr, tellFile};
constexpr ov_callbacks kMemoryCallbacks = {readMemory, seekMemory, nullptr, tellMemory};

// ---------------------------------------------------------------------------------------------
// Checks and decoding
// ---------------------------------------------------------------------------------------------
bool sameFormat(const vorbis_info* info, int channels, long rate) {
    return info != nullptr && info->channels == channels && info->rate == rate;
}

// Channels, rate and declared length of every link within the bounds; the declared frame count.
long long checkedLength(OggVorbis_File& vf, int& channels, int& rate) {
    if (!ov_seekable(&vf)) return -1;
    const vorbis_info* first = ov_info(&vf, 0);
    if (first == nullptr || first->channels < kMinTrackChannels || first->channels > kMaxTrackChannels ||
        first->rate < kMinTrackRate || first->rate > kMaxTrackRate) {
        return -1;
    }
    for (long link = 1; link < ov_streams(&vf); ++link) {
        if (!sameFormat(ov_info(&vf, (int)link), first->channels, first->rate)) return -1;
    }
    const long long declared = ov_pcm_total(&vf, -1);
    if (declared < 1 || declared > (long long)first->rate * kMaxTrackSeconds ||
        declared > kMaxTrackValues / first->channels) {
        return -1;
    }
    channels = first->channels;
    rate = (int)first->rate;
    return declared;
}

// Grows the block to hold `frames` frames after the prefix; false (block untouched) when it cannot.
bool reserveFrames(DecodedTrack& out, size_t prefixBytes, long long frames) {
    const size_t bytes = prefixBytes + (size_t)frames * (size_t)out.channels * sizeof(float);
    void* grown = realloc(out.block, bytes);
    if (grown == nullptr) return false;
    out.block = static_cast<unsigned char*>(grown);
    out.samples = reinterpret_cast<float*>(out.block + prefixBytes);
    return true;
}

bool decodeAll(OggVorbis_File& vf, size_t prefixBytes, DecodedTrack& out) {
    int channels = 0;
    int rate = 0;
    const long long declared = checkedLength(vf, channels, rate);
    if (declared < 1) return false;
    out.channels = channels;
    out.sampleRate = rate;

    // Memory follows the audio actually decoded, never more than the declared length.
    long long capacity = 0;
    long long decoded = 0;
    for (;;) {
        float** pcm = nullptr;
        int link = 0;
        const long count = ov_read_float(&vf, &pcm, kReadFrames, &link);
        if (count == 0) break;
        // A hole, a damaged link, or more audio than declared: not a clean file.
        if (count < 0 || decoded + count > declared || !sameFormat(ov_info(&vf, link), channels, rate)) return false;
        if (decoded + count > capacity) {
            capacity = std::min(declared, std::max(capacity * 2, std::max(kFirstFrames, decoded + count)));
            if (!reserveFrames(out, prefixBytes, capacity)) return false;
        }
        float* frame = out.samples + decoded * channels;
        for (long i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c) *frame++ = cleanSample(pcm[c][i]);
        }
        decoded += count;
    }
    if (decoded != declared) return false;
    out.frameCount = (int)decoded;
    return true;
}

bool decodeSource(void* source, const ov_callbacks& callbacks, size_t prefixBytes, DecodedTrack& out) {
    out = DecodedTrack{};
    if (prefixBytes % sizeof(float) != 0) return false;
    OggVorbis_File vf;
    if (ov_open_callbacks(source, &vf, nullptr, 0, callbacks) != 0) return false;  // Cleared on failure
    const bool ok = decodeAll(vf, prefixBytes, out);
    ov_clear(&vf);
    if (!ok) releaseDecodedTrack(out);
    return ok;
}

}  // namespace

float cleanSample(float v) {
    if (std::isnan(v)) return 0.0f;
    return v < -1.0f ? -1.0f : v > 1.0f ? 1.0f : v;
}

bool decodeTrackFile(const char* path, size_t prefixBytes, DecodedTrack& out) {
    out = DecodedTrack{};
    if (path == nullptr || path[0] == '\0') return false;
    // Only a plain file: a FIFO would block the open, a device could read forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    const bool ok = decodeSource(file, kFileCallbacks, prefixBytes, out);
    fclose(file);
    return ok;
}

bool decodeTrackMemory(const unsigned char* data, size_t size, size_t prefixBytes, DecodedTrack& out) {
    out = DecodedTrack{};
    if (data == nullptr && size > 0) return false;
    MemorySource source{data, size, 0};
    return decodeSource(&source, kMemoryCallbacks, prefixBytes, out);
}

void releaseDecodedTrack(DecodedTrack& track) {
    free(track.block);
    track = DecodedTrack{};
}
