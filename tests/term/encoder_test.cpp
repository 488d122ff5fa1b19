// The terminal encoder: the exact bytes of changed cells, nothing for unchanged ones, colours and
// cursor moves only where they are not already in force, glyphs as UTF-8 or ASCII, and the
// sequences that enter and leave the show's screen.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "frontends/terminal/term_encoder.h"

namespace {

constexpr uint32_t kGrey = 0xBEBEBE, kNavy = 0x080A0F, kRed = 0xFF0000, kTeal = 0x00807F;  // Teal: 0, 128, 127
const std::string kBegin = "\x1b[?2026h", kEnd = "\x1b[?2026l", kDots = "\x1b[38;2;190;190;190;48;2;8;10;15m";

// A screen of cells (grey dots unless told) that the encoder draws one frame at a time.
struct Screen {
    int cols;
    std::vector<TermCell> cells;
    TermEncoder enc;
    Screen(int c, int r, TermCell fill = {'.', kGrey, kNavy}, bool utf8 = true)
        : cols(c), cells((size_t)(c * r), fill) {
        resetEncoder(enc, c, r, utf8);
    }
    std::string encode(int x = -1, int y = 0, TermCell cell = {}) {  // After setting cell (x, y) if one is given
        if (x >= 0) cells[(size_t)(y * cols + x)] = cell;
        OutputBuffer out;
        encodeFrame(enc, cells.data(), out);
        return std::string(out.bytes.data(), out.size);
    }
};

}  // namespace

TEST(TermEncoder, AFrameWritesEveryCellFirstThenOnlyChangesAndAgainAfterTheScreenIsForgotten) {
    Screen s(3, 2);
    const std::string full = kBegin + "\x1b[H" + kDots + "...\x1b[2H..." + kEnd;
    EXPECT_EQ(s.encode(), full);
    EXPECT_EQ(s.encode(), "");  // Not even the frame markers
    forgetScreen(s.enc);
    EXPECT_EQ(s.encode(), full);
    s = Screen(5, 3, TermCell{' ', kGrey, kNavy});  // A space whose unseen glyph colour changes looks the same
    s.encode();
    EXPECT_EQ(s.encode(4, 2, TermCell{' ', kRed, kNavy}), "");
}

TEST(TermEncoder, ChangedCellsGiveExactlyTheirBytesWithColoursAndMovesOnlyWhereNotInForce) {
    const std::vector<std::pair<TermCell, std::string>> cells = {
        {{'X', kGrey, kNavy}, "X"},
        {{'X', kRed, kNavy}, "\x1b[38;2;255;0;0mX"},
        {{'X', kGrey, kTeal}, "\x1b[48;2;0;128;127mX"},
        {{'X', kRed, kTeal}, "\x1b[38;2;255;0;0;48;2;0;128;127mX"},  // Both colours in one escape
        {{' ', kRed, kTeal}, "\x1b[48;2;0;128;127m "},               // A space needs its background only
        {{0x2593, kGrey, kNavy}, "\xe2\x96\x93"},
        {{0x2588, kTeal, kNavy}, "\x1b[48;2;0;128;127m "},  // A full block is its colour as background
        {{'X', kTeal, kTeal}, "\x1b[48;2;0;128;127m "},     // A glyph on its own colour shows nothing
    };
    for (const auto& c : cells) {
        Screen s(4, 3);
        s.encode();
        EXPECT_EQ(s.encode(2, 1, c.first), kBegin + "\x1b[2;3H" + c.second + kEnd) << c.second;
    }
    // Red, red, then a teal background, then red again on the first; a space keeps the red in force
    Screen s(6, 2);
    s.encode();
    const TermCell row[] = {
        {'a', kRed, kNavy}, {'b', kRed, kNavy}, {'c', kRed, kTeal}, {'d', kRed, kNavy}, {' ', kGrey, kNavy}};
    for (int x = 0; x < 5; ++x) s.cells[(size_t)x] = row[x];
    EXPECT_EQ(s.encode(5, 0, {'e', kRed, kNavy}),
              kBegin + "\x1b[H\x1b[38;2;255;0;0mab\x1b[48;2;0;128;127mc\x1b[48;2;8;10;15md e" + kEnd);
    EXPECT_EQ(s.encode(0, 1, {'f', kRed, kNavy}), kBegin + "\x1b[2Hf" + kEnd);  // What the last frame left in force

    const std::vector<std::pair<std::vector<std::pair<int, int>>, std::string>> moves = {
        {{{1, 1}, {2, 1}, {3, 1}}, "\x1b[2;2HXXX"},  // Neighbours share one move
        {{{1, 1}, {3, 1}}, "\x1b[2;2HX\x1b[CX"}, {{{0, 1}, {7, 1}}, "\x1b[2HX\x1b[6CX"},
        {{{9, 0}, {0, 1}}, "\x1b[1;10HX\x1b[2HX"},  // The last column, then the next row's first
        {{{2, 0}, {5, 1}}, "\x1b[1;3HX\x1b[2;6HX"}, {{{0, 0}}, "\x1b[HX"},
    };
    for (const auto& c : moves) {
        Screen grid(10, 4);
        grid.encode();
        for (const auto& xy : c.first) grid.cells[(size_t)(xy.second * 10 + xy.first)] = {'X', kGrey, kNavy};
        EXPECT_EQ(grid.encode(), kBegin + c.second + kEnd) << c.second;
    }
}

TEST(TermEncoder, GlyphsAsUtf8OrAscii) {
    const struct {
        uint32_t codepoint;
        std::string utf8, ascii;
    } cases[] = {
        {'A', "A", "A"}, {'~', "~", "~"},
        {0x2591, "\xe2\x96\x91", ":"}, {0x2592, "\xe2\x96\x92", "*"}, {0x2593, "\xe2\x96\x93", "%"},  // Shades
        {0x2588, "\xe2\x96\x88", "@"}, {0x2580, "\xe2\x96\x80", "#"}, {0x2590, "\xe2\x96\x90", "#"},  // Blocks
        {233, "\xc3\xa9", "?"},  // A byte of putText above 127: Latin-1
        // Control characters, C0 and C1, never reach the terminal
        {10, " ", " "}, {27, " ", " "}, {127, " ", " "}, {0x80, " ", " "}, {0x9B, " ", " "}, {0x9F, " ", " "},
        // Two cells wide, combining (no cell of its own), a surrogate, beyond Unicode
        {0x4E00, "?", "?"}, {0x0301, "?", "?"}, {0xD800, "?", "?"}, {0x110000, "?", "?"},
    };
    for (const auto& c : cases) {
        char out[4];
        EXPECT_EQ(std::string(out, (size_t)glyphBytes(c.codepoint, true, out)), c.utf8) << c.codepoint;
        EXPECT_EQ(std::string(out, (size_t)glyphBytes(c.codepoint, false, out)), c.ascii) << c.codepoint;
    }
    EXPECT_EQ(Screen(2, 1, TermCell{0x2593, kGrey, kNavy}, false).encode(), kBegin + "\x1b[H" + kDots + "%%" + kEnd);
}

// What leaving the show's screen restores is checked on a real terminal by terminal_show.sh.
TEST(TermEncoder, TheTitleKeepsOnlyPrintableAscii) {
    OutputBuffer out;
    appendTitle(out, "davur_evi: cube\x07\x1b]x");
    EXPECT_EQ(std::string(out.bytes.data(), out.size), "\x1b]2;davur_evi: cube]x\x07");
}
