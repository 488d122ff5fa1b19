// The TrueType check that stands before raylib's rasteriser: sound fonts pass, and truncated,
// random and lying files are refused without reading outside their bytes (the buffers are exactly
// the file's size, so AddressSanitizer sees any read past the end).
#include <gtest/gtest.h>

#include <functional>

#include "framebuffer/font_file_check.h"
#include "framebuffer/font_loading.h"
#include "font_files.h"

using namespace font_files;

namespace {

struct FontCheck : ::testing::Test {
    Bytes mono;
    int codepoints[kFontCodepointCount];

    void SetUp() override {
        mono = readAll(kMono);
        if (mono.empty()) GTEST_SKIP() << "DejaVu Sans Mono is not installed";
        fontCodepoints(codepoints);
    }
    bool sound(const Bytes& bytes) const {
        // A copy of exactly the file's size, so that a read past its end is caught
        const Bytes exact(bytes);
        return fontFileIsSound(exact.data(), exact.size(), codepoints, kFontCodepointCount);
    }
    Bytes damaged(const std::function<void(Bytes&)>& change) const {
        Bytes b = mono;
        change(b);
        return b;
    }
};

// Shrinks every glyph's bounding box to the point (0, 0)
void pointBoxes(Bytes& b) {
    for (uint32_t g = 0; g < be16(b, tableOf(b, "maxp") + 4); ++g) {
        if (glyphOffset(b, g + 1) > glyphOffset(b, g)) std::fill_n(b.begin() + (long)(tableOf(b, "glyf") + glyphOffset(b, g) + 2), 8, 0);
    }
}

// Makes glyph 0 a composite of one component, glyph `component`, placed by offsets
void composite(Bytes& b, uint32_t component) {
    const size_t g = firstGlyphOffset(b);
    put16(b, g, 0xFFFF);
    put16(b, g + 10, 0x0002);
    put16(b, g + 12, component);
}

// Points every character map record at the segment map (format 4); its offset in cmap
uint32_t segmentMapOnly(Bytes& b) {
    const size_t cmap = tableOf(b, "cmap");
    const uint32_t records = be16(b, cmap + 2);
    uint32_t segments = 0;
    for (uint32_t i = 0; i < records; ++i) {
        if (be16(b, cmap + be32(b, cmap + 4 + i * 8 + 4)) == 4) segments = be32(b, cmap + 4 + i * 8 + 4);
    }
    for (uint32_t i = 0; i < records; ++i) put32(b, cmap + 4 + i * 8 + 4, segments);
    return segments;
}

}  // namespace

TEST_F(FontCheck, EveryInstalledDejaVuFontIsSound) {
    EXPECT_TRUE(sound(mono));
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(kMono).parent_path())) {
        if (entry.path().extension() != ".ttf") continue;
        EXPECT_TRUE(sound(readAll(entry.path().string().c_str()))) << entry.path();
    }
}

TEST_F(FontCheck, TruncationsAndRandomBytesWithOrWithoutATrueTypeHeaderAreRefused) {
    // The last table ends within the final 3 bytes of padding, so every cut below that loses data
    for (size_t length : {0, 1, 11, 12, 13, 100}) EXPECT_FALSE(sound(truncated(mono, length))) << length;
    for (size_t length = 1000; length + 4 <= mono.size(); length += 4093) EXPECT_FALSE(sound(truncated(mono, length))) << length;
    EXPECT_FALSE(sound(truncated(mono, mono.size() - 4)));
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        Bytes random = randomBytes(50000, seed);
        EXPECT_FALSE(sound(random)) << seed;
        put32(random, 0, 0x00010000u);
        put16(random, 4, 12 + seed % 8);
        EXPECT_FALSE(sound(random)) << seed;
    }
}

