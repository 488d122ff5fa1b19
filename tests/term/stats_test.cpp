// --stats: the bytes sorted into glyphs, colours, moves, repeats and the rest, and the figures
// printed from them.
#include <gtest/gtest.h>

#include <string>

#include "frontends/terminal/term_encoder.h"
#include "frontends/terminal/term_stats.h"

namespace {

ByteTally tallyOf(const std::string& bytes) {
    ByteTally t;
    tallyBytes(bytes.data(), bytes.size(), t);
    return t;
}

TEST(TermStats, BytesAreSortedByWhatTheyDo) {
    const ByteTally t = tallyOf(std::string("\x1b[?2026h") + "\x1b[2;3H" + "\x1b[38;5;196;48;5;30m" + "ab" +
                                "\xe2\x96\x93" + "\x1b[4C" + "\x1b[12b" + "\x1b]2;davur_evi: cube\x07" + "\x1b[H" +
                                "\x1b[0m" + "\x1b[?2026l");
    EXPECT_EQ(t.glyphs, 5u);                 // a, b and the three bytes of the shade
    EXPECT_EQ(t.colours, 19u + 4u);          // Both colours, then the reset
    EXPECT_EQ(t.moves, 6u + 4u + 3u);        // A position, a forward move, home
    EXPECT_EQ(t.repeats, 5u);
    EXPECT_EQ(t.other, 8u + 20u + 8u);       // The frame markers and the title
    // A sequence cut off at the end of the buffer is counted whole, never read past
    const ByteTally cut = tallyOf("x\x1b[38;2;1");
    EXPECT_EQ(cut.glyphs, 1u);
    EXPECT_EQ(cut.other, 8u);
    EXPECT_EQ(tallyOf("\x1b").other, 1u);
    EXPECT_EQ(tallyOf("\x1b]2;no end").other, 10u);

    // The encoder's own frame adds up to its size
    TermEncoder enc;
    enc.repeat = true;
    resetEncoder(enc, 20, 2, true);
    std::vector<TermCell> cells(40, TermCell{' ', 0xFFFFFF, 0x102030});
    cells[3] = {'#', 0xFF0000, 0x102030};
    OutputBuffer out;
    encodeFrame(enc, cells.data(), out);
    ByteTally frame;
    tallyBytes(out.bytes.data(), out.size, frame);
    EXPECT_EQ(frame.glyphs + frame.colours + frame.moves + frame.repeats + frame.other, out.size);
    EXPECT_GT(frame.repeats, 0u);
    ByteTally sum = frame;
    addTally(sum, frame);
    EXPECT_EQ(sum.colours, 2 * frame.colours);
    EXPECT_EQ(sum.other, 2 * frame.other);
}

TEST(TermStats, TheFiguresIncludeBytesASecondTheirUseAndTheCpuShare) {
    TermStats s;
    s.frames = 600;
    s.seconds = 10.0;
    s.bytes = 6000000;
    s.plainBytes = 24000000;
    s.cellsSeen = 1000;
    s.cellsWritten = 250;
    s.tally.glyphs = 1200000;
    s.tally.colours = 4200000;
    s.tally.moves = 600000;
    s.colours = "256";
    s.cpuSeconds = 0.5;
    const std::string text = formatStats(s);
    EXPECT_NE(text.find("600 in 10.0 s, 60.0 a second"), std::string::npos) << text;
    EXPECT_NE(text.find("6000000, 10000 a frame (75.0 % less than writing every cell), 600000 a second"),
              std::string::npos) << text;
    EXPECT_NE(text.find("2000 glyphs, 7000 colours, 1000 moves, 0 repeats, 0 other bytes; colour: 256"),
              std::string::npos) << text;
    EXPECT_NE(text.find("CPU:           5.0 % of a core (0.5 s)"), std::string::npos) << text;
    EXPECT_NE(text.find("cells elided:  75.0 % of 1000"), std::string::npos) << text;
    // Without the tally or the CPU time, their lines are left out
    s.tally = ByteTally{};
    s.cpuSeconds = -1.0;
    const std::string shorter = formatStats(s);
    EXPECT_EQ(shorter.find("a frame: "), std::string::npos) << shorter;
    EXPECT_EQ(shorter.find("CPU"), std::string::npos) << shorter;
    EXPECT_NE(shorter.find("cells elided"), std::string::npos) << shorter;
    EXPECT_EQ(shorter.find("sound heard"), std::string::npos) << shorter;
    // Listening: the sound received and the connections it came over
    s.soundHeard = 12.34;
    s.soundConnections = 2;
    EXPECT_NE(formatStats(s).find("sound heard:   12.3 s over 2 connections\n"), std::string::npos) << formatStats(s);
    s.soundConnections = 1;
    EXPECT_NE(formatStats(s).find("sound heard:   12.3 s over 1 connection\n"), std::string::npos) << formatStats(s);
}

}  // namespace
