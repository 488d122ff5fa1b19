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

}  // namespace

std::string progressLine(long long done, long long total, double secondsLeft) {
    if (total < 1) total = 1;
    if (done > total) done = total;
    if (done < 0) done = 0;
    const int percent = (int)(done * 100 / total);
    char line[128];
    if (secondsLeft < 0.0) {
        snprintf(line, sizeof(line), "frame %lld/%lld (%d%%)", done, total, percent);
        return line;
    }
    const long long left = (long long)(secondsLeft + 0.5);
    snprintf(line, sizeof(line), "frame %lld/%lld (%d%%), %lldm%02llds left", done, total, percent, left / 60,
             left % 60);
    return line;
}

ProgressMeter startProgress(long long total) {
    ProgressMeter meter;
    meter.total = total;
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
    const double secondsLeft = recent > 0 ? (now - meter.lastShown) / (double)recent * (double)(meter.total - done) : -1.0;
    meter.lastShown = now;
    meter.doneAtLastShown = done;
    meter.shownAny = true;
    const std::string line = progressLine(done, meter.total, secondsLeft);
    if (meter.terminal) fprintf(stderr, "\rdavur_evi_capture: %s   ", line.c_str());
    else fprintf(stderr, "davur_evi_capture: %s\n", line.c_str());
}

void markCaptureStart(ProgressMeter& meter) { meter.capturing = monotonicSeconds(); }

void finishProgress(ProgressMeter& meter, long long captured) {
    if (!meter.shownAny) return;
    const double seconds = monotonicSeconds() - (meter.capturing >= 0.0 ? meter.capturing : meter.started);
    fprintf(stderr, "%sdavur_evi_capture: %lld frames in %.1f s (%.1f frames/s)\n", meter.terminal ? "\n" : "",
            captured, seconds, seconds > 0.0 ? (double)captured / seconds : 0.0);
}

void abandonProgress(ProgressMeter& meter) {
    if (meter.shownAny && meter.terminal) fputc('\n', stderr);
    meter.shownAny = false;
}
