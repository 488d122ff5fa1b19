#include "framebuffer/font_file_check.h"

#include <cstdint>

namespace {

constexpr size_t kOffsetTableSize = 12;
constexpr size_t kTableRecordSize = 16;
constexpr uint32_t kHeadMagic = 0x5F0F3CF5u;
constexpr size_t kHeadSize = 54;
constexpr size_t kHheaSize = 36;
constexpr size_t kMaxpSize = 6;
// Deeper nesting of composite glyphs than this is taken as a loop
constexpr int kMaxCompositeDepth = 8;
// A glyph's box may be this many times the font's line height before its bitmap counts as absurd
constexpr int32_t kMaxGlyphBoxInLines = 8;

// Composite glyph flags
constexpr unsigned kArgsAreWords = 0x0001;
constexpr unsigned kArgsAreXyValues = 0x0002;
constexpr unsigned kHaveScale = 0x0008;
constexpr unsigned kMoreComponents = 0x0020;
constexpr unsigned kHaveXyScale = 0x0040;
constexpr unsigned kHaveTwoByTwo = 0x0080;

// Simple glyph flags
constexpr unsigned kRepeatFlag = 0x08;
constexpr unsigned kXShort = 0x02;
constexpr unsigned kYShort = 0x04;
constexpr unsigned kXSameOrPositive = 0x10;
constexpr unsigned kYSameOrPositive = 0x20;

// A range of the file; every read goes through it and fails outside it.
struct Span {
    const unsigned char* data = nullptr;
    size_t size = 0;

