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
    Screen(int c, int r, TermCell fill = {'.', kGrey, kNavy}, bool utf8 = true,
           ColourMode mode = ColourMode::TrueColour, bool repeat = false)
        : cols(c), cells((size_t)(c * r), fill) {
        enc.colours = mode;
        enc.repeat = repeat;
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
        // Up to three unchanged ASCII cells in the colours in force are written again, not moved over
        {{{1, 1}, {3, 1}}, "\x1b[2;2HX.X"}, {{{1, 1}, {5, 1}}, "\x1b[2;2HX...X"}, {{{0, 1}, {7, 1}}, "\x1b[2HX\x1b[6CX"},
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

TEST(TermEncoder, AGapIsWrittenAgainOnlyWhenThatIsShorterAndLooksTheSame) {
    // A changed cell at 0 and at 4 on row 0 of a row of dots, with the gap's middle cell varied
    const std::vector<std::pair<TermCell, std::string>> gaps = {
        {{'.', kGrey, kNavy}, "X...X"},
        {{'o', kRed, kNavy}, "X\x1b[3CX"},        // Another glyph colour than in force
        {{' ', kRed, kNavy}, "X. .X"},             // A space shows no glyph colour
        {{' ', kGrey, kTeal}, "X\x1b[3CX"},       // Another background
        {{0x2593, kGrey, kNavy}, "X\x1b[3CX"},    // Not ASCII: more bytes than the move
    };
    for (const auto& g : gaps) {
        Screen s(6, 1);
        s.cells[2] = g.first;
        s.encode();
        s.cells[0] = s.cells[4] = {'X', kGrey, kNavy};
        EXPECT_EQ(s.encode(), kBegin + "\x1b[H" + g.second + kEnd) << g.second;
    }
    // The cursor left further right on the same row by the last frame: a move back, never a fill
    Screen s(8, 1);
    s.encode();
    EXPECT_EQ(s.encode(6, 0, {'X', kGrey, kNavy}), kBegin + "\x1b[1;7HX" + kEnd);
    EXPECT_EQ(s.encode(2, 0, {'X', kGrey, kNavy}), kBegin + "\x1b[1;3HX" + kEnd);
}

TEST(TermEncoder, EachColourModeWritesItsOwnSequences) {
    // Red on teal, written on a navy screen of grey dots
    const TermCell red = {'X', kRed, kTeal};
    const struct {
        ColourMode mode;
        std::string screen, cell;
    } modes[] = {
        {ColourMode::TrueColour, kDots, "\x1b[38;2;255;0;0;48;2;0;128;127mX"},
        {ColourMode::Palette256, "\x1b[38;5;250;48;5;232m", "\x1b[38;5;196;48;5;30mX"},
        {ColourMode::Palette16, "\x1b[22;37;40m", "\x1b[91;100mX"},  // Teal's nearest: the bright black
        {ColourMode::None, "", "X"},
    };
    for (const auto& m : modes) {
        Screen s(2, 1, TermCell{'.', kGrey, kNavy}, true, m.mode);
        EXPECT_EQ(s.encode(), kBegin + "\x1b[H" + m.screen + ".." + kEnd) << colourModeName(m.mode);
        EXPECT_EQ(s.encode(1, 0, red), kBegin + "\x1b[1;2H" + m.cell + kEnd) << colourModeName(m.mode);
    }
    // Sixteen colours: a dark glyph colour after a bright one also ends the Linux console's bold
    Screen s(3, 1, TermCell{'.', kGrey, kNavy}, true, ColourMode::Palette16);
    s.encode();
    s.cells[0] = {'a', 0xFFFF00, kNavy};
    s.cells[1] = {'b', 0xCD0000, kNavy};
    s.cells[2] = {'c', 0x0000EE, kNavy};
    EXPECT_EQ(s.encode(), kBegin + "\x1b[H\x1b[93ma\x1b[22;31mb\x1b[34mc" + kEnd);
}

TEST(TermEncoder, ACellWhoseColoursMapToTheSameEntriesIsNotWrittenAgain) {
    const TermCell nearRed = {'X', 0xFA0505, kNavy}, red = {'X', kRed, kNavy}, darkRed = {'X', 0x800000, kNavy};
    for (ColourMode mode : {ColourMode::Palette256, ColourMode::Palette16, ColourMode::None}) {
        Screen s(4, 2, TermCell{'.', kGrey, kNavy}, true, mode);
        s.encode(1, 1, red);
        EXPECT_EQ(s.encode(1, 1, nearRed), "") << colourModeName(mode);
        EXPECT_EQ(s.encode(0, 0, TermCell{'.', 0xBBBBBB, 0x0A0A0A}), "") << colourModeName(mode);
        const std::string changed = s.encode(1, 1, darkRed);
        EXPECT_EQ(changed.empty(), mode == ColourMode::None) << colourModeName(mode);
    }
    Screen s(4, 2);  // In 24-bit every change of colour shows
    s.encode(1, 1, red);
    EXPECT_EQ(s.encode(1, 1, nearRed), kBegin + "\x1b[2;2H\x1b[38;2;250;5;5mX" + kEnd);
    // A glyph whose colour becomes its background's entry vanishes into it
    Screen p(2, 1, TermCell{'.', kGrey, kNavy}, true, ColourMode::Palette256);
    p.encode();
    EXPECT_EQ(p.encode(0, 0, TermCell{'#', 0x0A0A0A, kNavy}), kBegin + "\x1b[H " + kEnd);
}

TEST(TermEncoder, WithoutColourBlankCellsShowTheirBackgroundAsShades) {
    const struct {
        TermCell cell;
        std::string utf8, ascii;
    } cases[] = {
        {{' ', kGrey, kNavy}, " ", " "},                         // The show's dark background stays blank
        {{' ', kGrey, 0x404040}, "\xe2\x96\x91", ":"},          // 64: light shade
        {{' ', kGrey, 0x808080}, "\xe2\x96\x92", "*"},          // 128
        {{' ', kGrey, 0xB0B0B0}, "\xe2\x96\x93", "%"},          // 176
        {{0x2588, 0xFFFFFF, kNavy}, "\xe2\x96\x88", "@"},       // A white full block
        {{'#', 0x808080, 0x808080}, "\xe2\x96\x92", "*"},       // A glyph in its background's colour
        {{'#', kRed, 0xFFFFFF}, "#", "#"},                        // A glyph shows as itself
    };
    for (const auto& c : cases) {
        for (bool utf8 : {true, false}) {
            Screen s(2, 1, TermCell{'.', kGrey, kNavy}, utf8, ColourMode::None);
            s.encode();
            EXPECT_EQ(s.encode(0, 0, c.cell), kBegin + "\x1b[H" + (utf8 ? c.utf8 : c.ascii) + kEnd) << c.utf8;
        }
    }
}

TEST(TermEncoder, RunsOfOneAsciiCellAreRepeatedWhereTheTerminalCan) {
    const TermCell blank = {' ', kGrey, kTeal};
    Screen s(30, 2, TermCell{'.', kGrey, kNavy}, true, ColourMode::TrueColour, true);
    s.encode();
    for (int x = 2; x < 14; ++x) s.cells[(size_t)x] = blank;  // Twelve blanks: one written, eleven repeated
    for (int x = 20; x < 25; ++x) s.cells[(size_t)x] = {'=', kGrey, kNavy};  // Five: repeating four saves nothing
    EXPECT_EQ(s.encode(), kBegin + "\x1b[1;3H\x1b[48;2;0;128;127m \x1b[11b\x1b[6C\x1b[48;2;8;10;15m=====" + kEnd);
    // A run stops at its last changed cell, and may pass over unchanged ones of the same look
    for (int x = 14; x < 20; ++x) s.cells[(size_t)x] = blank;
    s.cells[2] = {'.', kGrey, kNavy};
    EXPECT_EQ(s.encode(), kBegin + "\x1b[1;3H.\x1b[11C\x1b[48;2;0;128;127m \x1b[5b" + kEnd);  // 14..19
    for (int x = 14; x < 19; ++x) s.cells[(size_t)x] = {'.', kGrey, kNavy};
    EXPECT_EQ(s.encode(), kBegin + "\x1b[1;15H\x1b[48;2;8;10;15m....." + kEnd);
    s.cells[2] = blank;  // 3..13 and 19 are blank already: the run ends at 18
    for (int x = 14; x < 19; ++x) s.cells[(size_t)x] = blank;
    EXPECT_EQ(s.encode(), kBegin + "\x1b[1;3H\x1b[48;2;0;128;127m \x1b[16b" + kEnd);
    // Only ASCII is repeated (tmux repeats nothing else); without the terminal's support, nothing
    Screen shade(12, 1, TermCell{'.', kGrey, kNavy}, true, ColourMode::TrueColour, true);
    shade.encode();
    for (int x = 0; x < 12; ++x) shade.cells[(size_t)x] = {0x2592, kGrey, kNavy};
    std::string twelve;
    for (int x = 0; x < 12; ++x) twelve += "\xe2\x96\x92";
    EXPECT_EQ(shade.encode(), kBegin + "\x1b[H" + twelve + kEnd);
    Screen plain(12, 1, TermCell{'.', kGrey, kNavy}, true, ColourMode::TrueColour, false);
    plain.encode();
    for (int x = 0; x < 12; ++x) plain.cells[(size_t)x] = {'a', kGrey, kNavy};
    EXPECT_EQ(plain.encode(), kBegin + "\x1b[H" + std::string(12, 'a') + kEnd);
    plain.enc.repeat = true;
    for (int x = 0; x < 12; ++x) plain.cells[(size_t)x] = {'b', kGrey, kNavy};
    EXPECT_EQ(plain.encode(), kBegin + "\x1b[Hb\x1b[11b" + kEnd);
}
