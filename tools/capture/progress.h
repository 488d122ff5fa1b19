// Progress of a long capture on stderr: frames done, the total, and the time left.
#pragma once

#include <string>

// "frame 1200/6973 (17%), 3m05s left"; the time left is estimated from the pace so far.
std::string progressLine(long long done, long long total, double elapsedSeconds);

struct ProgressMeter {
    long long total = 0;
    double started = 0.0;      // Seconds on a monotonic clock
    double lastShown = -1e9;
    bool terminal = false;     // stderr is a terminal: one line rewritten in place
    bool shownAny = false;
};

ProgressMeter startProgress(long long total);
// Shows the line now and then: a few times a second on a terminal, every 10 s otherwise.
void showProgress(ProgressMeter& meter, long long done);
// Ends the line on a terminal.
void finishProgress(ProgressMeter& meter);
