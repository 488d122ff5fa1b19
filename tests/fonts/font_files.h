// Damaged and unsuitable font files for the font tests, made from the installed DejaVu fonts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace font_files {

constexpr const char* kMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kExtraLight = "/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf";

using Bytes = std::vector<unsigned char>;

inline Bytes readAll(const char* path) {
    Bytes bytes;
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return bytes;
    unsigned char buffer[65536];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

inline bool writeAll(const std::string& path, const Bytes& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

inline Bytes truncated(Bytes bytes, size_t length) {
    bytes.resize(length < bytes.size() ? length : bytes.size());
    return bytes;
}

// Deterministic noise: the same bytes on every run.
inline Bytes randomBytes(size_t count, uint32_t seed) {
    Bytes bytes(count);
    uint32_t x = seed;
    for (unsigned char& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = (unsigned char)(x >> 24);
    }
    return bytes;
}

inline uint32_t be32(const Bytes& b, size_t at) {
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}
inline uint32_t be16(const Bytes& b, size_t at) { return (uint32_t)b[at] << 8 | b[at + 1]; }
inline void put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = (unsigned char)(v >> 8);
    b[at + 1] = (unsigned char)v;
}
inline void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, v >> 16);
    put16(b, at + 2, v & 0xFFFF);
}

// Where a table's directory record is (0 when the tag is missing).
inline size_t recordOf(const Bytes& b, const char* tag) {
    const uint32_t count = be16(b, 4);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t r = 12 + (size_t)i * 16;
        if (b[r] == (unsigned char)tag[0] && b[r + 1] == (unsigned char)tag[1] && b[r + 2] == (unsigned char)tag[2] &&
            b[r + 3] == (unsigned char)tag[3]) {
            return r;
        }
    }
    return 0;
}
inline size_t tableOf(const Bytes& b, const char* tag) { return be32(b, recordOf(b, tag) + 8); }

// Glyph 0's outline (the missing-glyph box every font draws), found through loca.
inline size_t firstGlyphOffset(const Bytes& b) {
    const bool longOffsets = be16(b, tableOf(b, "head") + 50) == 1;
    const size_t loca = tableOf(b, "loca");
    return tableOf(b, "glyf") + (longOffsets ? be32(b, loca) : be16(b, loca) * 2);
}

}  // namespace font_files
