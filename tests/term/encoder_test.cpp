// The terminal encoder: the exact bytes of changed cells, nothing for unchanged ones, colours and
// cursor moves only where they are not already in force, glyphs as UTF-8 or ASCII, and the
// sequences that enter and leave the show's screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/term/term_encoder.h"

namespace {

constexpr uint32_t kGrey = 0xBEBEBE;   // 190, 190, 190
constexpr uint32_t kNavy = 0x080A0F;   // 8, 10, 15
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kTeal = 0x00807F;   // 0, 128, 127

const std::string kBegin = "\x1b[?2026h";
const std::string kEnd = "\x1b[?2026l";

struct Screen {
    int cols, rows;
    std::vector<TermCell> cells;
    Screen(int c, int r, TermCell fill) : cols(c), rows(r), cells((size_t)(c * r), fill) {}
    TermCell& at(int x, int y) { return cells[(size_t)(y * cols + x)]; }
};

std::string encode(TermEncoder& enc, const Screen& s, EncodeCounts* counts = nullptr) {
    OutputBuffer out;
    const EncodeCounts c = encodeFrame(enc, s.cells.data(), out);
    if (counts != nullptr) *counts = c;
    return std::string(out.bytes.data(), out.size);
}

// An encoder that has drawn `s` once: the terminal shows it, the cursor sits after the last cell
// and the last cell's colours are in force.
TermEncoder primed(const Screen& s, bool utf8 = true) {
    TermEncoder enc;
    resetEncoder(enc, s.cols, s.rows, utf8);
    encode(enc, s);
    return enc;
}

const TermCell kDot = {'.', kGrey, kNavy};

}  // namespace

TEST(TermEncoder, FirstFrameWritesEveryCellWithOneColourEscape) {
    Screen s(3, 2, kDot);
    TermEncoder enc;
    resetEncoder(enc, 3, 2, true);
    EncodeCounts counts;
    EXPECT_EQ(encode(enc, s, &counts),
              kBegin + "\x1b[H\x1b[38;2;190;190;190;48;2;8;10;15m...\x1b[2H..." + kEnd);
    EXPECT_EQ(counts.cellsWritten, 6);
    EXPECT_EQ(counts.cellsTotal, 6);
}

TEST(TermEncoder, OneChangedCellGivesExactlyItsBytes) {
    struct Case {
        const char* what;
        TermCell cell;
        std::string bytes;  // Between the frame markers
    };
    const std::vector<Case> cases = {
        {"same colours: move and glyph", {'X', kGrey, kNavy}, "\x1b[2;3HX"},
        {"new glyph colour", {'X', kRed, kNavy}, "\x1b[2;3H\x1b[38;2;255;0;0mX"},
        {"new background", {'X', kGrey, kTeal}, "\x1b[2;3H\x1b[48;2;0;128;127mX"},
        {"both colours in one escape", {'X', kRed, kTeal}, "\x1b[2;3H\x1b[38;2;255;0;0;48;2;0;128;127mX"},
        {"a space needs its background only", {' ', kRed, kTeal}, "\x1b[2;3H\x1b[48;2;0;128;127m "},
        {"a shade glyph in UTF-8", {0x2593, kGrey, kNavy}, "\x1b[2;3H\xe2\x96\x93"},
        {"a full block is its colour as background", {0x2588, kTeal, kNavy}, "\x1b[2;3H\x1b[48;2;0;128;127m "},
        {"a glyph on its own colour shows nothing", {'X', kTeal, kTeal}, "\x1b[2;3H\x1b[48;2;0;128;127m "},
    };
    for (const Case& c : cases) {
        Screen s(4, 3, kDot);
        TermEncoder enc = primed(s);
        s.at(2, 1) = c.cell;
        EncodeCounts counts;
        EXPECT_EQ(encode(enc, s, &counts), kBegin + c.bytes + kEnd) << c.what;
        EXPECT_EQ(counts.cellsWritten, 1) << c.what;
    }
}