    bool has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
    bool u8(size_t offset, uint32_t& out) const {
        if (!has(offset, 1)) return false;
        out = data[offset];
        return true;
    }
    bool u16(size_t offset, uint32_t& out) const {
        if (!has(offset, 2)) return false;
        out = (uint32_t)data[offset] << 8 | data[offset + 1];
        return true;
    }
    bool s16(size_t offset, int32_t& out) const {
        uint32_t v = 0;
        if (!u16(offset, v)) return false;
        out = (int32_t)(int16_t)(uint16_t)v;
        return true;
    }
    bool u32(size_t offset, uint32_t& out) const {
        if (!has(offset, 4)) return false;
        out = (uint32_t)data[offset] << 24 | (uint32_t)data[offset + 1] << 16 | (uint32_t)data[offset + 2] << 8 |
              data[offset + 3];
        return true;
    }
    Span sub(size_t offset, size_t count) const { return has(offset, count) ? Span{data + offset, count} : Span{}; }
};

struct Font {
    Span file;
    Span cmap, head, hhea, hmtx, maxp, loca, glyf;
    uint32_t numGlyphs = 0;
    uint32_t longMetrics = 0;
    bool longOffsets = false;
    int32_t lineHeight = 0;  // ascent - descent, in font units
    Span charMap;            // The character-map subtable the rasteriser will use
};

constexpr uint32_t tag(const char (&t)[5]) {
    return (uint32_t)(unsigned char)t[0] << 24 | (uint32_t)(unsigned char)t[1] << 16 |
           (uint32_t)(unsigned char)t[2] << 8 | (uint32_t)(unsigned char)t[3];
}

// The first directory entry with this tag, as the rasteriser finds it; false when it is missing.
bool findTable(const Span& file, uint32_t numTables, uint32_t wanted, Span& out) {
    for (uint32_t i = 0; i < numTables; ++i) {
        const size_t record = kOffsetTableSize + (size_t)i * kTableRecordSize;
        uint32_t t = 0, offset = 0, length = 0;
        if (!file.u32(record, t) || !file.u32(record + 8, offset) || !file.u32(record + 12, length)) return false;
        if (t != wanted) continue;
        if (!file.has(offset, length)) return false;
        out = file.sub(offset, length);
        return true;
    }
    return false;
}

bool readDirectory(Font& f) {
    uint32_t version = 0, numTables = 0;
    if (!f.file.u32(0, version) || !f.file.u16(4, numTables)) return false;
    // TrueType outlines only: 'OTTO' (CFF), 'ttcf' (collections) and anything else are refused
    if (version != 0x00010000u && version != tag("true")) return false;
    if (numTables == 0 || !f.file.has(kOffsetTableSize, (size_t)numTables * kTableRecordSize)) return false;
    for (uint32_t i = 0; i < numTables; ++i) {
        uint32_t offset = 0, length = 0;
        const size_t record = kOffsetTableSize + (size_t)i * kTableRecordSize;
        if (!f.file.u32(record + 8, offset) || !f.file.u32(record + 12, length)) return false;
        if (!f.file.has(offset, length)) return false;
    }
    return findTable(f.file, numTables, tag("cmap"), f.cmap) && findTable(f.file, numTables, tag("head"), f.head) &&
           findTable(f.file, numTables, tag("hhea"), f.hhea) && findTable(f.file, numTables, tag("hmtx"), f.hmtx) &&
           findTable(f.file, numTables, tag("maxp"), f.maxp) && findTable(f.file, numTables, tag("loca"), f.loca) &&
           findTable(f.file, numTables, tag("glyf"), f.glyf);
}

bool readMetrics(Font& f) {
    uint32_t magic = 0, locFormat = 0;
    if (f.head.size < kHeadSize || !f.head.u32(12, magic) || magic != kHeadMagic) return false;
    if (!f.head.u16(50, locFormat) || locFormat > 1) return false;
    f.longOffsets = locFormat == 1;

    if (f.maxp.size < kMaxpSize || !f.maxp.u16(4, f.numGlyphs) || f.numGlyphs == 0) return false;

    int32_t ascent = 0, descent = 0;
    if (f.hhea.size < kHheaSize || !f.hhea.s16(4, ascent) || !f.hhea.s16(6, descent)) return false;
    f.lineHeight = ascent - descent;
    if (f.lineHeight <= 0) return false;  // The pixel scale divides by it
    if (!f.hhea.u16(34, f.longMetrics) || f.longMetrics == 0 || f.longMetrics > f.numGlyphs) return false;
    const size_t metricsSize = (size_t)f.longMetrics * 4 + (size_t)(f.numGlyphs - f.longMetrics) * 2;
    if (f.hmtx.size < metricsSize) return false;

    // Every glyph's outline lies inside glyf and no glyph ends before it starts
    const size_t entrySize = f.longOffsets ? 4 : 2;
    if (f.loca.size < ((size_t)f.numGlyphs + 1) * entrySize) return false;
    uint32_t previous = 0;
    for (uint32_t g = 0; g <= f.numGlyphs; ++g) {
        uint32_t v = 0;
        if (f.longOffsets ? !f.loca.u32((size_t)g * 4, v) : !f.loca.u16((size_t)g * 2, v)) return false;
        const uint64_t offset = f.longOffsets ? (uint64_t)v : (uint64_t)v * 2;
        if (offset < previous || offset > f.glyf.size) return false;
        previous = (uint32_t)offset;
    }
    return true;
}

// The subtable the rasteriser picks: the last Unicode (platform 0) or Microsoft Unicode (platform
// 3, encoding 1 or 10) entry. Its offset counts from the start of cmap; its length is checked
// with the lookup itself.
bool findCharMap(Font& f) {
    uint32_t count = 0;
    if (!f.cmap.u16(2, count)) return false;
    bool found = false;
    size_t chosen = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t record = 4 + (size_t)i * 8;
        uint32_t platform = 0, encoding = 0, offset = 0;
        if (!f.cmap.u16(record, platform) || !f.cmap.u16(record + 2, encoding) || !f.cmap.u32(record + 4, offset)) {
            return false;
        }
        if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))) {
            chosen = offset;
            found = true;
        }
    }
    if (!found || !f.cmap.has(chosen, 2)) return false;
    f.charMap = f.cmap.sub(chosen, f.cmap.size - chosen);
    return true;
}

