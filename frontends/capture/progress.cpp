#include "frontends/capture/progress.h"

#include <unistd.h>  // Required for: isatty()

#include <chrono>
#include <cstdio>

namespace {

constexpr double kTerminalInterval = 0.5;  // Seconds between updates of the line in place
constexpr double kLogInterval = 10.0;      // Seconds between lines when stderr is a file or pipe
constexpr double kFirstLineAfter = 2.0;    // Short captures show nothing

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string speedText(double speed) {
    char text[32];
    snprintf(text, sizeof(text), "%.2fx real time", speed);
    return text;
}

}  // namespace

std::string progressLine(long long done, long long total, double secondsLeft, double speed) {
    if (total < 1) total = 1;
    if (done > total) done = total;
    if (done < 0) done = 0;
    const int percent = (int)(done * 100 / total);
    char head[96];
    snprintf(head, sizeof(head), "frame %lld/%lld (%d%%)", done, total, percent);
    std::string line = head;
    if (speed >= 0.0) line += ", " + speedText(speed);
    if (secondsLeft >= 0.0) {
        const long long left = (long long)(secondsLeft + 0.5);
        char tail[48];
        snprintf(tail, sizeof(tail), ", %lldm%02llds left", left / 60, left % 60);
        line += tail;
    }
    return line;
}

ProgressMeter startProgress(long long total, int fps) {
    ProgressMeter meter;
    meter.total = total;
    meter.fps = fps > 0 ? fps : 1;
    meter.started = monotonicSeconds();
    meter.lastShown = meter.started;
    meter.terminal = isatty(STDERR_FILENO) != 0;
    return meter;
}

void showProgress(ProgressMeter& meter, long long done) {
    const double now = monotonicSeconds();
    const double interval = meter.terminal ? kTerminalInterval : kLogInterval;
    if (now - meter.started < kFirstLineAfter || now - meter.lastShown < interval) return;
    const long long recent = done - meter.doneAtLastShown;
    const double elapsed = now - meter.lastShown;
    const double secondsLeft = recent > 0 ? elapsed / (double)recent * (double)(meter.total - done) : -1.0;
    const double speed = elapsed > 0.0 ? (double)recent / (double)meter.fps / elapsed : -1.0;
    meter.lastShown = now;
    meter.doneAtLastShown = done;
    meter.shownAny = true;
    const std::string line = progressLine(done, meter.total, secondsLeft, speed);
    if (meter.terminal) fprintf(stderr, "\rdavur_evi_capture: %s   ", line.c_str());
    else fprintf(stderr, "davur_evi_capture: %s\n", line.c_str());
}

void markCaptureStart(ProgressMeter& meter) { meter.capturing = monotonicSeconds(); }

void finishProgress(ProgressMeter& meter, long long captured) {
    if (!meter.shownAny) return;
    const double seconds = monotonicSeconds() - (meter.capturing >= 0.0 ? meter.capturing : meter.started);
    const double pace = seconds > 0.0 ? (double)captured / seconds : 0.0;
    fprintf(stderr, "%sdavur_evi_capture: %lld frames in %.1f s (%.1f frames/s, %s)\n", meter.terminal ? "\n" : "",
            captured, seconds, pace, speedText(pace / (double)meter.fps).c_str());
}

void abandonProgress(ProgressMeter& meter) {
    if (meter.shownAny && meter.terminal) fputc('\n', stderr);
    meter.shownAny = false;
}
