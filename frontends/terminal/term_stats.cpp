#include "frontends/terminal/term_stats.h"

#include <cstdio>  // Required for: snprintf()

void recordRender(TermStats& stats, double seconds) {
    stats.renderTotal += seconds;
    if (seconds > stats.renderWorst) stats.renderWorst = seconds;
    ++stats.renderCount;
}

std::string formatStats(const TermStats& s) {
    const double fps = s.seconds > 0.0 ? (double)s.frames / s.seconds : 0.0;
    const double meanMs = s.renderCount > 0 ? s.renderTotal / (double)s.renderCount * 1000.0 : 0.0;
    const double perFrame = s.frames > 0 ? (double)s.bytes / (double)s.frames : 0.0;
    const double elided = s.cellsSeen > 0 ? 100.0 * (double)(s.cellsSeen - s.cellsWritten) / (double)s.cellsSeen : 0.0;
    char saving[64] = "";
    if (s.plainBytes > 0) {
        snprintf(saving, sizeof(saving), " (%.1f %% less than writing every cell)",
                 100.0 * (1.0 - (double)s.bytes / (double)s.plainBytes));
    }
    char text[640];
    snprintf(text, sizeof(text),
             "frames:        %lld in %.1f s, %.1f a second (%lld dropped)\n"
             "render time:   mean %.2f ms, worst %.2f ms\n"
             "bytes written: %llu, %.0f a frame%s\n"
             "cells elided:  %.1f %% of %llu\n",
             s.frames, s.seconds, fps, s.dropped, meanMs, s.renderWorst * 1000.0, s.bytes, perFrame, saving, elided,
             s.cellsSeen);
    return text;
}