// Format 4: segments found by the rasteriser's own binary search, driven by the header's search
// fields, so those are followed here exactly as it follows them.
bool lookupSegmented(const Span& m, uint32_t cp, uint32_t& glyph) {
    glyph = 0;
    if (cp > 0xFFFF) return true;
    uint32_t segX2 = 0, searchRange = 0, entrySelector = 0, rangeShift = 0;
    if (!m.u16(6, segX2) || !m.u16(8, searchRange) || !m.u16(10, entrySelector) || !m.u16(12, rangeShift)) return false;
    const size_t segCount = segX2 >> 1;
    const size_t endCount = 14;
    searchRange >>= 1;
    rangeShift >>= 1;
    size_t search = endCount;
    uint32_t v = 0;
    if (!m.u16(search + (size_t)rangeShift * 2, v)) return false;
    if (cp >= v) search += (size_t)rangeShift * 2;
    if (search < 2) return false;
    search -= 2;
    while (entrySelector) {
        searchRange >>= 1;
        if (!m.u16(search + (size_t)searchRange * 2, v)) return false;
        if (cp > v) search += (size_t)searchRange * 2;
        --entrySelector;
    }
    search += 2;
    const size_t item = (uint16_t)((search - endCount) >> 1);  // The rasteriser keeps it in 16 bits
    uint32_t start = 0, last = 0, rangeOffset = 0;
    int32_t delta = 0;
    if (!m.u16(endCount + segCount * 2 + 2 + 2 * item, start) || !m.u16(endCount + 2 * item, last)) return false;
    if (cp < start || cp > last) return true;
    if (!m.u16(endCount + segCount * 6 + 2 + 2 * item, rangeOffset)) return false;
    if (rangeOffset == 0) {
        if (!m.s16(endCount + segCount * 4 + 2 + 2 * item, delta)) return false;
        glyph = (uint32_t)(uint16_t)(cp + (uint32_t)delta);
        return true;
    }
    return m.u16(rangeOffset + (cp - start) * 2 + endCount + segCount * 6 + 2 + 2 * item, glyph);
}

// Formats 12 and 13: groups of (first, last, glyph) searched by halves.
bool lookupGroups(const Span& m, uint32_t format, uint32_t cp, uint32_t& glyph) {
    glyph = 0;
    uint32_t groups = 0;
    if (!m.u32(12, groups) || !m.has(16, (size_t)groups * 12)) return false;
    size_t low = 0, high = groups;
    while (low < high) {
        const size_t mid = low + ((high - low) >> 1);
        uint32_t first = 0, last = 0, start = 0;
        m.u32(16 + mid * 12, first);
        m.u32(16 + mid * 12 + 4, last);
        if (cp < first) high = mid;
        else if (cp > last) low = mid + 1;
        else {
            m.u32(16 + mid * 12 + 8, start);
            glyph = format == 12 ? start + (cp - first) : start;
            return true;
        }
    }
    return true;
}

// The glyph the rasteriser finds for a codepoint; false when finding it would read outside the file
// or the format is one it cannot read.
bool lookupGlyph(const Span& m, uint32_t cp, uint32_t& glyph) {
    glyph = 0;
    uint32_t format = 0;
    if (!m.u16(0, format)) return false;
    switch (format) {
        case 0: {
            uint32_t bytes = 0;
            if (!m.u16(2, bytes)) return false;
            if (bytes < 6 || cp >= bytes - 6) return true;
            return m.u8(6 + cp, glyph);
        }
        case 4: return lookupSegmented(m, cp, glyph);
        case 6: {
            uint32_t first = 0, count = 0;
            if (!m.u16(6, first) || !m.u16(8, count)) return false;
            if (cp < first || cp >= first + count) return true;
            return m.u16(10 + (cp - first) * 2, glyph);
        }
        case 12:
        case 13: return lookupGroups(m, format, cp, glyph);
        default: return false;
    }
}

bool outlineSpan(const Font& f, uint32_t g, Span& out) {
    uint32_t a = 0, b = 0;
    if (f.longOffsets) {
        f.loca.u32((size_t)g * 4, a);
        f.loca.u32((size_t)g * 4 + 4, b);
    } else {
        f.loca.u16((size_t)g * 2, a);
        f.loca.u16((size_t)g * 2 + 2, b);
        a *= 2;
        b *= 2;
    }
    out = f.glyf.sub(a, b - a);  // readMetrics made sure a <= b <= glyf size
    return true;
}