TEST(TermEncoder, UnchangedCellsGiveNoBytes) {
    Screen s(5, 3, kDot);
    TermEncoder enc = primed(s);
    EXPECT_EQ(encode(enc, s), "");  // Not even the frame markers

    // A space whose unseen glyph colour changes looks the same
    Screen blank(5, 3, TermCell{' ', kGrey, kNavy});
    TermEncoder blankEnc = primed(blank);
    for (TermCell& c : blank.cells) c.fg = kRed;
    EncodeCounts counts;
    EXPECT_EQ(encode(blankEnc, blank, &counts), "");
    EXPECT_EQ(counts.cellsWritten, 0);
    EXPECT_EQ(counts.cellsTotal, 15);
}

TEST(TermEncoder, ColoursInForceAreNotRepeated) {
    Screen s(6, 2, kDot);
    TermEncoder enc = primed(s);
    // Red, red, then teal background, then red again on the first background
    s.at(0, 0) = {'a', kRed, kNavy};
    s.at(1, 0) = {'b', kRed, kNavy};
    s.at(2, 0) = {'c', kRed, kTeal};
    s.at(3, 0) = {'d', kRed, kNavy};
    s.at(4, 0) = {' ', kGrey, kNavy};  // A space keeps the red in force
    s.at(5, 0) = {'e', kRed, kNavy};
    EXPECT_EQ(encode(enc, s), kBegin + "\x1b[H\x1b[38;2;255;0;0mab\x1b[48;2;0;128;127mc\x1b[48;2;8;10;15md e" + kEnd);
    // The next frame starts with what the last one left in force, the cursor included
    s.at(0, 1) = {'f', kRed, kNavy};
    EXPECT_EQ(encode(enc, s), kBegin + "\x1b[2Hf" + kEnd);
}

TEST(TermEncoder, CursorMovesOnlyWhenTheNextChangedCellIsNotTheNext) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> changed;  // Cells given the glyph 'X', in row order
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"neighbours share one move", {{1, 1}, {2, 1}, {3, 1}}, "\x1b[2;2HXXX"},
        {"a one-cell gap", {{1, 1}, {3, 1}}, "\x1b[2;2HX\x1b[CX"},
        {"a longer gap on the row", {{0, 1}, {7, 1}}, "\x1b[2HX\x1b[6CX"},
        {"the last column, then the next row's first", {{9, 0}, {0, 1}}, "\x1b[1;10HX\x1b[2HX"},
        {"the next row, not at its start", {{2, 0}, {5, 1}}, "\x1b[1;3HX\x1b[2;6HX"},
        {"a row further down at its start", {{2, 0}, {0, 3}}, "\x1b[1;3HX\x1b[4HX"},
        {"the origin", {{0, 0}}, "\x1b[HX"},
        {"the far corner", {{9, 3}}, "\x1b[4;10HX"},
    };
    for (const Case& c : cases) {
        Screen s(10, 4, kDot);
        TermEncoder enc = primed(s);
        for (const auto& xy : c.changed) s.at(xy.first, xy.second) = {'X', kGrey, kNavy};
        EXPECT_EQ(encode(enc, s), kBegin + c.bytes + kEnd) << c.what;
    }
}

TEST(TermEncoder, ForgettingTheScreenWritesEveryCellAgain) {
    Screen s(4, 2, kDot);
    TermEncoder enc = primed(s);
    forgetScreen(enc);
    EncodeCounts counts;
    EXPECT_EQ(encode(enc, s, &counts), kBegin + "\x1b[H\x1b[38;2;190;190;190;48;2;8;10;15m....\x1b[2H...." + kEnd);
    EXPECT_EQ(counts.cellsWritten, 8);
    resetEncoder(enc, 2, 2, true);  // Another size
    EXPECT_EQ(enc.shown.size(), 4u);
    EXPECT_EQ(enc.cursorX, -1);
}

