// davur_evi_term's command line and the figures --stats prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/term/term_options.h"
#include "tools/term/term_stats.h"

namespace {

bool parse(std::vector<const char*> args, TermOptions& o, std::string& error) {
    args.insert(args.begin(), "davur_evi_term");
    return parseTermOptions((int)args.size(), args.data(), o, error);
}

}  // namespace

TEST(TermOptions, GoodAndBadCommandLines) {
    struct Good {
        std::vector<const char*> args;
        int fps;
        bool stats, help;
    };
    const std::vector<Good> good = {
        {{}, 60, false, false},
        {{"--fps", "30"}, 30, false, false},
        {{"--fps=60", "--stats"}, 60, true, false},
        {{"--stats", "--fps", "30", "--help"}, 30, true, true},
    };
    for (const Good& g : good) {
        TermOptions o;
        std::string error;
        ASSERT_TRUE(parse(g.args, o, error)) << error;
        EXPECT_EQ(o.fps, g.fps);
        EXPECT_EQ(o.stats, g.stats);
        EXPECT_EQ(o.help, g.help);
    }
    const std::vector<std::vector<const char*>> bad = {
        {"--fps"}, {"--fps", "45"}, {"--fps=", "30"}, {"--fps", "60x"}, {"--stat"}, {"stats"}, {"-x"},
    };
    for (const auto& args : bad) {
        TermOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(TermStats, FiguresOfARun) {
    TermStats s;
    s.frames = 300;
    s.dropped = 4;
    s.seconds = 10.0;
    recordRender(s, 0.002);
    recordRender(s, 0.004);
    s.bytes = 1500000;
    s.cellsSeen = 1000;
    s.cellsWritten = 250;
    EXPECT_DOUBLE_EQ(s.renderWorst, 0.004);
    const std::string text = formatStats(s);
    for (const char* part : {"300 in 10.0 s, 30.0 a second (4 dropped)", "mean 3.00 ms, worst 4.00 ms",
                             "1500000, 5000 a frame", "75.0 % of 1000"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    }
    EXPECT_EQ(text.find("less than"), std::string::npos);  // Not measured: not claimed
    s.plainBytes = 6000000;
    EXPECT_NE(formatStats(s).find("5000 a frame (75.0 % less than writing every cell)"), std::string::npos);
    // Nothing run: no division by zero
    EXPECT_NE(formatStats(TermStats{}).find("0.0 a second"), std::string::npos);
}
