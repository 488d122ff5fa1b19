// Music files in every format the sources take, written by the tests with libsndfile into memory:
// a short piece of bass pulses over a tone, with a title tag, then damaged as a careless or hostile
// user would hand them over.
#pragma once

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sound_fixtures {

using Bytes = std::vector<unsigned char>;

struct Format {
    const char* name;
    int format;  // libsndfile's major | subtype
    int rate;    // One the codec takes (Opus: 48 kHz)
};

const Format kFormats[] = {
    {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
    {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100},
    {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
    {"opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
    {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100},
};

// A growing file in memory that libsndfile writes through its virtual I/O.
struct MemoryFile {
    Bytes bytes;
    sf_count_t at = 0;
};

inline sf_count_t length(void* user) { return (sf_count_t) static_cast<MemoryFile*>(user)->bytes.size(); }
inline sf_count_t seek(sf_count_t offset, int whence, void* user) {
    MemoryFile& m = *static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m.at : (sf_count_t)m.bytes.size();
    m.at = std::max<sf_count_t>(0, base + offset);
    return m.at;
}
inline sf_count_t read(void* out, sf_count_t count, void* user) {
    MemoryFile& m = *static_cast<MemoryFile*>(user);
    const sf_count_t n = std::max<sf_count_t>(0, std::min(count, (sf_count_t)m.bytes.size() - m.at));
    if (n > 0) memcpy(out, m.bytes.data() + m.at, (size_t)n);
    m.at += n;
    return n;
}
inline sf_count_t write(const void* in, sf_count_t count, void* user) {
    MemoryFile& m = *static_cast<MemoryFile*>(user);
    if ((size_t)(m.at + count) > m.bytes.size()) m.bytes.resize((size_t)(m.at + count));
    memcpy(m.bytes.data() + m.at, in, (size_t)count);
    m.at += count;
    return count;
}
inline sf_count_t tell(void* user) { return static_cast<MemoryFile*>(user)->at; }

constexpr double kPi = 3.14159265358979323846;  // M_PI is not standard C++ (MinGW has none)

// The test signal: a 440 Hz tone with a 60 Hz pulse on every half second, at half scale.
inline std::vector<float> music(int channels, int rate, long long frames) {
    std::vector<float> values((size_t)(frames * channels));
    for (long long f = 0; f < frames; ++f) {
        const double t = (double)f / rate;
        const double pulse = std::fmod(t, 0.5) < 0.1 ? 0.4 * std::sin(2.0 * kPi * 60.0 * t) : 0.0;
        for (int c = 0; c < channels; ++c) {
            values[(size_t)(f * channels + c)] = (float)(pulse + 0.1 * std::sin(2.0 * kPi * 440.0 * t + c));
        }
    }
    return values;
}

// A file of `frames` frames of music; empty when libsndfile cannot write it.
inline Bytes writeFile(const Format& format, int channels, long long frames, const char* title = "Fixture Song") {
    MemoryFile file;
    SF_VIRTUAL_IO io = {length, seek, read, write, tell};
    SF_INFO info = {};
    info.samplerate = format.rate;
    info.channels = channels;
    info.format = format.format;
    SNDFILE* sf = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (sf == nullptr) return Bytes{};
    if (title != nullptr) sf_set_string(sf, SF_STR_TITLE, title);
    // In blocks: libsndfile's Vorbis encoder fails on one huge write
    const std::vector<float> values = music(channels, format.rate, frames);
    for (long long at = 0; at < frames; at += 4096) {
        sf_writef_float(sf, &values[(size_t)(at * channels)], std::min<long long>(4096, frames - at));
    }
    sf_close(sf);
    return file.bytes;
}

inline void putLittleEndian(Bytes& bytes, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size && at + (size_t)i < bytes.size(); ++i) bytes[at + (size_t)i] = (unsigned char)(value >> (8 * i));
}

// Bytes [from, to) of the file replaced by a fixed noise, the rest kept.
inline Bytes scrambled(Bytes bytes, size_t from, size_t to) {
    uint32_t state = 12345;
    for (size_t i = from; i < to && i < bytes.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = (unsigned char)(state >> 24);
    }
    return bytes;
}

inline Bytes truncated(const Bytes& bytes, double fraction) {
    return Bytes(bytes.begin(), bytes.begin() + (long)((double)bytes.size() * fraction));
}

}  // namespace sound_fixtures

namespace sound_fixtures {

// Ogg's page checksum (CRC-32, polynomial 0x04c11db7, not reflected), after an edit of page 0.
inline void fixOggChecksum(Bytes& bytes, size_t pageStart) {
    const size_t segments = bytes[pageStart + 26];
    size_t pageLength = 27 + segments;
    for (size_t s = 0; s < segments; ++s) pageLength += bytes[pageStart + 27 + s];
    for (int i = 22; i < 26; ++i) bytes[pageStart + (size_t)i] = 0;
    uint32_t crc = 0;
    for (size_t i = 0; i < pageLength; ++i) {
        crc ^= (uint32_t)bytes[pageStart + i] << 24;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    putLittleEndian(bytes, pageStart + 22, crc, 4);
}

// A field of the first packet (Vorbis or Opus identification header) of an Ogg file.
inline Bytes withOggIdentField(Bytes bytes, size_t at, uint32_t value, int size) {
    putLittleEndian(bytes, 27 + bytes[26] + at, value, size);
    fixOggChecksum(bytes, 0);
    return bytes;
}

// The offset of a RIFF chunk's size field, or 0.
inline size_t wavChunkSize(const Bytes& bytes, const char* tag) {
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | (uint32_t)bytes[at + 7] << 24;
        if (memcmp(&bytes[at], tag, 4) == 0) return at + 4;
        at += 8 + size + (size & 1);
    }
    return 0;
}

inline Bytes withWavField(Bytes bytes, const char* chunk, size_t at, uint32_t value, int size) {
    const size_t chunkSize = wavChunkSize(bytes, chunk);
    if (chunkSize != 0) putLittleEndian(bytes, chunkSize + 4 + at, value, size);
    return bytes;
}
inline Bytes withWavDataSize(Bytes bytes, uint32_t size) {
    const size_t at = wavChunkSize(bytes, "data");
    if (at != 0) putLittleEndian(bytes, at, size, 4);
    return bytes;
}

// STREAMINFO after "fLaC" and its block header: the rate (20 bits) starts at byte 10, the total
// of frames is the last 36 bits of bytes 13..17.
inline Bytes withFlacRate(Bytes bytes, uint32_t rate) {
    const size_t at = 8 + 10;
    bytes[at] = (unsigned char)(rate >> 12);
    bytes[at + 1] = (unsigned char)(rate >> 4);
    bytes[at + 2] = (unsigned char)((bytes[at + 2] & 0x0F) | ((rate & 0x0F) << 4));
    return bytes;
}
inline Bytes withFlacTotal(Bytes bytes, uint64_t frames) {
    const size_t at = 8 + 13;
    bytes[at] = (unsigned char)((bytes[at] & 0xF0) | ((frames >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i) bytes[at + 1 + (size_t)i] = (unsigned char)(frames >> (24 - 8 * i));
    return bytes;
}

}  // namespace sound_fixtures
