// Running helper programs (ffmpeg) without a shell: found on PATH, fed through a pipe on their
// standard input, their messages kept in an unnamed temporary file for the one line we print when
// they fail.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>  // Required for: pid_t

// The full path of an executable on PATH, or "" when there is none.
std::string findProgram(const char* name);

struct ChildProcess {
    pid_t pid = -1;
    int input = -1;           // Write end of the pipe on the child's standard input
    int messages = -1;        // The child's stdout and stderr
};

// Starts argv[0] (a full path); false when it could not be started.
bool startWithInput(const std::vector<std::string>& argv, ChildProcess& child);

// Writes all of the bytes; false when the child is gone or a stop signal came.
bool writeAll(ChildProcess& child, const void* data, size_t size);

// Closes the pipe and waits; after a stop signal the child gets SIGTERM. True when the child
// exited with status 0 (and no stop came); otherwise `error` says how it ended and the last thing
// it printed.
bool finish(ChildProcess& child, std::string& error);
