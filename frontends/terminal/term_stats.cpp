#include "frontends/terminal/term_stats.h"

#include <cstdio>  // Required for: snprintf()

namespace {

// The end of the escape or control sequence that starts at `at` (an ESC), and its kind.
size_t sequenceEnd(const char* bytes, size_t length, size_t at, char& final) {
    final = 0;
    size_t i = at + 1;
    if (i >= length) return length;
    if (bytes[i] == '[') {  // CSI: parameters and intermediates, then a final byte 0x40..0x7E
        for (++i; i < length; ++i) {
            const unsigned char c = (unsigned char)bytes[i];
            if (c >= 0x40 && c <= 0x7E) {
                final = (char)c;
                return i + 1;
            }
        }
        return length;
    }
    if (bytes[i] == ']') {  // OSC: up to BEL or ESC backslash
        for (++i; i < length; ++i) {
            if (bytes[i] == '\x07') return i + 1;
            if (bytes[i] == '\x1b' && i + 1 < length && bytes[i + 1] == '\\') return i + 2;
        }
        return length;
    }
    return i + 1;
}

}  // namespace

void tallyBytes(const char* bytes, size_t length, ByteTally& tally) {
    size_t at = 0;
    while (at < length) {
        if (bytes[at] != '\x1b') {
            ++tally.glyphs;
            ++at;
            continue;
        }
        char final;
        const size_t end = sequenceEnd(bytes, length, at, final);
        const unsigned long long n = end - at;
        const bool privateMode = at + 2 < length && bytes[at + 2] == '?';
        if (final == 'm') {
            tally.colours += n;
        } else if ((final == 'H' || final == 'C') && !privateMode) {
            tally.moves += n;
        } else if (final == 'b') {
            tally.repeats += n;
        } else {
            tally.other += n;
        }
        at = end;
    }
}

void addTally(ByteTally& into, const ByteTally& more) {
    into.glyphs += more.glyphs;
    into.colours += more.colours;
    into.moves += more.moves;
    into.repeats += more.repeats;
    into.other += more.other;
}

void recordRender(TermStats& stats, double seconds) {
    stats.renderTotal += seconds;
    if (seconds > stats.renderWorst) stats.renderWorst = seconds;
    ++stats.renderCount;
}

std::string formatStats(const TermStats& s) {
    const double fps = s.seconds > 0.0 ? (double)s.frames / s.seconds : 0.0;
    const double meanMs = s.renderCount > 0 ? s.renderTotal / (double)s.renderCount * 1000.0 : 0.0;
    const double frames = s.frames > 0 ? (double)s.frames : 1.0;
    const double perSecond = s.seconds > 0.0 ? (double)s.bytes / s.seconds : 0.0;
    const double elided = s.cellsSeen > 0 ? 100.0 * (double)(s.cellsSeen - s.cellsWritten) / (double)s.cellsSeen : 0.0;
    char saving[64] = "";
    if (s.plainBytes > 0) {
        snprintf(saving, sizeof(saving), " (%.1f %% less than writing every cell)",
                 100.0 * (1.0 - (double)s.bytes / (double)s.plainBytes));
    }
    char text[1024];
    int n = snprintf(text, sizeof(text),
                     "frames:        %lld in %.1f s, %.1f a second (%lld dropped)\n"
                     "render time:   mean %.2f ms, worst %.2f ms\n"
                     "bytes written: %llu, %.0f a frame%s, %.0f a second\n",
                     s.frames, s.seconds, fps, s.dropped, meanMs, s.renderWorst * 1000.0, s.bytes,
                     (double)s.bytes / frames, saving, perSecond);
    const ByteTally& t = s.tally;
    if (t.glyphs + t.colours + t.moves + t.repeats + t.other > 0 && n > 0 && n < (int)sizeof(text)) {
        n += snprintf(text + n, sizeof(text) - (size_t)n,
                      "a frame:       %.0f glyphs, %.0f colours, %.0f moves, %.0f repeats, %.0f other%s%s\n",
                      (double)t.glyphs / frames, (double)t.colours / frames, (double)t.moves / frames,
                      (double)t.repeats / frames, (double)t.other / frames, s.colours != nullptr ? " bytes; colour: " : "",
                      s.colours != nullptr ? s.colours : "");
    }
    if (s.cpuSeconds >= 0.0 && s.seconds > 0.0 && n > 0 && n < (int)sizeof(text)) {
        n += snprintf(text + n, sizeof(text) - (size_t)n, "CPU:           %.1f %% of a core (%.1f s)\n",
                      100.0 * s.cpuSeconds / s.seconds, s.cpuSeconds);
    }
    if (n > 0 && n < (int)sizeof(text)) {
        n += snprintf(text + n, sizeof(text) - (size_t)n, "cells elided:  %.1f %% of %llu\n", elided, s.cellsSeen);
    }
    if (s.soundHeard >= 0.0 && n > 0 && n < (int)sizeof(text)) {
        snprintf(text + n, sizeof(text) - (size_t)n, "sound heard:   %.1f s over %lld connection%s\n", s.soundHeard,
                 s.soundConnections, s.soundConnections == 1 ? "" : "s");
    }
    return text;
}
