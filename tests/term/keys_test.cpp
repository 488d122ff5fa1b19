// davur_evi_term's input: raw terminal bytes become the show's keys or one of the three ways to
// quit, escape sequences are read whole so that their bytes never act as keys; and its command line.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/frame_loop.h"
#include "frontends/terminal/term_keys.h"
#include "frontends/terminal/term_options.h"

namespace {

std::vector<unsigned> pressesOf(KeyReader& r) { return std::vector<unsigned>(r.pending.begin(), r.pending.end()); }
void feed(KeyReader& r, const std::string& bytes) { feedKeys(r, bytes.data(), bytes.size()); }

const char* lastOf(const std::vector<const char*>& args) { return args.empty() ? "(none)" : args.back(); }

// Parses the arguments after the program's name; true when they were good, as expected, so that
// the options can be looked at. A refusal comes with a message, an acceptance without one.
bool parsedAsExpected(std::vector<const char*> args, bool good, TermOptions& o) {
    args.insert(args.begin(), "davur_evi_term");
    std::string error;
    EXPECT_EQ(parseTermOptions((int)args.size(), args.data(), o, error), good) << args.back();
    EXPECT_EQ(error.empty(), good) << error;
    return good;
}

}  // namespace

TEST(TermKeys, BytesBecomeKeysOrQuit) {
    const std::tuple<std::string, std::vector<unsigned>, bool> cases[] = {  // Bytes, the keys they press, quit
        {" []", {KeySkip, KeyTempoDown, KeyTempoUp}, false},
        {"bBvV", {KeyRestartBeats, KeyRestartBeats, KeyColorBoost, KeyColorBoost}, false},
        {"-=+", {KeySmallerCells, KeyLargerCells, KeyLargerCells}, false},
        {"><pP", {KeyNextFile, KeyPreviousFile, KeyPause, KeyPause}, false},  // As in mpv
        {"\x1b[<0;3;4M>", {KeyNextFile}, false},  // A mouse report's '<' is not the previous file
        {"xyz\r\t1", {}, false},
        {"q", {}, true}, {"Q", {}, true},
        {"\x03", {}, true},                        // Ctrl-C arrives as a byte in raw mode
        {"\x1b\x1b", {}, true},                    // An ESC followed by another stood alone
        {"\x1b[A\x1b[1;5C ", {KeySkip}, false},    // Arrows: the '[' is not the tempo key
        {"\x1b[?2026;2$y]", {KeyTempoUp}, false},  // A terminal's reply
        {"\x1bOP-", {KeySmallerCells}, false},     // F1
        {"\x1b" "b ", {KeySkip}, false},           // Alt-b is not B
    };
    for (const auto& c : cases) {
        KeyReader r;
        feed(r, std::get<0>(c));
        EXPECT_EQ(pressesOf(r), std::get<1>(c)) << std::get<0>(c);
        EXPECT_EQ(r.quit, std::get<2>(c)) << std::get<0>(c);
    }
}

TEST(TermKeys, ALoneEscapeQuitsOnlyWhenNothingFollowsInTimeAndEachFrameTakesEveryKeyOnce) {
    KeyReader split, alone, cut;
    feed(split, "\x1b");
    feed(split, "[B ");  // The rest of an arrow key in the next read
    EXPECT_EQ(pressesOf(split), std::vector<unsigned>{KeySkip});
    feed(alone, "\x1b");
    EXPECT_FALSE(alone.quit);
    escapeTimedOut(alone);
    EXPECT_TRUE(alone.quit);
    feed(cut, "\x1b[12");  // A sequence cut short is dropped, and reading goes on
    escapeTimedOut(cut);
    feed(cut, "]");
    EXPECT_FALSE(cut.quit);
    EXPECT_EQ(pressesOf(cut), std::vector<unsigned>{KeyTempoUp});

    KeyReader r;
    feed(r, "  [-  ");
    for (unsigned keys : {(unsigned)KeySkip, (unsigned)(KeySkip | KeyTempoDown | KeySmallerCells), (unsigned)KeySkip,
                          (unsigned)KeySkip, 0u}) {
        EXPECT_EQ(takeFrameKeys(r), keys);
    }
    feed(r, std::string(1000, 'v'));  // A held key cannot queue without end
    EXPECT_TRUE(r.pending.size() >= 1 && r.pending.size() <= 64) << r.pending.size();
}

