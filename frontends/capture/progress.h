// Progress of a long capture on stderr: frames done, the total, the speed and the time left.
#pragma once

#include <string>

// "frame 1200/6973 (17%), 0.85x real time, 3m05s left": the speed is seconds of the capture made
// per second of the clock on the wall. Without the speed or the time left while it is not known
// (negative).
std::string progressLine(long long done, long long total, double secondsLeft, double speed = -1.0);

struct ProgressMeter {
    long long total = 0;
    int fps = 60;              // Frames per second of the capture's own clock
    double started = 0.0;      // Seconds on a monotonic clock
    double lastShown = 0.0;
    long long doneAtLastShown = 0;
    double capturing = -1.0;   // When the first captured frame began; the frames before run faster
    bool terminal = false;     // stderr is a terminal: one line rewritten in place
    bool shownAny = false;
};

ProgressMeter startProgress(long long total, int fps);
// Shows the line now and then: a few times a second on a terminal, every 10 s otherwise. The time
// left comes from the pace since the last line: frames before --from run much faster than the
// ones that are captured.
void showProgress(ProgressMeter& meter, long long done);
// The first frame that is captured begins now.
void markCaptureStart(ProgressMeter& meter);
// Ends the line in place on a terminal, so that an error after it stands on a line of its own.
void abandonProgress(ProgressMeter& meter);
// Ends a long capture with the pace of its captured frames:
// "6977 frames in 812.4 s (8.6 frames/s, 0.14x real time)".
void finishProgress(ProgressMeter& meter, long long captured);
