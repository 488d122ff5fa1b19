// The figures --stats prints when the show ends.
#pragma once

#include <cstddef>
#include <string>

// What the bytes sent to the terminal were spent on, read back from the bytes themselves.
struct ByteTally {
    unsigned long long glyphs = 0;   // Characters shown
    unsigned long long colours = 0;  // SGR sequences (ESC [ ... m)
    unsigned long long moves = 0;    // Cursor positions and forward moves (ESC [ ... H, ESC [ ... C)
    unsigned long long repeats = 0;  // Repeat-character sequences (ESC [ n b)
    unsigned long long other = 0;    // Frame markers, titles and anything else
};

// Adds a stream of whole frames to the tally.
void tallyBytes(const char* bytes, size_t length, ByteTally& tally);
void addTally(ByteTally& into, const ByteTally& more);

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
    ByteTally tally;               // What the bytes were spent on; counted only with --stats
    double cpuSeconds = -1.0;      // The process's user and system time; negative: not measured
    const char* colours = nullptr; // The colour mode's name, when known
    double soundHeard = -1.0;      // --listen: seconds of sound received; negative: not listening
    long long soundConnections = 0;  // --listen: connections to the sound server
};

void recordRender(TermStats& stats, double seconds);

// A few lines of plain text, each ending in a newline.
std::string formatStats(const TermStats& stats);