// Command lines with what they set (fps, --stats, --help), or -1: refused with an error.
TEST(TermOptions, GoodAndBadCommandLines) {
    const std::pair<std::vector<const char*>, std::tuple<int, bool, bool>> cases[] = {
        {{}, {60, false, false}}, {{"--fps", "30"}, {30, false, false}}, {{"--fps=60", "--stats"}, {60, true, false}},
        {{"--stats", "--fps", "30", "--help"}, {30, true, true}}, {{"--fps"}, {-1, 0, 0}},
        {{"--fps", "45"}, {45, false, false}}, {{"--fps=15"}, {15, false, false}}, {{"--fps", "14"}, {-1, 0, 0}},
        {{"--fps", "61"}, {-1, 0, 0}}, {{"--fps", "+30"}, {-1, 0, 0}}, {{"--fps", " 30"}, {-1, 0, 0}},
        {{"--fps", "-30"}, {-1, 0, 0}}, {{"--fps", "30.5"}, {-1, 0, 0}}, {{"--fps", ""}, {-1, 0, 0}},
        {{"--fps=", "30"}, {-1, 0, 0}}, {{"--fps", "60x"}, {-1, 0, 0}},
        {{"--stat"}, {-1, 0, 0}}, {{"-stats"}, {-1, 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<const char*> args = c.first;
        args.insert(args.begin(), "davur_evi_term");
        TermOptions o;
        std::string error;
        const bool good = std::get<0>(c.second) > 0;
        EXPECT_EQ(parseTermOptions((int)args.size(), args.data(), o, error), good) << args.back();
        EXPECT_EQ(error.empty(), good) << args.back();
        EXPECT_EQ(std::make_tuple(o.fps, o.stats, o.help), good ? c.second : std::make_tuple(o.fps, o.stats, o.help));
        EXPECT_FALSE(o.version) << args.back();
    }
    // --version, alone or among others; a near miss is refused
    TermOptions o;
    std::string error;
    for (const std::vector<const char*>& args : {std::vector<const char*>{"t", "--version"}, {"t", "--stats", "--version"}}) {
        EXPECT_TRUE(parseTermOptions((int)args.size(), args.data(), o, error) && o.version && !o.help);
    }
    const char* nearMiss[] = {"t", "--versions"};
    EXPECT_FALSE(parseTermOptions(2, nearMiss, o, error));
}

// --colors: each mode, given or not, and what is refused.
TEST(TermOptions, ColourModes) {
    const struct {
        std::vector<const char*> args;
        bool good, given;
        ColourMode mode;
    } cases[] = {
        {{}, true, false, ColourMode::TrueColour},
        {{"--colors", "24bit"}, true, true, ColourMode::TrueColour},
        {{"--colors=256"}, true, true, ColourMode::Palette256},
        {{"--colors", "16", "--fps", "30"}, true, true, ColourMode::Palette16},
        {{"--colors", "none"}, true, true, ColourMode::None},
        {{"--colors=none", "--colors", "16"}, true, true, ColourMode::Palette16},  // The last one counts
        {{"--colors"}, false, false, ColourMode::TrueColour},
        {{"--colors", "8"}, false, false, ColourMode::TrueColour},
        {{"--colors", "truecolor"}, false, false, ColourMode::TrueColour},
        {{"--colors="}, false, false, ColourMode::TrueColour},
        {{"--color", "256"}, false, false, ColourMode::TrueColour},
    };
    for (const auto& c : cases) {
        TermOptions o;
        if (!parsedAsExpected(c.args, c.good, o)) continue;
        EXPECT_EQ(o.coloursGiven, c.given) << lastOf(c.args);
        EXPECT_EQ(o.colours, c.mode) << lastOf(c.args);
    }
}

// Files and folders in order, --listen with or without a source, --list-sources; the two ways of
// getting sound exclude each other.
TEST(TermOptions, FilesAndListening) {
    const struct {
        std::vector<const char*> args;
        bool good;
        std::vector<std::string> files;
        bool listen;
        std::string source;
    } cases[] = {
        {{"a.flac", "--fps", "30", "music/", "b.mp3"}, true, {"a.flac", "music/", "b.mp3"}, false, ""},
        {{"--", "--stats", "-x.wav"}, true, {"--stats", "-x.wav"}, false, ""},  // After --, names only
        {{"stats"}, true, {"stats"}, false, ""},
        {{"--listen"}, true, {}, true, ""},
        {{"--listen=alsa_input.usb-mic", "--stats"}, true, {}, true, "alsa_input.usb-mic"},
        {{"--listen="}, false, {}, false, ""},
        {{"--listen", "a.wav"}, false, {}, false, ""},
        {{"a.wav", "--listen=x"}, false, {}, false, ""},
        {{"--listens"}, false, {}, false, ""},
        {{"--listen", "x"}, false, {}, false, ""},  // A source is given with =, a bare word is a file
    };
    for (const auto& c : cases) {
        TermOptions o;
        if (!parsedAsExpected(c.args, c.good, o)) continue;
        EXPECT_EQ(o.files, c.files) << lastOf(c.args);
        EXPECT_EQ(o.listen, c.listen) << lastOf(c.args);
        EXPECT_EQ(o.listenSource, c.source) << lastOf(c.args);
        EXPECT_FALSE(o.listSources);
    }
    const char* list[] = {"t", "--list-sources"};
    TermOptions o;
    std::string error;
    EXPECT_TRUE(parseTermOptions(2, list, o, error) && o.listSources && o.files.empty() && !o.listen);
}