// A simple outline: contour ends, instructions, flags and both coordinate arrays inside the glyph.
bool simpleOutlineFits(const Span& o, uint32_t contours) {
    size_t p = 10;
    uint32_t previousEnd = 0;
    for (uint32_t c = 0; c < contours; ++c) {
        uint32_t end = 0;
        if (!o.u16(p, end)) return false;
        if (c > 0 && end <= previousEnd) return false;
        previousEnd = end;
        p += 2;
    }
    uint32_t instructions = 0;
    if (!o.u16(p, instructions)) return false;
    p += 2 + instructions;
    const uint32_t points = previousEnd + 1;

    // Flags, with repeats; the coordinate sizes follow from them
    size_t xBytes = 0, yBytes = 0;
    uint32_t flags = 0, repeat = 0;
    for (uint32_t i = 0; i < points; ++i) {
        if (repeat == 0) {
            if (!o.u8(p++, flags)) return false;
            if (flags & kRepeatFlag) {
                if (!o.u8(p++, repeat)) return false;
            }
        } else {
            --repeat;
        }
        xBytes += (flags & kXShort) ? 1 : ((flags & kXSameOrPositive) ? 0 : 2);
        yBytes += (flags & kYShort) ? 1 : ((flags & kYSameOrPositive) ? 0 : 2);
    }
    return o.has(p, xBytes + yBytes);
}

bool outlineFits(const Font& f, uint32_t g, int depth);

// A composite outline: every component inside the glyph, placed by offsets, naming a real glyph
// that itself fits.
bool compositeOutlineFits(const Font& f, const Span& o, int depth) {
    size_t p = 10;
    uint32_t flags = 0;
    do {
        uint32_t component = 0;
        if (!o.u16(p, flags) || !o.u16(p + 2, component)) return false;
        // The rasteriser reads the index as signed and only handles offset placement
        if (component >= 0x8000 || !(flags & kArgsAreXyValues)) return false;
        p += 4 + ((flags & kArgsAreWords) ? 4 : 2);
        if (flags & kHaveScale) p += 2;
        else if (flags & kHaveXyScale) p += 4;
        else if (flags & kHaveTwoByTwo) p += 8;
        if (!o.has(0, p)) return false;
        if (!outlineFits(f, component, depth + 1)) return false;
    } while (flags & kMoreComponents);
    return true;
}

bool outlineFits(const Font& f, uint32_t g, int depth) {
    if (g >= f.numGlyphs || depth > kMaxCompositeDepth) return false;
    Span o;
    outlineSpan(f, g, o);
    if (o.size == 0) return true;  // No outline: an empty glyph such as the space
    int32_t contours = 0, xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    if (!o.s16(0, contours) || !o.s16(2, xMin) || !o.s16(4, yMin) || !o.s16(6, xMax) || !o.s16(8, yMax)) return false;
    const int32_t limit = kMaxGlyphBoxInLines * f.lineHeight;
    if (xMax < xMin || yMax < yMin || xMax - xMin > limit || yMax - yMin > limit) return false;
    if (contours == 0) return true;
    if (contours > 0) return simpleOutlineFits(o, (uint32_t)contours);
    return compositeOutlineFits(f, o, depth);
}

}  // namespace

bool fontFileIsSound(const unsigned char* data, size_t size, const int* codepoints, int codepointCount) {
    if (data == nullptr || size < kOffsetTableSize) return false;
    Font f;
    f.file = Span{data, size};
    if (!readDirectory(f) || !readMetrics(f) || !findCharMap(f)) return false;
    // The missing-glyph outline is drawn for codepoints the font lacks
    if (!outlineFits(f, 0, 0)) return false;
    for (int i = 0; i < codepointCount; ++i) {
        uint32_t glyph = 0;
        if (codepoints[i] < 0 || !lookupGlyph(f.charMap, (uint32_t)codepoints[i], glyph)) return false;
        if (!outlineFits(f, glyph, 0)) return false;
    }
    return true;
}
