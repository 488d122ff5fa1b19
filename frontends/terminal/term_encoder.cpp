#include "frontends/terminal/term_encoder.h"

#include <cstring>  // Required for: memcpy(), strlen()

namespace {

constexpr char kSyncBegin[] = "\x1b[?2026h";
constexpr char kSyncEnd[] = "\x1b[?2026l";
constexpr size_t kSyncBeginLength = sizeof(kSyncBegin) - 1;
constexpr size_t kSyncEndLength = sizeof(kSyncEnd) - 1;

// The most one cell can take: a cursor move (ESC [ 5 digits ; 5 digits H = 14), both colours
// (ESC [ 38;2;255;255;255;48;2;255;255;255 m = 36) and a 4-byte glyph.
constexpr size_t kMostBytesPerCell = 64;
constexpr int kLargestPosition = 99999;
constexpr uint32_t kFullBlock = 0x2588;  // Cursor positions are written with at most five digits
constexpr int kLongestGapFill = 3;       // Unchanged cells rewritten at most, instead of a move of 3 or 4 bytes
const uint32_t kShades[] = {32, 0x2591, 0x2592, 0x2593, 0x2588};  // A blank cell's background without colour
constexpr int kShadeStep = 52;           // Brightness per shade: the show's dark backgrounds stay blank

// "0".."255" and their lengths, so a colour channel is a table look-up, not a division chain. Each
// text is padded to four bytes so that it goes out as one store; the cell budget leaves room for
// the padding past the end.
struct ByteText {
    char text[4];
    unsigned char length;
};

struct ByteTextTable {
    ByteText entries[256];
    ByteTextTable() : entries() {
        for (int v = 0; v < 256; ++v) {
            ByteText& e = entries[v];
            e.length = (unsigned char)(v >= 100 ? 3 : (v >= 10 ? 2 : 1));
            int rest = v;
            for (int i = e.length - 1; i >= 0; --i) {
                e.text[i] = (char)('0' + rest % 10);
                rest /= 10;
            }
        }
    }
};
const ByteTextTable kByteTexts;

// The channel's digits and then `after`.
char* putByte(char* p, unsigned v, char after) {
    const ByteText& e = kByteTexts.entries[v & 0xFFu];
    memcpy(p, e.text, 4);
    p += e.length;
    *p = after;
    return p + 1;
}

char* putNumber(char* p, int v) {
    if (v < 0) v = 0;
    if (v > kLargestPosition) v = kLargestPosition;
    char digits[5];
    int n = 0;
    do {
        digits[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

char* putText(char* p, const char* text, size_t length) {
    memcpy(p, text, length);
    return p + length;
}

char* putRgb(char* p, uint32_t rgb, char after) {
    p = putByte(p, rgb >> 16, ';');
    p = putByte(p, rgb >> 8, ';');
    return putByte(p, rgb, after);
}

// Only the colours that are not in force: ESC [ 38;2;r;g;b m, ESC [ 48;2;r;g;b m, or both in one.
char* putRgbColours(char* p, bool setFg, uint32_t fg, bool setBg, uint32_t bg) {
    if (setFg) {
        p = putText(p, "\x1b[38;2;", 7);
        p = putRgb(p, fg, setBg ? ';' : 'm');
        if (!setBg) return p;
        return putRgb(putText(p, "48;2;", 5), bg, 'm');
    }
    return putRgb(putText(p, "\x1b[48;2;", 7), bg, 'm');
}

// ESC [ 38;5;n m, ESC [ 48;5;n m, or both in one.
char* putPaletteColours(char* p, bool setFg, uint32_t fg, bool setBg, uint32_t bg) {
    p = putText(p, "\x1b[", 2);
    if (setFg) p = putByte(putText(p, "38;5;", 5), fg, setBg ? ';' : 'm');
    if (setBg) p = putByte(putText(p, "48;5;", 5), bg, 'm');
    return p;
}

// ESC [ 30..37 or 90..97 ; 40..47 or 100..107 m. The Linux console takes a bright glyph colour as
// bold too, which then brightens the dark colours after it: a dark one after a bright (or an
// unknown) one first sets normal intensity (22), which other terminals take as a no-op here.
char* putSixteenColours(char* p, bool setFg, uint32_t fg, uint32_t fgBefore, bool setBg, uint32_t bg) {
    p = putText(p, "\x1b[", 2);
    if (setFg) {
        if (fg < 8 && fgBefore >= 8) p = putText(p, "22;", 3);
        p = putByte(p, fg < 8 ? 30 + fg : 90 + fg - 8, setBg ? ';' : 'm');
    }
    if (setBg) p = putByte(p, bg < 8 ? 40 + bg : 100 + bg - 8, 'm');
    return p;
}

char* putColours(char* p, ColourMode mode, bool setFg, uint32_t fg, uint32_t fgBefore, bool setBg, uint32_t bg) {
    switch (mode) {
        case ColourMode::Palette256: return putPaletteColours(p, setFg, fg, setBg, bg);
        case ColourMode::Palette16: return putSixteenColours(p, setFg, fg, fgBefore, setBg, bg);
        case ColourMode::TrueColour: return putRgbColours(p, setFg, fg, setBg, bg);
        case ColourMode::None: break;
    }
    return p;
}

int digitCount(int v) { return v >= 10000 ? 5 : v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1; }

// The shortest way from where the cursor is to (x, y), which it is not at.
char* putCursorMove(char* p, int cursorX, int cursorY, int x, int y) {
    if (cursorY == y && cursorX >= 0 && cursorX < x) {
        p = putText(p, "\x1b[", 2);
        if (x - cursorX > 1) p = putNumber(p, x - cursorX);
        *p++ = 'C';
        return p;
    }
    // Another row: always an absolute move. A line feed would be shorter, but it scrolls the screen
    // when a terminal's idea of the bottom margin differs from ours; a position never scrolls.
    p = putText(p, "\x1b[", 2);
    if (x > 0 || y > 0) {
        p = putNumber(p, y + 1);
        if (x > 0) {
            *p++ = ';';
            p = putNumber(p, x + 1);
        }
    }
    *p++ = 'H';
    return p;
}

char asciiStandIn(uint32_t codepoint) {
    switch (codepoint) {
        case 0x2591: return ':';  // Light shade
        case 0x2592: return '*';  // Medium shade
        case 0x2593: return '%';  // Dark shade
        case 0x2588: return '@';  // Full block
        case 0x2580: case 0x2584: case 0x258C: case 0x2590: return '#';  // Half blocks
        default: return '?';
    }
}

// Codepoints that every terminal draws one cell wide: Latin-1 letters and the arrows, maths, box
// drawing, block and shape glyphs. Anything else could be wide or combining and shift the row.
bool singleWidth(uint32_t codepoint) {
    return (codepoint >= 0xA0 && codepoint <= 0x2FF) || (codepoint >= 0x2190 && codepoint <= 0x25FF);
}

// Cells that look like a plain background become one: a full block is its glyph colour over the
// whole cell, and a glyph in its background's colour shows nothing. Both then need no glyph colour.
TermCell canonical(const TermCell& c, bool utf8) {
    if (c.codepoint == kFullBlock && utf8) return TermCell{32, c.fg, c.fg};
    if (c.fg == c.bg) return TermCell{32, c.fg, c.bg};
    return c;
}

bool isAscii(uint32_t codepoint) { return codepoint >= 32 && codepoint < 127; }

void ensureRoom(OutputBuffer& out, size_t more) {
    if (out.bytes.size() < out.size + more) out.bytes.resize(out.size + more);
}

}  // namespace


int glyphBytes(uint32_t codepoint, bool utf8, char out[4]) {
    if (codepoint < 32 || codepoint == 127) {
        out[0] = ' ';
        return 1;
    }
    if (codepoint < 127) {
        out[0] = (char)codepoint;
        return 1;
    }
    if (codepoint < 0xA0) {  // C1 controls
        out[0] = ' ';
        return 1;
    }
    if (!utf8 || !singleWidth(codepoint)) {
        out[0] = utf8 ? '?' : asciiStandIn(codepoint);
        return 1;
    }
    if (codepoint < 0x800) {
        out[0] = (char)(0xC0 | (codepoint >> 6));
        out[1] = (char)(0x80 | (codepoint & 0x3F));
        return 2;
    }
    out[0] = (char)(0xE0 | (codepoint >> 12));
    out[1] = (char)(0x80 | ((codepoint >> 6) & 0x3F));
    out[2] = (char)(0x80 | (codepoint & 0x3F));
    return 3;
}

uint32_t paletteEntry(PaletteCache& cache, ColourMode mode, uint32_t rgb) {
    if (cache.mode != mode || cache.rgb.empty()) {
        cache.mode = mode;
        cache.rgb.assign(PaletteCache::kSlots, kUnknownColour);
        cache.entry.assign(PaletteCache::kSlots, 0);
    }
    const size_t slot = (size_t)((rgb * 2654435761u) >> 20) % PaletteCache::kSlots;  // Fibonacci hashing
    if (cache.rgb[slot] != rgb) {
        cache.rgb[slot] = rgb;
        cache.entry[slot] = (unsigned char)(mode == ColourMode::Palette256 ? nearest256(rgb) : nearest16(rgb));
    }
    return cache.entry[slot];
}

TermCell terminalLook(const TermCell& cell, ColourMode mode, bool utf8, PaletteCache& palette) {
    TermCell c = canonical(cell, utf8);
    switch (mode) {
        case ColourMode::TrueColour: return c;
        case ColourMode::None: {
            if (c.codepoint != 32) return TermCell{c.codepoint, 0, 0};
            const int shade = luminance(c.bg) / kShadeStep;
            return TermCell{kShades[shade < 4 ? shade : 4], 0, 0};
        }
        case ColourMode::Palette256:
        case ColourMode::Palette16: break;
    }
    c.bg = paletteEntry(palette, mode, c.bg);
    c.fg = c.codepoint == 32 ? c.bg : paletteEntry(palette, mode, c.fg);
    if (c.fg == c.bg) c.codepoint = 32;  // The glyph has vanished into its background
    return c;
}

void resetEncoder(TermEncoder& enc, int cols, int rows, bool utf8) {
    enc.cols = cols > 0 ? cols : 0;
    enc.rows = rows > 0 ? rows : 0;
    enc.utf8 = utf8;
    enc.shown.assign((size_t)enc.cols * (size_t)enc.rows, TermCell{});
    enc.row.assign((size_t)enc.cols, TermCell{});
    forgetScreen(enc);
}

void forgetScreen(TermEncoder& enc) {
    for (TermCell& c : enc.shown) c = TermCell{kUnknownGlyph, kUnknownColour, kUnknownColour};
    enc.cursorX = -1;
    enc.cursorY = -1;
    enc.fg = kUnknownColour;
    enc.bg = kUnknownColour;
}

EncodeCounts encodeFrame(TermEncoder& enc, const TermCell* next, OutputBuffer& out) {
    EncodeCounts counts;
    counts.cellsTotal = enc.cols * enc.rows;
    const size_t start = out.size;
    ensureRoom(out, kSyncBeginLength + kSyncEndLength + (size_t)counts.cellsTotal * kMostBytesPerCell);
    char* const begin = out.bytes.data() + out.size;
    char* p = putText(begin, kSyncBegin, kSyncBeginLength);

    // Kept in locals: stores through the byte pointer would otherwise make the compiler reload them
    const int cols = enc.cols, rows = enc.rows;
    const bool utf8 = enc.utf8, repeat = enc.repeat;
    const ColourMode mode = enc.colours;
    const bool colourless = mode == ColourMode::None;
    int cursorX = enc.cursorX, cursorY = enc.cursorY;
    uint32_t fg = enc.fg, bg = enc.bg;
    int written = 0;
    TermCell* const look = enc.row.data();
    // A cell that needs no colour escape where it is written
    auto inForce = [&](const TermCell& c) { return colourless || (c.bg == bg && (c.codepoint == 32 || c.fg == fg)); };
    for (int y = 0; y < rows; ++y) {
        TermCell* const shownRow = enc.shown.data() + (size_t)y * (size_t)cols;
        const TermCell* const nextRow = next + (size_t)y * (size_t)cols;
        // In 24-bit a cell's look is cheap to find again; otherwise the row's looks are found once
        const bool direct = mode == ColourMode::TrueColour;
        if (!direct) {
            for (int x = 0; x < cols; ++x) look[x] = terminalLook(nextRow[x], mode, utf8, enc.palette);
        }
        auto lookAt = [&](int x) { return direct ? canonical(nextRow[x], utf8) : look[x]; };
        for (int x = 0; x < cols; ++x) {
            const TermCell c = lookAt(x);
            if (sameLook(c, shownRow[x])) continue;

            if (cursorX != x || cursorY != y) {
                // A short gap of unchanged ASCII cells in the colours in force is cheaper written again
                bool fill = cursorY == y && cursorX >= 0 && cursorX < x && x - cursorX <= kLongestGapFill;
                for (int k = cursorX; fill && k < x; ++k) fill = isAscii(lookAt(k).codepoint) && inForce(lookAt(k));
                if (fill) {
                    for (int k = cursorX; k < x; ++k) *p++ = (char)lookAt(k).codepoint;
                } else {
                    p = putCursorMove(p, cursorX, cursorY, x, y);
                }
            }
            const bool setFg = !colourless && c.codepoint != 32 && c.fg != fg;
            const bool setBg = !colourless && c.bg != bg;
            if (setFg || setBg) p = putColours(p, mode, setFg, c.fg, fg, setBg, c.bg);
            if (setFg) fg = c.fg;
            if (setBg) bg = c.bg;
            shownRow[x] = c;
            ++written;
            if (isAscii(c.codepoint)) {
                *p++ = (char)c.codepoint;
            } else {
                char glyph[4];
                const int n = glyphBytes(c.codepoint, utf8, glyph);
                p = putText(p, glyph, (size_t)n);
            }
            // A run of the same ASCII cell, up to its last changed one, as one repeat where that is shorter
            if (repeat && isAscii(c.codepoint)) {
                int end = x + 1, lastChanged = x;
                for (; end < cols && sameLook(lookAt(end), c); ++end) {
                    if (!sameLook(lookAt(end), shownRow[end])) lastChanged = end;
                }
                const int count = lastChanged - x;
                if (count > 3 + digitCount(count)) {
                    p = putText(p, "\x1b[", 2);
                    p = putNumber(p, count);
                    *p++ = 'b';
                    for (int k = x + 1; k <= lastChanged; ++k) {
                        written += sameLook(lookAt(k), shownRow[k]) ? 0 : 1;
                        shownRow[k] = c;
                    }
                    x = lastChanged;
                }
            }
            cursorX = x + 1;  // At the last column the cursor stays put (no wrap): cols marks that
            cursorY = y;
        }
    }
    enc.cursorX = cursorX;
    enc.cursorY = cursorY;
    enc.fg = fg;
    enc.bg = bg;
    counts.cellsWritten = written;

    if (counts.cellsWritten == 0) return counts;  // Nothing changed: not even the frame markers
    p = putText(p, kSyncEnd, kSyncEndLength);
    out.size = (size_t)(p - out.bytes.data());
    counts.bytes = out.size - start;
    return counts;
}

size_t plainFrameBytes(const TermCell* cells, int cols, int rows, bool utf8) {
    size_t total = 0;
    char scratch[64];
    for (int y = 0; y < rows; ++y) {
        char* p = scratch;
        p = putText(p, "\x1b[", 2);
        p = putNumber(p, y + 1);
        *p++ = 'H';
        total += (size_t)(p - scratch);
        for (int x = 0; x < cols; ++x) {
            const TermCell& c = cells[(size_t)y * (size_t)cols + (size_t)x];
            char glyph[4];
            total += (size_t)(putRgbColours(scratch, true, c.fg, true, c.bg) - scratch);
            total += (size_t)glyphBytes(c.codepoint, utf8, glyph);
        }
    }
    return total;
}

void appendBytes(OutputBuffer& out, const char* text, size_t length) {
    ensureRoom(out, length);
    memcpy(out.bytes.data() + out.size, text, length);
    out.size += length;
}

void appendTitle(OutputBuffer& out, const char* title) {
    appendBytes(out, "\x1b]2;", 4);
    for (const char* c = title; c != nullptr && *c != '\0'; ++c) {
        if (*c >= 32 && *c < 127) appendBytes(out, c, 1);
    }
    appendBytes(out, "\x07", 1);
}
