// What a capture writes besides pictures: the cell dump, the progress line of a long capture, and
// a helper program's failure told with how it ended and the last line it printed.
#include <gtest/gtest.h>

#include <algorithm>  // Required for: std::count()
#include <string>

#include "frontends/capture/cell_dump.h"
#include "frontends/capture/process.h"
#include "frontends/capture/progress.h"

TEST(CellDump, OneLinePerCellRowByRowWithDecimalCodepointAndBothColours) {
    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    fb.setCell(35, 0, 'A', Color{10, 20, 30, 255}, Color{1, 2, 3, 255});
    fb.setCell(35, 13, 0xFFFFFFFFu, Color{70, 80, 90, 255}, Color{7, 8, 9, 4});
    const std::string dump = cellDump(fb);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 36 * 14);
    EXPECT_EQ(dump.substr(0, 35), "0 0 32 190,190,190,255 8,10,15,255\n");  // A cleared cell
    EXPECT_NE(dump.find("\n35 0 65 10,20,30,255 1,2,3,255\n0 1 32 "), std::string::npos);
    EXPECT_EQ(dump.substr(dump.rfind('\n', dump.size() - 2) + 1), "35 13 4294967295 70,80,90,255 7,8,9,4\n");
}

TEST(ProgressLine, FramesPercentAndTimeLeftAndOddCountsStayReadable) {
    EXPECT_EQ(progressLine(1200, 6000, 240.0), "frame 1200/6000 (20%), 4m00s left");
    EXPECT_EQ(progressLine(50, 100, 30.5), "frame 50/100 (50%), 0m31s left");
    EXPECT_EQ(progressLine(1, 7000, 3500.0), "frame 1/7000 (0%), 58m20s left");
    EXPECT_EQ(progressLine(0, 6973, -1.0), "frame 0/6973 (0%)");  // No pace yet: no time left
    // More frames than counted (the timeline ran longer than estimated), none, or no total at all
    EXPECT_EQ(progressLine(120, 100, 10.0), "frame 100/100 (100%), 0m10s left");
    EXPECT_EQ(progressLine(5, 0, 1.0), "frame 1/1 (100%), 0m01s left");
    EXPECT_EQ(progressLine(-3, 10, -1.0), "frame 0/10 (0%)");
}

// The speed is seconds of video made per second of wall-clock time, before the time left
TEST(ProgressLine, SpeedAsAMultipleOfRealTimeStandsBeforeTheTimeLeft) {
    EXPECT_EQ(progressLine(1200, 6000, 240.0, 0.85), "frame 1200/6000 (20%), 0.85x real time, 4m00s left");
    EXPECT_EQ(progressLine(600, 6000, 90.0, 1.0), "frame 600/6000 (10%), 1.00x real time, 1m30s left");
    EXPECT_EQ(progressLine(30, 60, -1.0, 12.346), "frame 30/60 (50%), 12.35x real time");  // No time left yet
    EXPECT_EQ(progressLine(30, 60, 5.0, 0.004), "frame 30/60 (50%), 0.00x real time, 0m05s left");
    EXPECT_EQ(progressLine(30, 60, 5.0, -1.0), "frame 30/60 (50%), 0m05s left");  // Not known: left out
}

TEST(ChildProcess, AFailureIsToldWithItsStatusAndLastLineAndASuccessQuietly) {
    const std::pair<const char*, std::string> cases[] = {  // A script and its error, none for a success
        {"cat >/dev/null; echo fine", ""},
        {"cat >/dev/null; echo first >&2; echo; echo 'the last line' >&2; echo; exit 3",
         "exit status 3: the last line"},
        {"kill -TERM $$", "killed by signal 15"},
        {"head -c 5000 /dev/zero | tr '\\0' x; exit 2", "exit status 2: " + std::string(200, 'x') + "..."},
    };
    for (const auto& c : cases) {
        ChildProcess child;
        ASSERT_TRUE(startWithInput({"/bin/sh", "-c", c.first}, child)) << c.first;
        writeAll(child, "input", 5);  // May fail when the child is gone: that is no crash
        std::string error;
        EXPECT_EQ(finish(child, error), c.second.empty()) << c.first;
        EXPECT_EQ(error, c.second) << c.first;
    }
    ChildProcess missing;
    EXPECT_FALSE(startWithInput({"/nonexistent/ffmpeg"}, missing));
}
