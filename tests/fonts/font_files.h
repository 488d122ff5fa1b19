// Damaged and unsuitable font files for the font tests, made from the installed DejaVu fonts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace font_files {

constexpr const char* kMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kExtraLight = "/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf";

using Bytes = std::vector<unsigned char>;

inline Bytes readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes truncated(Bytes bytes, size_t length) {
    bytes.resize(length < bytes.size() ? length : bytes.size());
    return bytes;
}

// A private folder for font files, removed with everything in it (std::filesystem only, so that
// the tests also run on Windows).
struct FontFolder {
    std::string dir;
    FontFolder() {
        std::random_device seed;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && dir.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("davur_evi-fonts." + std::to_string(seed()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) dir = candidate.string();
        }
    }
    ~FontFolder() {
        std::error_code ignored;
        if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
    }
    std::string add(const std::string& name, const Bytes& bytes) const {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
        return path;
    }
};

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
inline void put16(Bytes& b, size_t at, uint32_t v) { b[at] = (unsigned char)(v >> 8), b[at + 1] = (unsigned char)v; }
inline void put32(Bytes& b, size_t at, uint32_t v) { put16(b, at, v >> 16), put16(b, at + 2, v & 0xFFFF); }

// Where a table's directory record is (0 when the tag is missing).
inline size_t recordOf(const Bytes& b, const char* tag) {
    const uint32_t count = be16(b, 4);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t r = 12 + (size_t)i * 16;
        if (std::equal(tag, tag + 4, b.begin() + (long)r)) return r;
    }
    return 0;
}
inline size_t tableOf(const Bytes& b, const char* tag) { return be32(b, recordOf(b, tag) + 8); }

// Glyph offset `g` in loca, in bytes from the start of glyf, read or set
inline bool longOffsets(const Bytes& b) { return be16(b, tableOf(b, "head") + 50) == 1; }
inline uint32_t glyphOffset(const Bytes& b, uint32_t g) {
    const size_t loca = tableOf(b, "loca");
    return longOffsets(b) ? be32(b, loca + g * 4) : be16(b, loca + g * 2) * 2;
}
inline void setGlyphOffset(Bytes& b, uint32_t g, uint32_t offset) {
    const size_t loca = tableOf(b, "loca");
    longOffsets(b) ? put32(b, loca + g * 4, offset) : put16(b, loca + g * 2, offset / 2);
}

// Glyph 0's outline (the missing-glyph box every font draws)
inline size_t firstGlyphOffset(const Bytes& b) { return tableOf(b, "glyf") + glyphOffset(b, 0); }

}  // namespace font_files