TEST(TermEncoder, GlyphsAsUtf8OrAscii) {
    struct Case {
        uint32_t codepoint;
        std::string utf8;
        std::string ascii;
    };
    const std::vector<Case> cases = {
        {'A', "A", "A"},
        {'~', "~", "~"},
        {0x2591, "\xe2\x96\x91", ":"},  // Light shade
        {0x2592, "\xe2\x96\x92", "*"},  // Medium shade
        {0x2593, "\xe2\x96\x93", "%"},  // Dark shade
        {0x2588, "\xe2\x96\x88", "@"},  // Full block
        {0x2580, "\xe2\x96\x80", "#"},  // Upper half block
        {0x2584, "\xe2\x96\x84", "#"},
        {0x258C, "\xe2\x96\x8c", "#"},
        {0x2590, "\xe2\x96\x90", "#"},
        {233, "\xc3\xa9", "?"},         // A byte of putText above 127: Latin-1
        {10, " ", " "},                 // Control characters never reach the terminal
        {27, " ", " "},
        {127, " ", " "},
        {0x9B, " ", " "},               // C1 CSI
        {0x4E00, "?", "?"},             // Two cells wide
        {0x0301, "?", "?"},             // Combining: no cell of its own
        {0xD800, "?", "?"},             // A surrogate is no character
        {0x110000, "?", "?"},
    };
    for (const Case& c : cases) {
        char out[4];
        EXPECT_EQ(std::string(out, (size_t)glyphBytes(c.codepoint, true, out)), c.utf8) << c.codepoint;
        EXPECT_EQ(std::string(out, (size_t)glyphBytes(c.codepoint, false, out)), c.ascii) << c.codepoint;
    }
    // The encoder uses the same choice
    Screen s(2, 1, TermCell{0x2593, kGrey, kNavy});
    TermEncoder ascii;
    resetEncoder(ascii, 2, 1, false);
    EXPECT_EQ(encode(ascii, s), kBegin + "\x1b[H\x1b[38;2;190;190;190;48;2;8;10;15m%%" + kEnd);
}

TEST(TermEncoder, LeavingUndoesEveryModeEnteringSets) {
    const std::string enter = kEnterSequence;
    const std::string leave = kLeaveSequence;
    EXPECT_EQ(leave, "\x1b[?2026l\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l\x1b[23;0t");
    // Each private mode the show changes comes back: alternate screen, cursor, wrap
    for (const char* mode : {"1049", "25", "7"}) {
        const std::string set = std::string("\x1b[?") + mode + "h", reset = std::string("\x1b[?") + mode + "l";
        const bool enterSets = enter.find(set) != std::string::npos;
        const std::string& undo = enterSets ? reset : set;
        EXPECT_NE(leave.find(undo), std::string::npos) << mode;
    }
    EXPECT_NE(enter.find("\x1b[22;0t"), std::string::npos);  // The title saved is the title restored
    // The alternate screen is left last but for the title, after the attributes are reset
    EXPECT_LT(leave.find("\x1b[0m"), leave.find("\x1b[?1049l"));
}

TEST(TermEncoder, PlainFrameCountsEveryCellWithBothColours) {
    Screen s(2, 2, kDot);
    s.at(1, 1) = {0x2588, kRed, kTeal};
    const std::string dot = "\x1b[38;2;190;190;190;48;2;8;10;15m.";
    const std::string block = "\x1b[38;2;255;0;0;48;2;0;128;127m\xe2\x96\x88";
    const size_t expected = (std::string("\x1b[1H") + dot + dot + "\x1b[2H" + dot + block).size();
    EXPECT_EQ(plainFrameBytes(s.cells.data(), 2, 2, true), expected);
}

TEST(TermEncoder, TitleKeepsOnlyPrintableAscii) {
    OutputBuffer out;
    appendTitle(out, "davur_evi: cube\x07\x1b]x");
    EXPECT_EQ(std::string(out.bytes.data(), out.size), "\x1b]2;davur_evi: cube]x\x07");
}
