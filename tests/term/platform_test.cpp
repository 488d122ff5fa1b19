// The frame loop on the terminal platform, writing into a pipe: a terminal that has not taken the
// last frame drops the next one. The title, the repaint after a resize and the quit keys are seen
// on a real terminal by terminal_show.sh; only the changes of a frame are the encoder's test.
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
