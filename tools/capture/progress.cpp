#include "tools/capture/progress.h"

#include <unistd.h>  // Required for: isatty()

#include <chrono>
#include <cstdio>

namespace {

constexpr double kTerminalInterval = 0.25;  // Seconds between updates of the line in place
constexpr double kLogInterval = 10.0;       // Seconds between lines when stderr is a file or pipe
constexpr double kFirstLineAfter = 2.0;     // Short captures show nothing

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string progressLine(long long done, long long total, double elapsedSeconds) {
    if (total < 1) total = 1;
    if (done > total) done = total;
    const int percent = (int)(done * 100 / total);
    char line[128];
    if (done <= 0) {
        snprintf(line, sizeof(line), "frame %lld/%lld (%d%%)", done, total, percent);
        return line;
    }
    const long long left = (long long)(elapsedSeconds / (double)done * (double)(total - done) + 0.5);
    snprintf(line, sizeof(line), "frame %lld/%lld (%d%%), %lldm%02llds left", done, total, percent, left / 60,
             left % 60);
    return line;
}

ProgressMeter startProgress(long long total) {
    ProgressMeter meter;
    meter.total = total;
    meter.started = monotonicSeconds();
    meter.terminal = isatty(STDERR_FILENO) != 0;
    return meter;
}

void showProgress(ProgressMeter& meter, long long done) {
    const double now = monotonicSeconds();
    const double interval = meter.terminal ? kTerminalInterval : kLogInterval;
    if (now - meter.started < kFirstLineAfter || now - meter.lastShown < interval) return;
    meter.lastShown = now;
    meter.shownAny = true;
    const std::string line = progressLine(done, meter.total, now - meter.started);
    if (meter.terminal) fprintf(stderr, "\rdavur_evi_capture: %s   ", line.c_str());
    else fprintf(stderr, "davur_evi_capture: %s\n", line.c_str());
}

void finishProgress(ProgressMeter& meter) {
    if (meter.terminal && meter.shownAny) fprintf(stderr, "\n");
}
