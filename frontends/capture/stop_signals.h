// SIGINT and SIGTERM stop a capture between two frames. The handlers only note the signal; the
// capture looks at it once a frame (and while it waits for ffmpeg), removes what it had not
// finished and ends with status 128 + the signal. A write beyond the file size limit fails with
// an error instead of killing the process, so that it is cleaned up like a full disk.
#pragma once

// Installs the handlers; a signal that was ignored when the program started stays ignored. Call
// it before the window opens, so that a windowing library that
// takes only unclaimed signals (SDL) leaves them to us, and again after, for one that does not ask.
void installStopHandlers();

// 0, or the signal that asked the capture to stop.
int stopSignal();

// "interrupted by SIGTERM"
const char* stopMessage(int signal);

// What the program ends with after a stop: 130 for SIGINT, 143 for SIGTERM.
int stopStatus(int signal);
