// Raw terminal input: the show's keys, the three ways to quit, and escape sequences read whole so
// that their bytes never act as keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "tools/term/term_keys.h"

namespace {

std::vector<unsigned> pressesOf(KeyReader& r) { return std::vector<unsigned>(r.pending.begin(), r.pending.end()); }

void feed(KeyReader& r, const std::string& bytes) { feedKeys(r, bytes.data(), bytes.size()); }

}  // namespace

TEST(TermKeys, BytesBecomeKeysOrQuit) {
    struct Case {
        std::string bytes;
        std::vector<unsigned> presses;
        bool quit;
    };
    const std::vector<Case> cases = {
        {" []", {KeySkip, KeyTempoDown, KeyTempoUp}, false},
        {"bBvV", {KeyRestartBeats, KeyRestartBeats, KeyColorBoost, KeyColorBoost}, false},
        {"-=+", {KeySmallerCells, KeyLargerCells, KeyLargerCells}, false},
        {"xyz\r\t1", {}, false},
        {"q", {}, true},
        {"Q", {}, true},
        {"\x03", {}, true},                      // Ctrl-C arrives as a byte in raw mode
        {"\x1b\x1b", {}, true},                  // An ESC followed by another stood alone
        {"\x1b[A\x1b[1;5C ", {KeySkip}, false},  // Arrows: the '[' is not the tempo key
        {"\x1b[?2026;2$y]", {KeyTempoUp}, false},  // A terminal's reply
        {"\x1bOP-", {KeySmallerCells}, false},   // F1
        {"\x1b" "b ", {KeySkip}, false},          // Alt-b is not B
    };
    for (const Case& c : cases) {
        KeyReader r;
        feed(r, c.bytes);
        EXPECT_EQ(pressesOf(r), c.presses) << c.bytes;
        EXPECT_EQ(r.quit, c.quit) << c.bytes;
    }
}

TEST(TermKeys, LoneEscapeQuitsOnlyWhenNothingFollowsInTime) {
    KeyReader split;
    feed(split, "\x1b");
    EXPECT_FALSE(split.quit);
    feed(split, "[B ");  // The rest of an arrow key in the next read
    EXPECT_FALSE(split.quit);
    EXPECT_EQ(pressesOf(split), std::vector<unsigned>{KeySkip});

    KeyReader alone;
    feed(alone, "\x1b");
    escapeTimedOut(alone);
    EXPECT_TRUE(alone.quit);

    KeyReader cut;  // A sequence cut short is dropped, and reading goes on
    feed(cut, "\x1b[12");
    escapeTimedOut(cut);
    EXPECT_FALSE(cut.quit);
    feed(cut, "]");
    EXPECT_EQ(pressesOf(cut), std::vector<unsigned>{KeyTempoUp});
}

TEST(TermKeys, EachFrameTakesEveryKeyOnce) {
    KeyReader r;
    feed(r, "  [-  ");
    EXPECT_EQ(takeFrameKeys(r), (unsigned)KeySkip);
    EXPECT_EQ(takeFrameKeys(r), (unsigned)(KeySkip | KeyTempoDown | KeySmallerCells));
    EXPECT_EQ(takeFrameKeys(r), (unsigned)KeySkip);
    EXPECT_EQ(takeFrameKeys(r), (unsigned)KeySkip);
    EXPECT_EQ(takeFrameKeys(r), 0u);

    KeyReader held;  // A held key cannot queue without end
    feed(held, std::string(1000, 'v'));
    EXPECT_LE(held.pending.size(), 64u);
    EXPECT_GE(held.pending.size(), 1u);
}
