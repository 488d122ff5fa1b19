// The figures --stats prints when the show ends.
#pragma once

#include <cstddef>
#include <string>

struct TermStats {
    long long frames = 0;          // Frames brought onto the terminal (some change nothing)
    long long dropped = 0;         // Frames not written: the terminal had not taken the last one yet
    double seconds = 0.0;          // From the first frame to the end
    double renderTotal = 0.0;      // Seconds spent making frames (show, composition, encoding)
    double renderWorst = 0.0;
    long long renderCount = 0;
    unsigned long long bytes = 0;  // Written to the terminal for the frames
    unsigned long long plainBytes = 0;  // What writing every cell with its colours would have taken; 0: not measured
    unsigned long long cellsSeen = 0;
    unsigned long long cellsWritten = 0;
};

void recordRender(TermStats& stats, double seconds);

// A few lines of plain text, each ending in a newline.
std::string formatStats(const TermStats& stats);
