// The frame loop on the terminal platform, writing into a pipe: the first frame paints every cell
// under the scene's title, an unchanged terminal gets next to nothing, a terminal that has not
// taken the last frame drops the next one, and a resize brings a new grid and a full repaint.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "tools/term/term_platform.h"

namespace {

struct PipeTerminal {
    int fds[2] = {-1, -1};
    PipeTerminal() {
        if (pipe(fds) == 0) fcntl(fds[1], F_SETFL, O_NONBLOCK);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
    }
    ~PipeTerminal() {
        close(fds[0]);
        close(fds[1]);
    }
    std::string drain() const {
        std::string all;
        char chunk[65536];
        ssize_t n;
        while ((n = read(fds[0], chunk, sizeof(chunk))) > 0) all.append(chunk, (size_t)n);
        return all;
    }
};

// The terminal platform with no music: the show runs silent.
Platform silentPlatform(TermFrontEnd& fe) {
    Platform p = termPlatform(fe);
    p.loadMusic = [](void*, MusicTrack&, const char*) { return false; };
    return p;
}

void setUp(TermFrontEnd& fe, const PipeTerminal& term, int cols, int rows) {
    fe.termCols = cols;
    fe.termRows = rows;
    fe.outFd = term.fds[1];
    fe.clockStart = monotonicSeconds();
    resetEncoder(fe.encoder, cols, rows, fe.utf8);
}

}  // namespace

TEST(TermPlatform, FirstFramePaintsEveryCellThenOnlyChanges) {
    PipeTerminal term;
    TermFrontEnd fe;
    setUp(fe, term, 80, 24);
    const Platform p = silentPlatform(fe);
    Show show;
    fe.show = &show;
    startShow(show, p);
    EXPECT_EQ(show.fb->cols, 56);  // Level 0 at the start: 80 / 1.44 = 55.6, 24 / 1.44 = 16.7
    EXPECT_EQ(show.fb->rows, 17);
    runFrame(show, p);

    const std::string first = term.drain();
    EXPECT_EQ(first.rfind("\x1b]2;davur_evi: intro_boot\x07\x1b[?2026h\x1b[H", 0), 0u) << first.substr(0, 60);
    EXPECT_EQ(first.substr(first.size() - 8), "\x1b[?2026l");
    EXPECT_EQ(fe.stats.cellsWritten, 80u * 24u);
    EXPECT_EQ(fe.stats.frames, 1);
    EXPECT_EQ(fe.stats.bytes, first.size());

    runFrame(show, p);  // The boot screen barely moves between two frames
    const std::string second = term.drain();
    EXPECT_LT(second.size(), first.size() / 10);
    EXPECT_EQ(second.find("\x1b]2;"), std::string::npos);  // The title is set once
    EXPECT_EQ(fe.stats.frames, 2);
}

TEST(TermPlatform, SlowTerminalDropsFramesInsteadOfQueueing) {
    PipeTerminal term;
    fcntl(term.fds[1], F_SETPIPE_SZ, 4096);  // Smaller than one full frame of 120 x 42
    TermFrontEnd fe;
    setUp(fe, term, 120, 42);
    const Platform p = silentPlatform(fe);
    Show show;
    fe.show = &show;
    startShow(show, p);

    runFrame(show, p);
    ASSERT_FALSE(outputDone(fe.output));  // The terminal took only part of it
    runFrame(show, p);
    runFrame(show, p);
    EXPECT_EQ(fe.stats.frames, 1);
    EXPECT_EQ(fe.stats.dropped, 2);

    std::string shown;  // The terminal catches up: the whole first frame arrives, nothing else
    while (!outputDone(fe.output)) {
        shown += term.drain();
        writePending(fe.outFd, fe.output);
    }
    shown += term.drain();
    EXPECT_EQ(shown.size(), fe.stats.bytes);
    runFrame(show, p);
    EXPECT_EQ(fe.stats.frames, 2);
}

TEST(TermPlatform, ResizeBringsANewGridAndAFullRepaint) {
    PipeTerminal term;
    TermFrontEnd fe;
    setUp(fe, term, 80, 24);
    const Platform p = silentPlatform(fe);
    Show show;
    fe.show = &show;
    startShow(show, p);
    runFrame(show, p);
    term.drain();

    show.zoom.zoomLevel = kNativeZoomLevel;
    resizeShow(fe, show, p, 150, 50);
    EXPECT_EQ(show.fb->cols, 150);
    EXPECT_EQ(show.fb->rows, 50);
    const unsigned long long before = fe.stats.cellsWritten;
    runFrame(show, p);
    EXPECT_EQ(fe.stats.cellsWritten - before, 150u * 50u);
    const std::string repaint = term.drain();  // From the origin, row after row
    EXPECT_EQ(repaint.rfind("\x1b[?2026h\x1b[H", 0), 0u);
    size_t rowsDown = 0;
    for (int row = 2; row <= 50; ++row) rowsDown += repaint.find("\x1b[" + std::to_string(row) + "H") != std::string::npos;
    EXPECT_EQ(rowsDown, 49u);
    EXPECT_EQ(repaint.find('\n'), std::string::npos);  // Never a line feed: it could scroll

    resizeShow(fe, show, p, 150, 50);  // The same size again changes nothing
    runFrame(show, p);
    EXPECT_LT(term.drain().size(), 2000u);
}
