// The frame loop on the terminal platform, writing into a pipe: the first frame paints every cell
// under the scene's title, an unchanged terminal gets next to nothing, a terminal that has not
// taken the last frame drops the next one, and a resize brings a new grid and a full repaint.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "tools/term/term_platform.h"

namespace {

// The show, silent (no music), on a terminal of this size that is a non-blocking pipe.
struct PipeShow {
    int fds[2] = {-1, -1};
    TermFrontEnd fe;
    Platform p;
    Show show;
    PipeShow(int cols, int rows, int pipeSize = 0) {
        if (pipe(fds) == 0) fcntl(fds[1], F_SETFL, O_NONBLOCK);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        if (pipeSize > 0) fcntl(fds[1], F_SETPIPE_SZ, pipeSize);
        fe.termCols = cols;
        fe.termRows = rows;
        fe.outFd = fds[1];
        fe.clockStart = monotonicSeconds();
        fe.show = &show;
        resetEncoder(fe.encoder, cols, rows, fe.utf8);
        p = termPlatform(fe);
        p.loadMusic = [](void*, MusicTrack&, const char*) { return false; };
        startShow(show, p);
    }
    ~PipeShow() {
        close(fds[0]);
        close(fds[1]);
    }
    std::string frame() {  // Runs one and gives what reached the terminal
        runFrame(show, p);
        return drain();
    }
    std::string drain() const {
        std::string all;
        char chunk[65536];
        for (ssize_t n; (n = read(fds[0], chunk, sizeof(chunk))) > 0;) all.append(chunk, (size_t)n);
        return all;
    }
};

}  // namespace

TEST(TermPlatform, FirstFramePaintsEveryCellThenOnlyChangesAndAResizeRepaintsAll) {
    PipeShow t(80, 24);
    EXPECT_EQ(std::make_pair(t.show.fb->cols, t.show.fb->rows), std::make_pair(56, 17));  // 80 / 1.44, 24 / 1.44
    const std::string first = t.frame();
    EXPECT_EQ(first.rfind("\x1b]2;davur_evi: intro_boot\x07\x1b[?2026h\x1b[H", 0), 0u) << first.substr(0, 60);
    EXPECT_EQ(first.substr(first.size() - 8), "\x1b[?2026l");
    EXPECT_EQ(std::make_tuple(t.fe.stats.cellsWritten, t.fe.stats.frames, t.fe.stats.bytes),
              std::make_tuple(80ull * 24ull, 1ll, (unsigned long long)first.size()));
    const std::string second = t.frame();  // The boot screen barely moves between two frames
    EXPECT_LT(second.size(), first.size() / 10);
    EXPECT_EQ(second.find("\x1b]2;"), std::string::npos);  // The title is set once

    t.show.zoom.zoomLevel = kNativeZoomLevel;
    resizeShow(t.fe, t.show, t.p, 150, 50);
    EXPECT_EQ(std::make_pair(t.show.fb->cols, t.show.fb->rows), std::make_pair(150, 50));
    const unsigned long long before = t.fe.stats.cellsWritten;
    const std::string repaint = t.frame();  // From the origin, row after row, never a line feed that could scroll
    EXPECT_EQ(t.fe.stats.cellsWritten - before, 150u * 50u);
    EXPECT_EQ(repaint.rfind("\x1b[?2026h\x1b[H", 0), 0u);
    for (int row = 2; row <= 50; ++row) EXPECT_NE(repaint.find("\x1b[" + std::to_string(row) + "H"), std::string::npos);
    EXPECT_EQ(repaint.find('\n'), std::string::npos);
    resizeShow(t.fe, t.show, t.p, 150, 50);  // The same size again changes nothing
    EXPECT_LT(t.frame().size(), 2000u);
}

TEST(TermPlatform, SlowTerminalDropsFramesInsteadOfQueueing) {
    PipeShow t(120, 42, 4096);  // A pipe smaller than one full frame
    runFrame(t.show, t.p);
    ASSERT_FALSE(outputDone(t.fe.output));  // The terminal took only part of it
    runFrame(t.show, t.p);
    runFrame(t.show, t.p);
    EXPECT_EQ(std::make_pair(t.fe.stats.frames, t.fe.stats.dropped), std::make_pair(1ll, 2ll));
    std::string shown;  // The terminal catches up: the whole first frame arrives, nothing else
    while (!outputDone(t.fe.output)) {
        shown += t.drain();
        writePending(t.fe.outFd, t.fe.output);
    }
    shown += t.drain();
    EXPECT_EQ(shown.size(), t.fe.stats.bytes);
    t.frame();
    EXPECT_EQ(t.fe.stats.frames, 2);
    // The --stats figures of a run that took no time: no division by zero
    EXPECT_NE(formatStats(t.fe.stats).find("2 in 0.0 s, 0.0 a second (2 dropped)"), std::string::npos);
}
