// Turns a grid of terminal cells into the bytes that bring a terminal from what it shows to that
// grid, in the colours the terminal has (24-bit, 256, 16 or none): only the cells that look
// different there, a cursor move only where the next changed cell is not the next one, a colour
// escape only where the colour in force differs, runs of one ASCII character as a repeat where the
// terminal has it, the whole frame framed by the synchronised-update mode (DEC private mode 2026)
// so the terminal shows it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frontends/terminal/term_palette.h"

// One terminal cell: a codepoint and 24-bit colours packed as 0xRRGGBB.
struct TermCell {
    uint32_t codepoint = 32;
    uint32_t fg = 0;
    uint32_t bg = 0;
};

constexpr uint32_t kUnknownColour = 0xFFFFFFFFu;   // No colour is known to be in force
constexpr uint32_t kUnknownGlyph = 0xFFFFFFFFu;    // A shown cell whose content is not known

inline uint32_t packRgb(unsigned char r, unsigned char g, unsigned char b) {
    return ((uint32_t)r << 16) | ((uint32_t)g << 8) | (uint32_t)b;
}

// Two cells look the same: the same glyph on the same background, and the same glyph colour unless
// the glyph is a space, whose colour shows nowhere.
inline bool sameLook(const TermCell& a, const TermCell& b) {
    return a.codepoint == b.codepoint && a.bg == b.bg && (a.codepoint == 32 || a.fg == b.fg);
}

// Bytes of one frame, built in place; the storage only grows, so steady frames allocate nothing.
struct OutputBuffer {
    std::vector<char> bytes;
    size_t size = 0;
};

// Palette entries found lately, by colour: a frame has far fewer colours than cells, and the next
// frame mostly the same ones.
struct PaletteCache {
    static constexpr int kSlots = 4096;
    ColourMode mode = ColourMode::TrueColour;  // The entries are this mode's
    std::vector<uint32_t> rgb;                 // kUnknownColour: an empty slot
    std::vector<unsigned char> entry;
};

// The palette entry of the mode nearest to a colour, through the cache.
uint32_t paletteEntry(PaletteCache& cache, ColourMode mode, uint32_t rgb);

// What the encoder knows of the terminal: what it can show, the cells it shows, where the cursor is,
// which colours are in force.
struct TermEncoder {
    int cols = 0;
    int rows = 0;
    bool utf8 = true;           // Otherwise every glyph is written as ASCII
    ColourMode colours = ColourMode::TrueColour;  // Kept by resetEncoder
    bool repeat = false;        // The terminal repeats the last ASCII character (ESC [ n b); kept by resetEncoder
    std::vector<TermCell> shown;  // As the terminal shows them: colours as palette entries outside 24-bit
    std::vector<TermCell> row;    // Scratch: the row being encoded, as it is to look
    PaletteCache palette;
    int cursorX = -1;           // -1: unknown; cols: just past the last column of cursorY
    int cursorY = -1;
    uint32_t fg = kUnknownColour;
    uint32_t bg = kUnknownColour;
};

struct EncodeCounts {
    size_t bytes = 0;     // Appended to the buffer
    int cellsWritten = 0;
    int cellsTotal = 0;
};

// A grid of this size whose cells, cursor and colours are all unknown: the next frame writes every cell.
void resetEncoder(TermEncoder& enc, int cols, int rows, bool utf8);

// Forgets what the terminal shows (after a resize or anything else that may have disturbed it).
void forgetScreen(TermEncoder& enc);

// How a cell looks on a terminal of that colour mode: a full block (in UTF-8) and a glyph in its
// own background's colour (once both are palette entries) are a space on that colour; the colours
// are palette entries in 256 and 16 colours; without colour both are 0 and a blank cell shows its
// background as a shade of its brightness.
TermCell terminalLook(const TermCell& cell, ColourMode mode, bool utf8, PaletteCache& palette);

// Appends the bytes that turn the shown grid into `next` (cols * rows cells, row-major) and records
// how `next` looks as shown. A frame with nothing to change appends nothing. Up to three unchanged
// ASCII cells in the colours in force are written again where that is shorter than moving past them.
EncodeCounts encodeFrame(TermEncoder& enc, const TermCell* next, OutputBuffer& out);

// What a glyph becomes on the terminal, as UTF-8 or, without UTF-8, as ASCII; control characters
// are blanks and glyphs that may not be one cell wide are '?'. Returns the byte count (1..4).
int glyphBytes(uint32_t codepoint, bool utf8, char out[4]);

// Bytes of one frame that writes every cell with both its colours in 24-bit, one cursor move a
// row: what the encoder saves is measured against this.
size_t plainFrameBytes(const TermCell* cells, int cols, int rows, bool utf8);

// Sequences that take the terminal into the show (alternate screen, cursor hidden, no line wrap,
// title saved) and back out of it (synchronised update ended, attributes reset, wrap on, cursor
// shown, title restored, alternate screen left).
inline constexpr char kEnterSequence[] = "\x1b[22;0t\x1b[?1049h\x1b[?25l\x1b[?7l\x1b[0m\x1b[2J\x1b[H";
inline constexpr char kLeaveSequence[] = "\x1b[?2026l\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l\x1b[23;0t";

// Appends text to the buffer.
void appendBytes(OutputBuffer& out, const char* text, size_t length);
// The window title escape for `title` (printable ASCII kept, anything else dropped).
void appendTitle(OutputBuffer& out, const char* title);
