// The controlling terminal: raw keys, a non-blocking output of its own, its size, and putting it
// back as it was on every way out (a normal quit, SIGINT, SIGTERM, SIGHUP, a crash signal, exit()).
// The only file that touches termios, signals and file descriptors.
#pragma once

#include <cstddef>
#include <string>

#include "frontends/terminal/term_encoder.h"

// Raw input, an output descriptor of its own that never blocks, the show's screen modes, and the
// signal handlers; stderr goes quiet until the terminal is put back. False (nothing changed)
// without a terminal on standard input and output.
bool openTerminal(std::string& error);

// Leaves the show's screen modes, restores the input mode and stderr. Safe to call more than once
// and from a signal handler.
void restoreTerminal();

int terminalInput();
int terminalOutput();

// Columns and rows; false when the terminal does not say.
bool terminalSize(int& cols, int& rows);

// Set by signals, cleared when read.
bool takeResizeSignal();
// SIGINT, SIGTERM or SIGHUP arrived.
bool stopSignalled();

// Seconds on a clock that only moves forward.
double monotonicSeconds();

// The process's CPU time so far, user and system, in seconds.
double processCpuSeconds();

// Bytes on their way to the terminal: written as far as it takes them without waiting.
struct PendingOutput {
    OutputBuffer buffer;
    size_t sent = 0;
    bool broken = false;  // The terminal is gone (or refuses output): nothing more is written
};

inline bool outputDone(const PendingOutput& out) { return out.sent >= out.buffer.size; }

// Writes what the descriptor takes now; true when everything has gone.
bool writePending(int fd, PendingOutput& out);

// Reads the keys waiting on the input without blocking; returns the byte count (0 when none).
size_t readInput(char* bytes, size_t capacity);

// Waits until `deadline` (monotonic seconds) or a signal, writing pending output as the terminal
// takes it.
void waitFor(double deadline, int fd, PendingOutput& out);

// Waits until everything pending is written, or until `deadline`.
void finishOutput(double deadline, int fd, PendingOutput& out);