TEST_F(FontCheck, LyingStructuresAreRefused) {
    struct Case {
        const char* what;
        std::function<void(Bytes&)> change;
    };
    const Case cases[] = {
        {"OpenType CFF outlines", [](Bytes& b) { put32(b, 0, 0x4F54544Fu); }},
        {"font collection header", [](Bytes& b) { put32(b, 0, 0x74746366u); }},
        {"no tables", [](Bytes& b) { put16(b, 4, 0); }},
        {"directory longer than the file", [](Bytes& b) { put16(b, 4, 0xFFFF); }},
        {"table past the end", [](Bytes& b) { put32(b, recordOf(b, "glyf") + 8, (uint32_t)b.size()); }},
        {"table length past the end", [](Bytes& b) { put32(b, recordOf(b, "name") + 12, 0xFFFFFFF0u); }},
        {"no cmap", [](Bytes& b) { b[recordOf(b, "cmap")] = 'x'; }},
        {"no loca", [](Bytes& b) { b[recordOf(b, "loca")] = 'x'; }},
        {"head without its magic number", [](Bytes& b) { put32(b, tableOf(b, "head") + 12, 0); }},
        {"unknown offset format", [](Bytes& b) { put16(b, tableOf(b, "head") + 50, 2); }},
        {"no glyphs", [](Bytes& b) { put16(b, tableOf(b, "maxp") + 4, 0); }},
        // Every glyph box a point, so that only the line height of 0 (ascent = descent) can refuse it
        {"zero line height",
         [](Bytes& b) {
             pointBoxes(b);
             put16(b, tableOf(b, "hhea") + 6, be16(b, tableOf(b, "hhea") + 4));
         }},
        {"more metrics than glyphs", [](Bytes& b) { put16(b, tableOf(b, "hhea") + 34, 0xFFFF); }},
        {"metrics table too short", [](Bytes& b) { put32(b, recordOf(b, "hmtx") + 12, 8); }},
        {"glyph offsets past glyf",
         [](Bytes& b) { put32(b, recordOf(b, "glyf") + 12, be32(b, recordOf(b, "glyf") + 12) / 2); }},
        {"glyph offsets running backwards", [](Bytes& b) { setGlyphOffset(b, 2, glyphOffset(b, 1) - 2); }},
        {"character map subtable past cmap",
         [](Bytes& b) {
             const size_t cmap = tableOf(b, "cmap");
             for (uint32_t i = 0; i < be16(b, cmap + 2); ++i) put32(b, cmap + 4 + i * 8 + 4, 0x00FFFFFFu);
         }},
        {"character map of an unknown format",
         [](Bytes& b) {
             const size_t cmap = tableOf(b, "cmap");
             for (uint32_t i = 0; i < be16(b, cmap + 2); ++i) put16(b, cmap + be32(b, cmap + 4 + i * 8 + 4), 99);
         }},
        {"segment search running off the map",
         [](Bytes& b) {
             put16(b, tableOf(b, "cmap") + segmentMapOnly(b) + 12, 0xFFFE);  // Its search header lies: rangeShift
         }},
        {"missing-glyph outline with more contours than bytes", [](Bytes& b) { put16(b, firstGlyphOffset(b), 0x7FFF); }},
        {"missing-glyph box wider than eight lines", [](Bytes& b) { put16(b, firstGlyphOffset(b) + 6, 0x7FFF); }},
        // One component placed by offsets, glyph 0 again or a negative index
        {"composite glyph made of itself", [](Bytes& b) { composite(b, 0); }},
        {"composite glyph naming a negative index", [](Bytes& b) { composite(b, 0x8001); }},
    };
    for (const Case& c : cases) EXPECT_FALSE(sound(damaged(c.change))) << c.what;
    EXPECT_TRUE(sound(damaged([](Bytes& b) { segmentMapOnly(b); }))) << "the segment map alone serves";
    EXPECT_TRUE(sound(damaged(pointBoxes))) << "glyph boxes of no size";
    EXPECT_TRUE(sound(damaged([](Bytes& b) { put32(b, 0, 0x74727565u); }))) << "'true' is TrueType too";
}
